#include "support/gui_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include "widgets/kiruvan_application.h"

namespace kiruvan::test {
namespace {

// The one application object of a window test executable: the program's own, so that tests
// meet its error box. Every window test executable links this file.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "kiruvan_window_test";
        static char* argv[] = {name, nullptr};
        app_ = new KiruvanApplication(argc, argv);
        // A main window closed by one test must not end the event loops of the next ones.
        app_->setQuitOnLastWindowClosed(false);
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    KiruvanApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

MessageBoxAnswer::MessageBoxAnswer(QMessageBox::StandardButton button)
{
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer_.stop();
        answered_ = true;
        text_ = box->text();
        icon_ = box->icon();
        box->button(button)->click();
    });
    timer_.start();
}

void freeClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

}  // namespace kiruvan::test
