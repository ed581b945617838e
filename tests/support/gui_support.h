#pragma once

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QString>
#include <QTimer>

namespace kiruvan::test {

// Answers the next message box that comes up with `button`, keeping its text, so that a test
// can drive code that asks the user.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(QMessageBox::StandardButton button);

    bool answered() const { return answered_; }
    const QString& text() const { return text_; }
    QMessageBox::Icon icon() const { return icon_; }

private:
    QTimer timer_;
    bool answered_ = false;
    QString text_;
    QMessageBox::Icon icon_ = QMessageBox::NoIcon;
};

// The widget a window names so; a failed expectation when it has none.
template <class Widget>
Widget* child(const QObject& window, const char* name)
{
    auto* widget = window.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

// Lets the event loop free the windows closed so far.
void freeClosedWindows();

}  // namespace kiruvan::test
