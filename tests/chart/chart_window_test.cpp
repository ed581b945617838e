#include "chart/ui/CHILDWIN.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QWheelEvent>
#include <sstream>

#include "app/MAIN.h"
#include "chart_fixture.h"
#include "cli/cli.h"
#include "database/ui/F_DataView.h"
#include "database/ui/F_FindStock.h"
#include "database/ui/F_Open.h"
#include "support/gui_support.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using test::ChartFolder;

class ChartWindowTest : public ::testing::Test {
protected:
    TFChart& open(int market, const QString& code, QSize size = {700, 400})
    {
        chart = std::make_unique<TFChart>(folder.folder(), clock);
        chart->resize(size);
        QObject::connect(chart.get(), &TFChart::statusValuesChanged, [this](const QString& t) { values = t; });
        QObject::connect(chart.get(), &TFChart::statusDateChanged, [this](const QString& t) { date = t; });
        chart->setMarket(market, code);
        chart->Initialisation();
        chart->plot_Charts();
        return *chart;
    }

    QPushButton* button(const char* name) const { return chart->findChild<QPushButton*>(name); }
    int position() const { return chart->scrollPosition(); }
    int maximum() const { return chart->findChild<QScrollBar*>("ScrollBar")->maximum(); }
    std::string symbol() const { return chart->data().Code_Titre_Courant; }

    void moveMouse(int x, int y)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(chart.get(), &move);
    }

    void mouse(QEvent::Type type, int x, int y, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(x, y), QPointF(x, y), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(chart.get(), &event);
    }

    QRgb shownPixel(int x, int y) const { return chart->grab().toImage().pixel(x, y) | 0xFF000000; }

    void press(int key)
    {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(chart.get(), &event);
    }

    void wheel(int angle, Qt::KeyboardModifiers modifiers)
    {
        QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, angle), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart.get(), &event);
    }

    ChartFolder folder;
    FixedClock clock = test::fixedClock2026();
    std::unique_ptr<TFChart> chart;
    QString values, date;
};

TEST_F(ChartWindowTest, ZoomButtonsStepAndDisableAtTheEnds)
{
    open(1, "ALP");
    for (int i = 0; i < 6; ++i)
        button("BTN_ZoomIN")->click();
    EXPECT_EQ(chart->Largeur_Barre(), 7.5);
    while (button("BTN_ZoomIN")->isEnabled())
        button("BTN_ZoomIN")->click();
    EXPECT_EQ(chart->Largeur_Barre(), 96.5);
    button("BTN_ZoomOut")->click();
    EXPECT_EQ(chart->Largeur_Barre(), 86.5);
    EXPECT_TRUE(button("BTN_ZoomIN")->isEnabled());
    EXPECT_EQ(position(), maximum());

    open(1, "ALP");
    button("BTN_ZoomOut")->click();
    EXPECT_EQ(chart->Largeur_Barre(), 0.5);
    EXPECT_FALSE(button("BTN_ZoomOut")->isEnabled());
    button("BTN_ZoomIN")->click();
    EXPECT_EQ(chart->Largeur_Barre(), 1.0);
}

TEST_F(ChartWindowTest, PriorAndNextNeedTwoSymbolsAndWrap)
{
    open(2, "");
    for (const char* name : {"BTN_Prior", "BTN_Next", "BTN_Find"})
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    open(1, "O'N");
    EXPECT_TRUE(button("BTN_Find")->isEnabled());
    button("BTN_Next")->click();
    EXPECT_EQ(symbol(), "ALP");
    EXPECT_EQ(position(), maximum());
    button("BTN_Prior")->click();
    EXPECT_EQ(symbol(), "O'N");
}

TEST_F(ChartWindowTest, FindConfirmsTheTypedNameOrPutsTheListBack)
{
    open(1, "BET");
    chart->showFindDialog = [](TFindStock& dialog) {
        dialog.findChild<QTableView*>("DBG")->keyboardSearch("Ga");
        dialog.reject();
    };
    button("BTN_Find")->click();
    EXPECT_EQ(symbol(), "BET");
    EXPECT_EQ(chart->data().CDS_Master.field("Code_Titre").asString(), "BET");
    EXPECT_EQ(chart->data().NBBars(), 300);

    chart->showFindDialog = [](TFindStock& dialog) {
        dialog.findChild<QTableView*>("DBG")->keyboardSearch("Ga");
        dialog.findChild<QPushButton*>("OK")->click();
    };
    button("BTN_Find")->click();
    EXPECT_EQ(symbol(), "GAM");
}

