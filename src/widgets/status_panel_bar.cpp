#include "widgets/status_panel_bar.h"

#include <QFrame>
#include <QLabel>

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
