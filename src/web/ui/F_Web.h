#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QToolBar;
class QToolButton;
class QWebEngineView;

namespace kiruvan {

// A web window beside the charts, for quote pages. It keeps nothing once closed.
class TFWeb : public QWidget {
    Q_OBJECT
public:
    explicit TFWeb(QWidget* parent = nullptr);

    // The addresses of the pages this window finished loading, newest first.
    const std::vector<std::string>& addresses() const { return addresses_; }

    void ButtonValidationClick();
    // What the browser reports when a page has finished loading.
    void WebBrowser1NavigateComplete2(const QString& address);

    QSize sizeHint() const override;

private:
    void buildControls();
    QToolButton* addButton(const char* name, const QString& caption, int icon, void (TFWeb::*action)());
    void ButtonPrecedentClick();
    void ButtonSuivantClick();
    void ButtonArreterClick();
    void ButtonActualiserClick();
    void ButtonDemarrageClick();
    void showAddresses(const QString& boxText);

    std::vector<std::string> addresses_;
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QComboBox* ComboBoxURL = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QWebEngineView* WebBrowser1 = nullptr;
};

}  // namespace kiruvan
