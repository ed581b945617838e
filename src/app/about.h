#pragma once

#include <QDialog>

class QPushButton;

namespace kiruvan {

// The about box, created once at start-up and shown again on every use.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QPushButton* OKButton;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace kiruvan
