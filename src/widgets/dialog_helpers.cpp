#include "widgets/dialog_helpers.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPushButton>
#include <exception>

#include "widgets/gui_helpers.h"
#include "widgets/kiruvan_application.h"

namespace kiruvan::gui {

void makeFixedDialog(QDialog* dialog, QSize size)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowCloseButtonHint);
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

bool RunningJob::start()
{
    if (running_)
        return false;
    running_ = true;
    stopRequested_ = false;
    toggled_.start();
    return true;
}

bool RunningJob::justToggled() const
{
    // A run that ended by itself leaves no click to swallow.
    const bool toggledByUser = running_ || stopRequested_;
    return toggledByUser && toggled_.elapsed() < QApplication::doubleClickInterval();
}

DroppedInput::DroppedInput()
{
    QCoreApplication::instance()->installEventFilter(this);
}

DroppedInput::~DroppedInput()
{
    // Whatever came in since the last look is dropped too.
    processEvents();
    QCoreApplication::instance()->removeEventFilter(this);
}

void DroppedInput::processEvents()
{
    QCoreApplication::processEvents();
}

bool DroppedInput::eventFilter(QObject* watched, QEvent* event)
{
    if (!event->spontaneous())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    case QEvent::Close:
        event->ignore();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

}  // namespace kiruvan::gui
