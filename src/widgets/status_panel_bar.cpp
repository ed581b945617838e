#include "widgets/status_panel_bar.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QStatusTipEvent>

#include <algorithm>

namespace kiruvan {
namespace {

QLabel* newStatusPanel(QWidget* parent, Qt::Alignment alignment)
{
    auto* panel = new QLabel(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(alignment | Qt::AlignVCenter);
    panel->setContentsMargins(2, 0, 2, 0);
    return panel;
}

}  // namespace

StatusPanelBar::StatusPanelBar(QWidget* parent)
    : QWidget(parent),
      panels{newStatusPanel(this, Qt::AlignLeft), newStatusPanel(this, Qt::AlignRight),
             newStatusPanel(this, Qt::AlignHCenter)}
{
    setFixedHeight(QFontMetrics(font()).height() + 6);
    // Hints reach the window from the widget under the mouse upwards; only the first receiver
    // tells which widget gave the hint.
    QCoreApplication::instance()->installEventFilter(this);
}

bool StatusPanelBar::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::StatusTip && type != QEvent::Enter && type != QEvent::Leave)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window())
        return false;
    if (type == QEvent::StatusTip) {
        showHint(widget, static_cast<QStatusTipEvent*>(event)->tip());
        event->accept();  // taken here, it goes no further up
        return true;
    }
    const bool insideSource = hintSource_ && (widget == hintSource_ || hintSource_->isAncestorOf(widget));
    if (type == QEvent::Leave ? widget == hintSource_ : !insideSource)
        showHint(nullptr, QString());
    return false;
}

void StatusPanelBar::showHint(QWidget* source, const QString& hint)
{
    hintSource_ = hint.isEmpty() ? nullptr : source;
    panels[0]->setText(hint);
}

void StatusPanelBar::setWidths(int hint, int values)
{
    hintWidth_ = hint;
    valuesWidth_ = values;
    placePanels();
}

void StatusPanelBar::placePanels()
{
    panels[0]->setGeometry(0, 0, hintWidth_, height());
    panels[1]->setGeometry(hintWidth_, 0, valuesWidth_, height());
    panels[2]->setGeometry(hintWidth_ + valuesWidth_, 0, std::max(0, width() - hintWidth_ - valuesWidth_), height());
}

}  // namespace kiruvan
