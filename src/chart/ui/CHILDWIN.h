#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>

#include "chart/chart_data.h"
#include "chart/render/chart_painter.h"

class QMenu;
class QPushButton;
class QScrollBar;

namespace kiruvan {

class Clock;
class TFindStock;

// The crosshair's state, one set for all chart windows: a button is held, and where the lines
// were last drawn.
struct Reticule {
    bool Reticule_Bouton = false;
    int Reticule_X = 0;
    int Reticule_Y = 0;
};

// A chart window: one symbol of a market at a time, drawn by the chart painter into an image
// that the window shows; the buttons, the scroll bar, the keyboard and the mouse drive the view.
class TFChart : public QWidget {
    Q_OBJECT
public:
    TFChart(const DataFolder& folder, const Clock& clock, QWidget* parent = nullptr);

    // The opener's settings, then the list and the first symbol.
    void setMarket(int ID_Marche_Chart, const QString& Code_Titre_Demande);
    void Initialisation();

    void LoadData(const std::string& code);
    void ScrollBar_MAX();
    void plot_Charts();
    // Shows a code of the market's list (its last symbol when the list lacks it) at the newest
    // bars, keeping the zoom.
    void showListedCode(const std::string& code);
    void SaveBMP_To_Disk(const std::filesystem::path& file) const;

    ChartData& data() { return data_; }
    double Largeur_Barre() const { return Largeur_Barre_; }
    int scrollPosition() const;
    // The client area as last drawn, without the crosshair.
    const QImage& clientImage() const { return image_; }
    const ChartDrawing& drawing() const { return drawing_; }

    static Reticule& sharedReticule();

    // The modal steps, replaced by tests: the find dialog's showing, the picture's file name.
    std::function<void(TFindStock& dialog)> showFindDialog;
    std::function<QString(const QString& folder)> choosePictureFile;

signals:
    void statusValuesChanged(const QString& text);
    void statusDateChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void createBottomPanel();
    void createPopupMenu();
    QPushButton* addButton(const char* name, const QString& caption);
    void position_des_boutons();
    void setStepButtons();
    void showNewSymbol(const std::function<void()>& move);

    void ScrollBarChange();
    void BTN_ZoomINClick();
    void BTN_ZoomOutClick();
    void zoomTo(double Largeur_Barre);
    void BTN_PriorClick();
    void BTN_NextClick();
    void BTN_FindClick();
    void Data1Click();
    void Saveas1Click();
    void Trades1Click();
    void showBar(int bar);

    void Coords_Souris_Dans_StatusBar(int X, int Y);
    void Crosshair_MouseDown(int X, int Y);
    void Crosshair_MouseMove(int X, int Y);
    void Crosshair_MouseUp();
    void toggleCrosshair();

    ChartData data_;
    const Clock& clock_;
    double Largeur_Barre_ = 1.0;
    bool Premier_Affichage = true;
    bool Defilement_Pret = false;
    bool Fermeture = false;
    bool Reticule_Trace = false;
    int wheelAngle_ = 0;

    QImage image_;  // the drawing
    QImage shown_;  // the drawing with the crosshair, when there is one
    ChartDrawing drawing_;

    QWidget* PNL_Bottom = nullptr;
    QScrollBar* ScrollBar = nullptr;
    QPushButton* BTN_ZoomOut = nullptr;
    QPushButton* BTN_ZoomIN = nullptr;
    QPushButton* BTN_Prior = nullptr;
    QPushButton* BTN_Next = nullptr;
    QPushButton* BTN_Find = nullptr;
    QMenu* PopupChart = nullptr;
};

}  // namespace kiruvan
