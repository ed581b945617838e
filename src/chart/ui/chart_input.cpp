#include "chart/ui/CHILDWIN.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

// The chart window's mouse, keys and wheel: the crosshair and the values under the mouse, and
// the same moves as the buttons and the scroll bar.
namespace kiruvan {
namespace {

constexpr int kWheelNotch = 120;

}  // namespace

void TFChart::Coords_Souris_Dans_StatusBar(int X, int Y)
{
    const BarSeries& bars = data_.series().bars;
    emit statusDateChanged(QString::fromStdString(dateUnderMouse(X, drawing_.view, bars.NBBars, bars.DateStr)));
    emit statusValuesChanged(QString::fromStdString(
        valueUnderMouse(Y, height(), drawing_.scales, data_.hasParameters(), data_.Nom_Titre_Courant)));
}

void TFChart::toggleCrosshair()
{
    invertCrosshair(shown_, sharedReticule().Reticule_X, sharedReticule().Reticule_Y);
    update();
}

void TFChart::Crosshair_MouseDown(int X, int Y)
{
    Reticule& r = sharedReticule();
    r.Reticule_Bouton = true;
    r.Reticule_X = X;
    r.Reticule_Y = Y;
}

void TFChart::Crosshair_MouseMove(int X, int Y)
{
    Reticule& r = sharedReticule();
    if (!r.Reticule_Bouton)
        return;
    if (Reticule_Trace)
        toggleCrosshair();
    r.Reticule_X = X;
    r.Reticule_Y = Y;
    toggleCrosshair();
    Reticule_Trace = true;
}

void TFChart::Crosshair_MouseUp()
{
    sharedReticule().Reticule_Bouton = false;
    if (Reticule_Trace) {
        toggleCrosshair();
        Reticule_Trace = false;
    }
}

void TFChart::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    Coords_Souris_Dans_StatusBar(p.x(), p.y());
    Crosshair_MouseMove(p.x(), p.y());
}

void TFChart::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    Crosshair_MouseDown(p.x(), p.y());
}

void TFChart::mouseReleaseEvent(QMouseEvent*)
{
    Crosshair_MouseUp();
}

void TFChart::contextMenuEvent(QContextMenuEvent* event)
{
    // The menu takes the mouse away before the button comes up: the crosshair goes with it.
    Crosshair_MouseUp();
    PopupChart->exec(event->globalPos());
}

// Keys and the wheel do exactly what the matching button or scroll-bar step does.
void TFChart::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        ScrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        ScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_Home:
        ScrollBar->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        ScrollBar->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        BTN_ZoomIN->click();
        break;
    case Qt::Key_Minus:
        BTN_ZoomOut->click();
        break;
    case Qt::Key_PageUp:
        BTN_Prior->click();
        break;
    case Qt::Key_PageDown:
        BTN_Next->click();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TFChart::wheelEvent(QWheelEvent* event)
{
    wheelAngle_ += event->angleDelta().y();
    const bool zoom = event->modifiers().testFlag(Qt::ControlModifier);
    for (; wheelAngle_ >= kWheelNotch; wheelAngle_ -= kWheelNotch)
        zoom ? BTN_ZoomIN->click() : ScrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    for (; wheelAngle_ <= -kWheelNotch; wheelAngle_ += kWheelNotch)
        zoom ? BTN_ZoomOut->click() : ScrollBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    event->accept();
}

}  // namespace kiruvan
