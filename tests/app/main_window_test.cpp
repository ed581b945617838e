#include "app/MAIN.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "app/USplashForm.h"
#include "app/about.h"
#include "database/market_manager.h"
#include "database/master_table.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "support/gui_support.h"
#include "support/temp_folder.h"
#include "widgets/kiruvan_application.h"

namespace kiruvan {
namespace {

using test::MessageBoxAnswer;

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() : window(DataFolder(folder.path())) {}

    QMdiSubWindow* addChild(const QString& title)
    {
        auto* content = new QWidget;
        content->setWindowTitle(title);
        content->resize(200, 150);
        return window.addChildWindow(content);
    }

    template <class Order>
    QList<QRect> childPlaces(Order order) const
    {
        QList<QRect> places;
        for (QMdiSubWindow* child : window.mdiArea()->subWindowList())
            places.append(child->geometry());
        std::sort(places.begin(), places.end(), order);
        return places;
    }

    void showAt(int width, int height)
    {
        window.show();
        window.resize(width, height);
        QCoreApplication::processEvents();
    }

    test::TempFolder folder;
    TBrannock window;
};

TEST_F(MainWindowTest, StartUpCreatesBothTablesInTheDataFolder)
{
    EXPECT_TRUE(std::filesystem::exists(folder.file("Master.cds")));
    EXPECT_TRUE(std::filesystem::exists(folder.file("Markets.cds")));
    EXPECT_EQ(window.dataFolderText().toStdString(), folder.withSeparator());
    EXPECT_EQ(window.windowTitle(), "Kiruvan");
}

TEST_F(MainWindowTest, StatusPanelsFollowTheResizeRule)
{
    showAt(1000, 700);
    ASSERT_EQ(window.width(), 1000);
    EXPECT_EQ(window.statusPanel(0)->width(), 300);
    EXPECT_EQ(window.statusPanel(1)->width(), 630);
    EXPECT_EQ(window.statusPanel(2)->width(), 70);
    EXPECT_EQ(window.statusPanel(2)->geometry().right(), window.width() - 1);

    showAt(1200, 700);
    EXPECT_EQ(window.statusPanel(1)->width(), 830);
    EXPECT_EQ(window.statusPanel(2)->width(), 70);
}

TEST_F(MainWindowTest, StatusBarShowsTheLongPartOfHints)
{
    test::child<QAction>(window, "FileCloseItem")->showStatusText(&window);
    EXPECT_EQ(window.statusPanel(0)->text(), "Close the Market");
    EXPECT_EQ(test::child<QAction>(window, "FileCloseItem")->toolTip(), "Close");

    test::child<QAction>(window, "SpeedButton2")->showStatusText(&window);
    EXPECT_EQ(window.statusPanel(0)->text(), "Launch a powerfull backtest on selected market");
    test::child<QAction>(window, "WindowArrangeItem")->showStatusText(&window);
    EXPECT_EQ(window.statusPanel(0)->text(), "Arrange All");

    // Chart windows write the other two panels.
    window.setStatusValues("O 1.00");
    window.setStatusDate("05/03/2026");
    EXPECT_EQ(window.statusPanel(1)->text(), "O 1.00");
    EXPECT_EQ(window.statusPanel(0)->text(), "Arrange All");
}

TEST_F(MainWindowTest, AHintGoesOnceTheMouseIsOutsideTheWidgetThatGaveIt)
{
    showAt(1000, 800);
    QWidget* button =
        test::child<QToolBar>(window, "ToolBar2")->widgetForAction(test::child<QAction>(window, "SpeedButton3"));
    const auto enter = [](QWidget* widget) {
        QEnterEvent event(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
        QApplication::sendEvent(widget, &event);
    };
    const QString hint = "Update the database from ASCII files";
    enter(button);
    EXPECT_EQ(window.statusPanel(0)->text(), hint);
    // The desktop did not tell the button it was left: entering another widget tells.
    enter(window.mdiArea()->viewport());
    EXPECT_EQ(window.statusPanel(0)->text(), "");
    enter(button);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(window.statusPanel(0)->text(), "");
}

TEST_F(MainWindowTest, ToolButtonsFollowTheirCommands)
{
    EXPECT_TRUE(test::child<QAction>(window, "SpeedButton1")->isEnabled());
    EXPECT_TRUE(test::child<QAction>(window, "SpeedButton4")->isEnabled());
    EXPECT_TRUE(test::child<QAction>(window, "GestiondesMarchs1")->isEnabled());
    EXPECT_TRUE(test::child<QAction>(window, "GestiondesTitres1")->isEnabled());
#ifdef KIRUVAN_HAS_WEB
    EXPECT_TRUE(test::child<QAction>(window, "Web1")->isEnabled());
#else
    EXPECT_FALSE(test::child<QAction>(window, "Web1")->isEnabled());
#endif

    test::child<QAction>(window, "MiseJour1")->setEnabled(false);
    EXPECT_FALSE(test::child<QAction>(window, "SpeedButton3")->isEnabled());
    test::child<QAction>(window, "MiseJour1")->setEnabled(true);
    EXPECT_TRUE(test::child<QAction>(window, "SpeedButton3")->isEnabled());

    // Count the command's runs instead of opening its modal dialog.
    QObject::disconnect(test::child<QAction>(window, "MiseJour1"), &QAction::triggered, &window,
                        &TBrannock::MiseJour1Click);
    int runs = 0;
    QObject::connect(test::child<QAction>(window, "MiseJour1"), &QAction::triggered, [&runs] { ++runs; });
    auto* button = qobject_cast<QToolButton*>(
        test::child<QToolBar>(window, "ToolBar2")->widgetForAction(test::child<QAction>(window, "SpeedButton3")));
    ASSERT_NE(button, nullptr);
    button->click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(button->text(), "Update database");
}

TEST_F(MainWindowTest, PerformanceReportIsOneWindowBroughtForward)
{
    test::child<QAction>(window, "signals1")->trigger();
    test::child<QAction>(window, "signals1")->trigger();
    EXPECT_EQ(window.mdiArea()->subWindowList().size(), 1);
    window.Ferme_Fenetres_Filles();
    test::freeClosedWindows();
}

TEST_F(MainWindowTest, ClosingChildWindowsLeavesNoneAndFreesThem)
{
    QList<QPointer<QWidget>> contents;
    for (const char* title : {"Nasdaq", "Nyse", "Nasdaq", "Performance Report"})
        contents.append(addChild(title)->widget());
    ASSERT_EQ(window.mdiArea()->subWindowList().size(), 4);

    window.Ferme_Fenetres_Filles();
    test::freeClosedWindows();
    EXPECT_TRUE(window.mdiArea()->subWindowList().isEmpty());
    for (const auto& content : contents)
        EXPECT_TRUE(content.isNull());

    window.Ferme_Fenetres_Filles();  // nothing left to close is fine
}

TEST_F(MainWindowTest, CloseCommandNeedsAnActiveChild)
{
    showAt(900, 600);
    EXPECT_FALSE(test::child<QAction>(window, "FileCloseItem")->isEnabled());
    QMdiSubWindow* child = addChild("Chart");
    window.mdiArea()->setActiveSubWindow(child);
    EXPECT_TRUE(test::child<QAction>(window, "FileCloseItem")->isEnabled());
    test::child<QAction>(window, "FileCloseItem")->trigger();
    test::freeClosedWindows();
    EXPECT_TRUE(window.mdiArea()->subWindowList().isEmpty());
    EXPECT_FALSE(test::child<QAction>(window, "FileCloseItem")->isEnabled());
}

TEST_F(MainWindowTest, NewWindowsOpenInSightAndCascadeKeepsThemUsable)
{
    showAt(1000, 800);
    const QRect area = window.mdiArea()->viewport()->rect();
    QList<QMdiSubWindow*> children;
    for (const char* title : {"A", "B", "C", "D"}) {
        auto* content = new QWidget;
        content->setWindowTitle(title);
        children.append(window.addChildWindow(content, area.size() * 3 / 4));
        EXPECT_TRUE(area.contains(children.last()->geometry())) << title;
    }
    children[1]->setMinimumSize(area.width() * 9 / 10, 54);

    test::child<QAction>(window, "WindowCascadeItem")->trigger();
    for (QMdiSubWindow* child : children) {
        EXPECT_EQ(child->height(), area.height() * 4 / 5);
        EXPECT_EQ(child->width(), std::max(area.width() * 4 / 5, child->minimumWidth()));
        EXPECT_TRUE(area.contains(child->geometry().topLeft()));
    }
}

TEST_F(MainWindowTest, TileHorizontallyStacksFullWidthWindows)
{
    showAt(1000, 800);
    for (const char* title : {"A", "B", "C"})
        addChild(title)->showMaximized();
    test::child<QAction>(window, "WindowTileItem")->trigger();

    const QRect area = window.mdiArea()->viewport()->rect();
    const QList<QRect> places = childPlaces([](const QRect& a, const QRect& b) { return a.y() < b.y(); });
    int next = 0;
    for (const QRect& place : places) {
        EXPECT_EQ(place.x(), 0);
        EXPECT_EQ(place.width(), area.width());
        EXPECT_EQ(place.y(), next);
        next = place.bottom() + 1;
    }
    EXPECT_EQ(next, area.height());
}

TEST_F(MainWindowTest, TileVerticallyPutsFullHeightWindowsSideBySide)
{
    showAt(1000, 800);
    for (const char* title : {"A", "B"})
        addChild(title);
    test::child<QAction>(window, "WindowTileItem2")->trigger();

    const QRect area = window.mdiArea()->viewport()->rect();
    const QList<QRect> places = childPlaces([](const QRect& a, const QRect& b) { return a.x() < b.x(); });
    ASSERT_EQ(places.size(), 2);
    EXPECT_EQ(places[0], QRect(0, 0, area.width() / 2 + area.width() % 2, area.height()));
    EXPECT_EQ(places[1].left(), places[0].right() + 1);
    EXPECT_EQ(places[1].right(), area.width() - 1);
}

TEST_F(MainWindowTest, MinimizeAllAndTheWindowList)
{
    showAt(1000, 800);
    addChild("Nasdaq");
    QMdiSubWindow* second = addChild("Nyse");
    test::child<QAction>(window, "WindowMinimizeItem")->trigger();
    for (QMdiSubWindow* child : window.mdiArea()->subWindowList())
        EXPECT_TRUE(child->isMinimized());
    test::child<QAction>(window, "WindowArrangeItem")->trigger();
    EXPECT_EQ(second->geometry().bottom(), window.mdiArea()->viewport()->height() - 1);

    emit test::child<QMenu>(window, "Window1")->aboutToShow();
    QStringList titles;
    for (QAction* action : test::child<QMenu>(window, "Window1")->actions())
        titles.append(action->text());
    EXPECT_TRUE(titles.contains("&1 Nasdaq"));
    EXPECT_TRUE(titles.contains("&2 Nyse"));
    // Shown again, the list is rebuilt rather than appended to.
    emit test::child<QMenu>(window, "Window1")->aboutToShow();
    EXPECT_EQ(test::child<QMenu>(window, "Window1")->actions().size(), titles.size());
}

#ifdef KIRUVAN_HAS_WEB
TEST_F(MainWindowTest, WebWindowsAreListedInTheWindowMenu)
{
    showAt(1000, 800);
    addChild("Nasdaq");
    test::child<QAction>(window, "Web1")->trigger();
    emit test::child<QMenu>(window, "Window1")->aboutToShow();
    QStringList titles;
    for (QAction* action : test::child<QMenu>(window, "Window1")->actions())
        titles.append(action->text());
    EXPECT_TRUE(titles.contains("&2 Web")) << titles.join('|').toStdString();
    window.Ferme_Fenetres_Filles();
    test::freeClosedWindows();
}
#endif

TEST_F(MainWindowTest, QuitAsksAndNoKeepsEverything)
{
    showAt(900, 600);
    addChild("Nasdaq");
    {
        MessageBoxAnswer no(QMessageBox::No);
        EXPECT_FALSE(window.close());
        EXPECT_TRUE(no.answered());
        EXPECT_EQ(no.text(), "Do you want leave Kiruvan ?");
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.mdiArea()->subWindowList().size(), 1);

    MessageBoxAnswer yes(QMessageBox::Yes);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, EditCommandsWorkOnTheFocusedText)
{
    showAt(900, 600);
    auto* edit = new QLineEdit("12.50");
    window.addChildWindow(edit);
    window.activateWindow();
    edit->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), edit);

