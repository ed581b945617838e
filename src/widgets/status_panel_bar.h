#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class QLabel;

namespace kiruvan {

// The status bar: three panels side by side, the first two as wide as they are told, the last
// one reaching the right edge. Placed by hand because a layout would bargain over the widths.
//
// Panel 0 shows the hints (status tips) given in the bar's window, each until the widget that
// gave it is left. The desktop does not always tell that widget it was left (not after a modal
// dialog, say), so the mouse entering any widget outside it clears the hint as well.
class StatusPanelBar : public QWidget {
public:
    explicit StatusPanelBar(QWidget* parent);

    void setWidths(int hint, int values);

    const QList<QLabel*> panels;

protected:
    void resizeEvent(QResizeEvent*) override { placePanels(); }
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placePanels();
    void showHint(QWidget* source, const QString& hint);

    int hintWidth_ = 0;
    int valuesWidth_ = 0;
    QPointer<QWidget> hintSource_;
};

}  // namespace kiruvan