TEST_F(ChartWindowTest, StatusBarReadsValuesAndDatesUnderTheMouse)
{
    open(1, "ALP");
    moveMouse(620, 100);
    EXPECT_EQ(date, "N/A");
    EXPECT_TRUE(values.startsWith("Alpha = ")) << values.toStdString();
    moveMouse(300, 380);
    EXPECT_EQ(values, "N/A");
    EXPECT_EQ(date.size(), 10);
    press(Qt::Key_Home);
    moveMouse(0, 300);
    EXPECT_EQ(date, "");
    EXPECT_TRUE(values.startsWith("Equity Curve = ")) << values.toStdString();
}

TEST_F(ChartWindowTest, KeysAndWheelDoWhatTheButtonsDo)
{
    open(1, "ALP");
    const int last = maximum();
    press(Qt::Key_Home);
    EXPECT_EQ(position(), 0);
    press(Qt::Key_Right);
    wheel(-120, Qt::NoModifier);
    EXPECT_EQ(position(), 2);
    press(Qt::Key_Left);
    EXPECT_EQ(position(), 1);
    press(Qt::Key_End);
    EXPECT_EQ(position(), last);
    press(Qt::Key_Plus);
    EXPECT_EQ(chart->Largeur_Barre(), 1.5);
    wheel(120, Qt::ControlModifier);
    EXPECT_EQ(chart->Largeur_Barre(), 2.0);
    press(Qt::Key_Minus);
    wheel(-60, Qt::ControlModifier);
    EXPECT_EQ(chart->Largeur_Barre(), 1.5);
    wheel(-60, Qt::ControlModifier);
    EXPECT_EQ(chart->Largeur_Barre(), 1.0);
    press(Qt::Key_PageDown);
    EXPECT_EQ(symbol(), "BET");
    press(Qt::Key_PageUp);
    EXPECT_EQ(symbol(), "ALP");
}

TEST_F(ChartWindowTest, CrosshairFollowsAHeldButtonAndGoesWithIt)
{
    open(1, "ALP");
    const QRgb drawn = chart->clientImage().pixel(60, 10) | 0xFF000000;
    mouse(QEvent::MouseButtonPress, 50, 50, Qt::LeftButton);
    EXPECT_EQ(shownPixel(60, 10), drawn);
    mouse(QEvent::MouseMove, 60, 70, Qt::LeftButton);
    EXPECT_EQ(shownPixel(60, 10), (~drawn) | 0xFF000000);
    EXPECT_EQ(TFChart::sharedReticule().Reticule_X, 60);
    mouse(QEvent::MouseButtonRelease, 60, 70, Qt::NoButton);
    EXPECT_EQ(shownPixel(60, 10), drawn);
    EXPECT_FALSE(TFChart::sharedReticule().Reticule_Bouton);
}

TEST_F(ChartWindowTest, DataEditorCorrectionsShowWhenItCloses)
{
    open(1, "BET");
    QTimer::singleShot(0, [] {
        auto* editor = qobject_cast<TFDataView*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        editor->CDS_Data().last();
        editor->CDS_Data().remove();
        for (QPushButton* b : editor->findChildren<QPushButton*>()) {
            if (b->text() == "OK")
                b->click();
        }
    });
    chart->findChild<QAction*>("Data1")->trigger();
    EXPECT_EQ(chart->data().NBBars(), 299);
    EXPECT_EQ(position(), maximum());
}

TEST_F(ChartWindowTest, SavedPictureHasTheClientSizeAndTheCaptionBand)
{
    open(1, "ALP", {640, 360});
    for (const char* name : {"chart.bmp", "chart.JPG", "chart.png"}) {
        const QString file = QString::fromStdString(folder.file(name).string());
        chart->choosePictureFile = [file](const QString&) { return file; };
        chart->findChild<QAction*>("Saveas1")->trigger();
        const QImage picture(file);
        ASSERT_EQ(picture.size(), QSize(640, 360)) << name;
        if (std::string(name) == "chart.JPG")
            continue;
        int yellow = 0;
        for (int y = 340; y < 360; ++y) {
            for (int x = 0; x < 640; ++x) {
                const QRgb c = picture.pixel(x, y) & 0xFFFFFF;
                ASSERT_TRUE(c == 0 || c == 0xFFFF00) << name << " " << x << "," << y;
                yellow += c != 0;
            }
        }
        EXPECT_GT(yellow, 100) << name;
    }
}

