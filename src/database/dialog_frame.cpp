#include "database/dialog_frame.h"

#include <QDialog>
#include <QPushButton>
#include <exception>

#include "app/gui_helpers.h"
#include "app/kiruvan_application.h"

namespace kiruvan::gui {

void makeFixedDialog(QDialog* dialog, QSize size)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                           | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    if (!size.isValid()) {
        dialog->adjustSize();
        size = dialog->sizeHint().expandedTo(dialog->size());
    }
    dialog->setFixedSize(size);
    centerOnScreen(*dialog);
}

QPushButton* plainButton(const QString& caption, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void runGuarded(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& error) {
        KiruvanApplication::showError(QString::fromUtf8(error.what()));
    }
}

}  // namespace kiruvan::gui
