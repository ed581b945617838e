#pragma once

#include <QDialog>
#include <QImage>

class QTimer;

namespace kiruvan {

// The start-up splash: fades in from alpha 100 to 250 and closes itself after 2.5 seconds,
// which ends its modal showing.
class TFSplashForm : public QDialog {
    Q_OBJECT
public:
    explicit TFSplashForm(QWidget* parent = nullptr);

    int alphaBlendValue() const { return alpha_; }

    QTimer* Timer1;       // the fade, every 100 ms
    QTimer* Timer_close;  // the end of the showing

public slots:
    void Timer1Timer();
    void Timer_closeTimer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setAlphaBlendValue(int alpha);

    QImage picture_;
    int alpha_ = 0;
};

}  // namespace kiruvan
