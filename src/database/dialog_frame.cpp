#include "database/dialog_frame.h"

#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <exception>

namespace kiruvan::gui {

void makeFixedDialog(QDialog* dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                           | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog->adjustSize();
    dialog->setFixedSize(dialog->sizeHint().expandedTo(dialog->size()));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog->move(frame.topLeft());
    }
}

QPushButton* plainButton(const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void runGuarded(QWidget* window, const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        QMessageBox::critical(window, QStringLiteral("Error"), QString::fromStdString(error.what()));
    }
}

}  // namespace kiruvan::gui
