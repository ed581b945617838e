#include "chart/ui/CHILDWIN.h"

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "chart/render/chart_picture.h"
#include "chart/ui/trades_window.h"
#include "database/ui/F_DataView.h"
#include "database/ui/F_FindStock.h"
#include "trading/parameter_search.h"
#include "widgets/dialog_helpers.h"

namespace kiruvan {
namespace {

constexpr int kPanelHeight = 19;
constexpr int kButtonWidth = 57;

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

TFChart::TFChart(const DataFolder& folder, const Clock& clock, QWidget* parent)
    : QWidget(parent), data_(folder), clock_(clock)
{
    setObjectName("TFChart");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(325 - 8, 54 - 27);
    createBottomPanel();
    createPopupMenu();
    position_des_boutons();
    showFindDialog = [](TFindStock& dialog) { dialog.exec(); };
    choosePictureFile = [this](const QString& folderText) {
        QFileDialog dialog(this, "Save as image", folderText, "Bitmaps (*.bmp);;Jpeg (*.jpg);;PNG (*.png)");
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix("bmp");
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
}

Reticule& TFChart::sharedReticule()
{
    static Reticule reticule;
    return reticule;
}

QPushButton* TFChart::addButton(const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption, PNL_Bottom);
    button->setObjectName(name);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void TFChart::createBottomPanel()
{
    PNL_Bottom = new QWidget(this);
    PNL_Bottom->setObjectName("PNL_Bottom");
    PNL_Bottom->setAutoFillBackground(true);
    // The captions fit their 57-pixel buttons in an 8-point font at 96 pixels per inch.
    QFont small = PNL_Bottom->font();
    small.setPixelSize(11);
    PNL_Bottom->setFont(small);
    ScrollBar = new QScrollBar(Qt::Horizontal, PNL_Bottom);
    ScrollBar->setObjectName("ScrollBar");
    ScrollBar->setFocusPolicy(Qt::NoFocus);
    ScrollBar->setRange(0, 1);
    ScrollBar->setValue(1);
    ScrollBar->setSingleStep(1);
    ScrollBar->setPageStep(1);
    BTN_ZoomOut = addButton("BTN_ZoomOut", "Zoom OUT");
    BTN_ZoomIN = addButton("BTN_ZoomIN", "Zoom IN");
    BTN_Prior = addButton("BTN_Prior", "Prior");
    BTN_Next = addButton("BTN_Next", "Next");
    BTN_Find = addButton("BTN_Find", "Find");
    for (QPushButton* button : {BTN_Prior, BTN_Next, BTN_Find})
        button->setEnabled(false);

    connect(ScrollBar, &QScrollBar::valueChanged, this, [this] { gui::runGuarded([this] { ScrollBarChange(); }); });
    const auto guarded = [this](QPushButton* button, void (TFChart::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { gui::runGuarded([this, handler] { (this->*handler)(); }); });
    };
    guarded(BTN_ZoomIN, &TFChart::BTN_ZoomINClick);
    guarded(BTN_ZoomOut, &TFChart::BTN_ZoomOutClick);
    guarded(BTN_Prior, &TFChart::BTN_PriorClick);
    guarded(BTN_Next, &TFChart::BTN_NextClick);
    guarded(BTN_Find, &TFChart::BTN_FindClick);
}

void TFChart::createPopupMenu()
{
    PopupChart = new QMenu(this);
    PopupChart->setObjectName("PopupChart");
    QAction* Data1 = PopupChart->addAction("&Data");
    Data1->setObjectName("Data1");
    QAction* Trades1 = PopupChart->addAction("&Trades ...");
    Trades1->setObjectName("Trades1");
    connect(Trades1, &QAction::triggered, this, [this] { gui::runGuarded([this] { Trades1Click(); }); });
    connect(PopupChart, &QMenu::aboutToShow, this, [this, Trades1] { Trades1->setEnabled(data_.hasParameters()); });
    PopupChart->addSeparator();
    QAction* Saveas1 = PopupChart->addAction("&Save as image ...");
    Saveas1->setObjectName("Saveas1");
    connect(Data1, &QAction::triggered, this, [this] { gui::runGuarded([this] { Data1Click(); }); });
    connect(Saveas1, &QAction::triggered, this, [this] { gui::runGuarded([this] { Saveas1Click(); }); });
}

// Each button 57 pixels left of the next, from the panel's right edge; the scroll bar takes
// what is left.
void TFChart::position_des_boutons()
{
    PNL_Bottom->setGeometry(0, height() - kPanelHeight, width(), kPanelHeight);
    int left = width();
    for (QPushButton* button : {BTN_Find, BTN_Next, BTN_Prior, BTN_ZoomIN, BTN_ZoomOut}) {
        left -= kButtonWidth;
        button->setGeometry(left, 0, kButtonWidth, kPanelHeight);
    }
    ScrollBar->setGeometry(0, 0, std::max(0, BTN_ZoomOut->x() - 2), kPanelHeight);
}

void TFChart::setMarket(int ID_Marche_Chart, const QString& Code_Titre_Demande)
{
    data_.ID_Marche_Chart = ID_Marche_Chart;
    data_.Code_Titre_Demande = Code_Titre_Demande.toStdString();
}

void TFChart::Initialisation()
{
    data_.openSymbolList(data_.ID_Marche_Chart);
    setStepButtons();
    LoadData(data_.Code_Titre_Courant);
}

void TFChart::setStepButtons()
{
    const bool enabled = data_.canStep();
    for (QPushButton* button : {BTN_Prior, BTN_Next, BTN_Find})
        button->setEnabled(enabled);
}

void TFChart::LoadData(const std::string& code)
{
    data_.LoadData(code);
    ScrollBar_MAX();
}

int TFChart::scrollPosition() const
{
    return ScrollBar->value();
}

// Sets the range and moves to the newest bars without drawing: the caller draws.
void TFChart::ScrollBar_MAX()
{
    Defilement_Pret = false;
    const ChartView range = scrollRange(width(), data_.NBBars(), Largeur_Barre_);
    ScrollBar->setMaximum(range.scrollMaximum);
    ScrollBar->setValue(range.scrollMaximum);
}

void TFChart::plot_Charts()
{
    if (Fermeture)
        return;
    Largeur_Barre_ = std::max(Largeur_Barre_, kSmallestZoom);
    {
        // A position above the new maximum is lowered; the drawing below shows it.
        const QSignalBlocker blocker(ScrollBar);
        ScrollBar->setMaximum(scrollRange(width(), data_.NBBars(), Largeur_Barre_).scrollMaximum);
    }
    Defilement_Pret = true;
    image_ = blankClientImage(width(), height());
    drawing_ = paintChart(image_, data_, Largeur_Barre_, ScrollBar->value());
    shown_ = image_;
    if (Reticule_Trace)
        invertCrosshair(shown_, sharedReticule().Reticule_X, sharedReticule().Reticule_Y);
    update();
}

void TFChart::SaveBMP_To_Disk(const std::filesystem::path& file) const
{
    kiruvan::SaveBMP_To_Disk(image_, file);
}

void TFChart::paintEvent(QPaintEvent*)
{
    if (Premier_Affichage || shown_.size() != size())
        plot_Charts();
    if (Premier_Affichage) {
        Premier_Affichage = false;
        ScrollBar->setValue(ScrollBar->maximum());
    }
    QPainter painter(this);
    painter.drawImage(0, 0, shown_);
}

void TFChart::resizeEvent(QResizeEvent*)
{
    position_des_boutons();
    plot_Charts();
}

void TFChart::showEvent(QShowEvent*)
{
    plot_Charts();
}

void TFChart::closeEvent(QCloseEvent* event)
{
    Fermeture = true;
    emit statusValuesChanged(QString());
    emit statusDateChanged(QString());
    event->accept();
}

void TFChart::ScrollBarChange()
{
    if (Defilement_Pret)
        plot_Charts();
}

void TFChart::BTN_ZoomINClick()
{
    zoomTo(zoomedIn(Largeur_Barre_));
}

void TFChart::BTN_ZoomOutClick()
{
    zoomTo(zoomedOut(Largeur_Barre_));
}

// Each zoom leaves the button that can go no further disabled and moves to the newest bars.
void TFChart::zoomTo(double Largeur_Barre)
{
    Largeur_Barre_ = Largeur_Barre;
    BTN_ZoomIN->setEnabled(canZoomIn(Largeur_Barre_));
    BTN_ZoomOut->setEnabled(canZoomOut(Largeur_Barre_));
    ScrollBar_MAX();
    plot_Charts();
}

// The view moves to the newest bars of the symbol reached.
void TFChart::showNewSymbol(const std::function<void()>& move)
{
    move();
    ScrollBar_MAX();
    plot_Charts();
}

void TFChart::showListedCode(const std::string& code)
{
    showNewSymbol([this, &code] { data_.loadListedCode(code); });
}

void TFChart::BTN_PriorClick()
{
    showNewSymbol([this] { data_.priorSymbol(); });
}

void TFChart::BTN_NextClick()
{
    showNewSymbol([this] { data_.nextSymbol(); });
}

void TFChart::BTN_FindClick()
{
    Table& list = data_.CDS_Master;
    const int remembered = list.recNo();
    TFindStock dialog(list, this);
    showFindDialog(dialog);
    if (dialog.Choix_OK == 1)
        showNewSymbol([this] { data_.loadCurrentSymbol(); });
    else
        list.moveBy(remembered - list.recNo());
}

void TFChart::Data1Click()
{
    TFDataView::showFor(this, data_.folder(), fromStd(data_.Code_Titre_Courant), fromStd(data_.Nom_Titre_Courant),
                        clock_);
    LoadData(data_.Code_Titre_Courant);
    plot_Charts();
}

void TFChart::Trades1Click()
{
    if (!data_.parameters)
        return;
    // The engine's own evaluation of the pair, so that the rows are those behind the statistics.
    auto bars = std::make_unique<BarSeries>(data_.series().bars);
    evaluateParameterPair(*bars, {data_.parameters->Opt1, data_.parameters->Opt2}, data_.First_Bar);
    auto* window = new TradesWindow(fromStd(data_.Nom_Titre_Courant), tradeList(*bars, data_.First_Bar), this);
    connect(window, &TradesWindow::entryBarRequested, this, &TFChart::showBar);
    window->show();
}

void TFChart::showBar(int bar)
{
    {
        const QSignalBlocker blocker(ScrollBar);
        ScrollBar->setValue(positionShowing(width(), data_.NBBars(), Largeur_Barre_, bar));
    }
    plot_Charts();
}

void TFChart::Saveas1Click()
{
    QString folderText = QString::fromStdString(data_.folder().root().string());
    const QString file = choosePictureFile(folderText);
    if (file.isEmpty())
        return;
    plot_Charts();
    SaveBMP_To_Disk(file.toStdString());
}

}  // namespace kiruvan
