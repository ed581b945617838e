#pragma once

#include <QList>
#include <QWidget>

class QLabel;

namespace kiruvan {

// The status bar: three panels side by side, the first two as wide as they are told, the last
// one reaching the right edge. Placed by hand because a layout would bargain over the widths.
class StatusPanelBar : public QWidget {
public:
    explicit StatusPanelBar(QWidget* parent);

    void setWidths(int hint, int values);

    const QList<QLabel*> panels;

protected:
    void resizeEvent(QResizeEvent*) override { placePanels(); }

private:
    void placePanels();

    int hintWidth_ = 0;
    int valuesWidth_ = 0;
};

}  // namespace kiruvan
