#include "widgets/gui_helpers.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kiruvan {

void centerOnScreen(QWidget& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.frameGeometry().center() + window.pos());
}

void setHint(QAction& action, const QString& hint)
{
    const qsizetype bar = hint.indexOf('|');
    action.setToolTip(bar < 0 ? hint : hint.left(bar));
    action.setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void keepRoomWhenHidden(QWidget& widget)
{
    QSizePolicy policy = widget.sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget.setSizePolicy(policy);
}

QDate toQDate(Date day)
{
    return QDate(day.year(), day.month(), day.day());
}

Date toDate(QDate day)
{
    return Date::fromYmd(day.year(), day.month(), day.day());
}

}  // namespace kiruvan