TEST_F(ChartWindowTest, UnknownPictureTypeWritesNothingAndSaysWhy)
{
    open(1, "ALP");
    const auto file = folder.file("chart.jpeg");
    chart->choosePictureFile = [file](const QString&) { return QString::fromStdString(file.string()); };
    test::MessageBoxAnswer ok(QMessageBox::Ok);
    chart->findChild<QAction*>("Saveas1")->trigger();
    EXPECT_TRUE(ok.text().contains("was not saved")) << ok.text().toStdString();
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ChartWindowTest, BatchPictureEqualsTheWindowsPicture)
{
    open(1, "ALP", {700, 420});
    button("BTN_ZoomIN")->click();
    const auto fromWindow = folder.file("window.png");
    const auto fromBatch = folder.file("batch.png");
    chart->SaveBMP_To_Disk(fromWindow);
    std::ostringstream out, err;
    const int status = cli::runCommandLine(
        {"chart", "ALP", "--width", "700", "--height", "420", "--zoom", "1.5", "--out", fromBatch.string()},
        folder.folder().root().string(), clock, out, err);
    ASSERT_EQ(status, 0) << err.str();
    EXPECT_EQ(QImage(QString::fromStdString(fromWindow.string())), QImage(QString::fromStdString(fromBatch.string())));
    EXPECT_EQ(
        cli::runCommandLine({"chart", "ALP", "--out", "chart.gif"}, folder.folder().root().string(), clock, out, err),
        2);
}

TEST_F(ChartWindowTest, OpenDialogListsMarketsByName)
{
    TFOPEN dialog(folder.folder());
    EXPECT_EQ(dialog.windowTitle(), "Open...");
    dialog.findChild<QPushButton*>("BTN_OK")->click();
    EXPECT_EQ(dialog.ID_Marche_Choisi, 1);
    EXPECT_EQ(dialog.Nom_Marche_Choisi, "NYSE");

    folder.writeMarkets({});
    TFOPEN empty(folder.folder());
    EXPECT_FALSE(empty.findChild<QPushButton*>("BTN_OK")->isEnabled());
    empty.findChild<QPushButton*>("BTN_Cancel")->click();
    EXPECT_EQ(empty.ID_Marche_Choisi, -1);
}

TEST_F(ChartWindowTest, MainWindowOpensAChartPerCallAndClosingEmptiesTheReadOut)
{
    TBrannock window(folder.folder());
    window.Ouvre_Chart("NYSE", 1, "GAM");
    window.Ouvre_Chart("NYSE", 1, "");
    ASSERT_EQ(window.mdiArea()->subWindowList().size(), 2);
    auto* first = qobject_cast<TFChart*>(window.mdiArea()->subWindowList().first()->widget());
    EXPECT_EQ(first->data().Code_Titre_Courant, "GAM");
    window.setStatusValues("Gamma = 1.00");
    window.setStatusDate("01/02/2024");
    window.mdiArea()->subWindowList().first()->close();
    EXPECT_EQ(window.statusPanel(1)->text(), "");
    EXPECT_EQ(window.statusPanel(2)->text(), "");
    test::freeClosedWindows();
}

TEST_F(ChartWindowTest, AReportRowReusesTheMarketsChartOrOpensOne)
{
    TBrannock window(folder.folder());
    window.Ouvre_Chart("NYSE", 1, "ALP");
    auto* reused = qobject_cast<TFChart*>(window.mdiArea()->subWindowList().first()->widget());
    const auto shown = [&](const QString& market, int id, const QString& code) {
        window.showSymbolChart(market, id, code);
        return reused->data().Code_Titre_Courant;
    };
    EXPECT_EQ(shown("NYSE", 1, "GAM"), "GAM");
    EXPECT_EQ(window.mdiArea()->subWindowList().size(), 1);
    // A code the list no longer holds shows its last symbol.
    const std::string last = (reused->data().CDS_Master.last(), reused->data().CDS_Master["Code_Titre"].asString());
    EXPECT_EQ(shown("NYSE", 1, "GONE"), last);
    window.showSymbolChart("Solo", 2, "XEN");
    EXPECT_EQ(window.mdiArea()->subWindowList().size(), 2);
    test::freeClosedWindows();
}

}  // namespace
}  // namespace kiruvan