    edit->selectAll();
    test::child<QAction>(window, "CutItem")->trigger();
    EXPECT_EQ(edit->text(), "");
    test::child<QAction>(window, "PasteItem")->trigger();
    test::child<QAction>(window, "PasteItem")->trigger();
    EXPECT_EQ(edit->text(), "12.5012.50");
}

void writeMaster(const std::filesystem::path& file, std::initializer_list<std::pair<const char*, int>> symbols)
{
    Table master;
    defineMasterLayout(master);
    master.create();
    for (const auto& [code, market] : symbols) {
        master.append();
        master["Code_Titre"].setAsString(code);
        master["Nom_Titre"].setAsString(code);
        master["Code_Marche"].setAsInteger(market);
        master.post();
    }
    master.saveToFile(file);
}

TEST_F(MainWindowTest, OpeningAMarketWithoutSymbolsSaysSoAndOpensNothing)
{
    writeMaster(folder.file("Master.cds"), {{"MSFT", 2}, {"IBM", 2}});
    MessageBoxAnswer ok(QMessageBox::Ok);
    window.Ouvre_Chart("Nasdaq", 1, "");
    EXPECT_TRUE(ok.answered());
    EXPECT_EQ(ok.text(), "Symbol not found in 'Nasdaq'.");
    EXPECT_EQ(ok.icon(), QMessageBox::Question);
    EXPECT_TRUE(window.mdiArea()->subWindowList().isEmpty());
}

