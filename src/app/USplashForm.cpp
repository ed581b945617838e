#include "app/USplashForm.h"

#include <QBitmap>
#include <QPainter>
#include <QTimer>

#include <algorithm>

#include "widgets/app_pictures.h"
#include "widgets/gui_helpers.h"

namespace kiruvan {
namespace {

constexpr QSize kClientSize(399, 258);
const QColor kTransparentColor(0, 128, 128);  // teal
const QColor kSilver(192, 192, 192);
constexpr int kStartAlpha = 100;
constexpr int kFinalAlpha = 250;

}  // namespace

TFSplashForm::TFSplashForm(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Timer1(new QTimer(this)),
      Timer_close(new QTimer(this)),
      picture_(splashPicture(kClientSize, kTransparentColor))
{
    setFixedSize(kClientSize);
    setMask(QBitmap::fromImage(picture_.createMaskFromColor(kTransparentColor.rgb(), Qt::MaskInColor)));
    setAlphaBlendValue(kStartAlpha);

    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TFSplashForm::Timer1Timer);
    Timer1->start();

    Timer_close->setInterval(2500);
    Timer_close->setSingleShot(true);
    connect(Timer_close, &QTimer::timeout, this, &TFSplashForm::Timer_closeTimer);
    Timer_close->start();
}

void TFSplashForm::Timer1Timer()
{
    setAlphaBlendValue(std::min(alpha_, 254) + 10);
    if (alpha_ == kFinalAlpha)
        Timer1->stop();
}

void TFSplashForm::Timer_closeTimer()
{
    close();
}

void TFSplashForm::setAlphaBlendValue(int alpha)
{
    alpha_ = alpha;
    setWindowOpacity(alpha_ / 255.0);
}

void TFSplashForm::showEvent(QShowEvent* event)
{
    centerOnScreen(*this);
    QDialog::showEvent(event);
}

void TFSplashForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(rect(), picture_);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(kSilver);

    QFont title("Tahoma", 26, QFont::Bold);
    p.setFont(title);
    p.drawText(rect().adjusted(0, 14, -24, 0), Qt::AlignTop | Qt::AlignRight, "Kiruvan");

    QFont notice("Tahoma", 7);
    p.setFont(notice);
    p.drawText(rect().adjusted(24, 0, 0, -14), Qt::AlignBottom | Qt::AlignLeft,
               "End-of-day technical analysis and backtesting.\n"
               "Use at your own risk: past results do not promise future ones.");
}

}  // namespace kiruvan