TEST_F(MainWindowTest, MarketNamesAreQuotedLikeTextLiterals)
{
    MessageBoxAnswer ok(QMessageBox::Ok);
    window.Ouvre_Chart("Bob's 'best'", 7, "");
    EXPECT_EQ(ok.text(), "Symbol not found in 'Bob''s ''best'''.");
}

// An object whose event handler fails the way a command can.
class FailingHandler : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("Cannot open file \"/data/Master.cds\".");
        return QObject::event(event);
    }
};

TEST(GeneralErrorBox, ShowsAnEscapedErrorAndCarriesOn)
{
    FailingHandler handler;
    MessageBoxAnswer ok(QMessageBox::Ok);
    QEvent event(QEvent::User);
    EXPECT_NO_THROW(QCoreApplication::sendEvent(&handler, &event));
    EXPECT_TRUE(ok.answered());
    EXPECT_EQ(ok.icon(), QMessageBox::Critical);
    EXPECT_EQ(ok.text(), "Cannot open file \"/data/Master.cds\".");

    QEvent again(QEvent::User);
    MessageBoxAnswer second(QMessageBox::Ok);
    QCoreApplication::sendEvent(&handler, &again);
    EXPECT_TRUE(second.answered());
}

void click(QWidget& widget)
{
    const QPointF at(widget.width() / 2.0, widget.height() / 2.0);
    const QPointF global = widget.mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

TEST(GeneralErrorBox, ACommandThatFailsLeavesItsButtonUsable)
{
    QPushButton button("Apply");
    button.resize(80, 24);
    button.show();
    int runs = 0;
    QObject::connect(&button, &QPushButton::clicked, [&runs] {
        ++runs;
        throw std::invalid_argument("not a number: 12,5");
    });
    for (int attempt = 1; attempt <= 2; ++attempt) {
        MessageBoxAnswer ok(QMessageBox::Ok);
        click(button);
        EXPECT_TRUE(ok.answered());
        EXPECT_EQ(ok.text(), "not a number: 12,5");
        EXPECT_EQ(runs, attempt);
        EXPECT_FALSE(button.isDown());
    }
}

TEST(Splash, FadesInFifteenStepsThenStays)
{
    TFSplashForm splash;
    EXPECT_EQ(splash.size(), QSize(399, 258));
    EXPECT_EQ(splash.alphaBlendValue(), 100);
    EXPECT_TRUE(splash.Timer1->isActive());
    EXPECT_EQ(splash.Timer1->interval(), 100);
    for (int step = 1; step <= 15; ++step) {
        ASSERT_TRUE(splash.Timer1->isActive()) << "stopped before step " << step;
        splash.Timer1Timer();
    }
    EXPECT_EQ(splash.alphaBlendValue(), 250);
    EXPECT_FALSE(splash.Timer1->isActive());
    EXPECT_TRUE(splash.Timer_close->isActive());
    EXPECT_EQ(splash.Timer_close->interval(), 2500);
}

TEST(Splash, ItsCloseTimerEndsTheModalShowing)
{
    TFSplashForm splash;
    splash.Timer_close->start(10);
    splash.exec();
    EXPECT_FALSE(splash.isVisible());
}

}  // namespace
}  // namespace kiruvan
