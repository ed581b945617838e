#include "app/MAIN.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/about.h"
#include "widgets/app_pictures.h"
#include "widgets/gui_helpers.h"
#include "widgets/status_panel_bar.h"
#include "widgets/window_layout.h"

namespace kiruvan {
namespace {

constexpr int kToolBarHeight = 30;

}  // namespace

// Tool, Web needs the web engine, which a build may lack: nothing pretends to work.
// The commands go by their names, for the tests that drive them.
void TBrannock::nameCommands()
{
    const std::pair<QObject*, const char*> named[] = {
        {FileOpenItem, "FileOpenItem"},
        {FileCloseItem, "FileCloseItem"},
        {FileExitItem, "FileExitItem"},
        {CutItem, "CutItem"},
        {CopyItem, "CopyItem"},
        {PasteItem, "PasteItem"},
        {GestiondesMarchs1, "GestiondesMarchs1"},
        {GestiondesTitres1, "GestiondesTitres1"},
        {MiseJour1, "MiseJour1"},
        {Scanneur1, "Scanneur1"},
        {signals1, "signals1"},
        {WindowCascadeItem, "WindowCascadeItem"},
        {WindowTileItem, "WindowTileItem"},
        {WindowTileItem2, "WindowTileItem2"},
        {WindowMinimizeItem, "WindowMinimizeItem"},
        {WindowArrangeItem, "WindowArrangeItem"},
        {Web1, "Web1"},
        {HelpAboutItem, "HelpAboutItem"},
        {SpeedButton1, "SpeedButton1"},
        {SpeedButton3, "SpeedButton3"},
        {SpeedButton2, "SpeedButton2"},
        {SpeedButton4, "SpeedButton4"},
        {Window1, "Window1"},
        {ToolBar2, "ToolBar2"},
        {AboutBox, "AboutBox"},
    };
    for (const auto& [object, name] : named)
        object->setObjectName(name);
}

void TBrannock::enableAvailableCommands()
{
#ifndef KIRUVAN_HAS_WEB
    Web1->setEnabled(false);
#endif
}

QAction* TBrannock::addCommand(QMenu* menu, const QString& caption, const QString& hint)
{
    QAction* action = menu->addAction(caption);
    if (!hint.isEmpty())
        setHint(*action, hint);
    return action;
}

void TBrannock::createMenus()
{
    createFileMenu();
    createEditMenu();
    createDatabaseMenu();
    createTradingMenu();
    createWindowMenu();
    createToolAndHelpMenus();
}

void TBrannock::createFileMenu()
{
    QMenu* file = menuBar()->addMenu("&File");
    setHint(*file->menuAction(), "File");
    FileOpenItem = addCommand(file, "&Open", "Open a Market|Open a Market");
    FileOpenItem->setShortcut(QKeySequence("Ctrl+O"));
    FileOpenItem->setIcon(pictureIcon(Picture::OpenMarket));
    connect(FileOpenItem, &QAction::triggered, this, &TBrannock::FileOpen1Execute);

    FileCloseItem = addCommand(file, "&Close", "Close|Close the Market");
    connect(FileCloseItem, &QAction::triggered, mdiArea_, &QMdiArea::closeActiveSubWindow);
    connect(file, &QMenu::aboutToShow, this, &TBrannock::updateCloseCommand);

    file->addSeparator();
    FileExitItem = addCommand(file, "&Quit", "Quit|Quit Brannock");
    connect(FileExitItem, &QAction::triggered, this, &QWidget::close);
}

void TBrannock::createEditMenu()
{
    QMenu* edit = menuBar()->addMenu("&Edition");
    setHint(*edit->menuAction(), "Edition");
    CutItem = addCommand(edit, "C&ut", "Cut|Cut");
    CutItem->setShortcut(QKeySequence("Ctrl+X"));
    connect(CutItem, &QAction::triggered, this, [this] { clipboardOnFocus("cut()"); });
    CopyItem = addCommand(edit, "C&opy", "Copy|Copy");
    CopyItem->setShortcut(QKeySequence("Ctrl+C"));
    connect(CopyItem, &QAction::triggered, this, [this] { clipboardOnFocus("copy()"); });
    PasteItem = addCommand(edit, "P&aste", "Paste|Paste");
    PasteItem->setShortcut(QKeySequence("Ctrl+V"));
    connect(PasteItem, &QAction::triggered, this, [this] { clipboardOnFocus("paste()"); });
}

void TBrannock::createDatabaseMenu()
{
    QMenu* database = menuBar()->addMenu("&Database");
    setHint(*database->menuAction(), "Database");
    GestiondesMarchs1 = addCommand(database, "Market Manager", "Market Manager");
    connect(GestiondesMarchs1, &QAction::triggered, this, &TBrannock::GestiondesMarchs1Click);
    GestiondesTitres1 = addCommand(database, "Symbol Manager", "Symbol Manager");
    connect(GestiondesTitres1, &QAction::triggered, this, &TBrannock::GestiondesTitres1Click);
    database->addSeparator();
    MiseJour1 = addCommand(database, "Update Database", "Update Database");
    MiseJour1->setIcon(pictureIcon(Picture::UpdateDatabase));
    connect(MiseJour1, &QAction::triggered, this, &TBrannock::MiseJour1Click);
}

void TBrannock::createTradingMenu()
{
    QMenu* trading = menuBar()->addMenu("&Trading");
    setHint(*trading->menuAction(), "Trading");
    Scanneur1 = addCommand(trading, "&Backtest", "Backtest");
    Scanneur1->setIcon(pictureIcon(Picture::Backtest));
    connect(Scanneur1, &QAction::triggered, this, &TBrannock::Scanneur1Click);
    signals1 = addCommand(trading, "&Performance Report", "Performance Report");
    signals1->setIcon(pictureIcon(Picture::PerformanceReport));
    connect(signals1, &QAction::triggered, this, &TBrannock::signals1Click);
}

void TBrannock::createWindowMenu()
{
    Window1 = menuBar()->addMenu("&Window");
    setHint(*Window1->menuAction(), "Window");
    WindowCascadeItem = addCommand(Window1, "&Cascade", "Cascade");
    connect(WindowCascadeItem, &QAction::triggered, this, &TBrannock::cascadeChildren);
    WindowTileItem = addCommand(Window1, "Tile &Horizontally", "Tile Horizontally");
    connect(WindowTileItem, &QAction::triggered, this, [this] { tileChildren(true); });
    WindowTileItem2 = addCommand(Window1, "Tile &Vertically", "Tile Vertically");
    connect(WindowTileItem2, &QAction::triggered, this, [this] { tileChildren(false); });
    WindowMinimizeItem = addCommand(Window1, "&Minimize All", "Minimize All");
    connect(WindowMinimizeItem, &QAction::triggered, this, &TBrannock::minimizeAll);
    WindowArrangeItem = addCommand(Window1, "Maximize &All", "Arrange All");
    connect(WindowArrangeItem, &QAction::triggered, this, &TBrannock::arrangeIcons);
    connect(Window1, &QMenu::aboutToShow, this, &TBrannock::rebuildWindowList);
}

void TBrannock::createToolAndHelpMenus()
{
    QMenu* tool = menuBar()->addMenu("T&ool");
    setHint(*tool->menuAction(), "Tool");
    Web1 = addCommand(tool, "&Web", QString());
    connect(Web1, &QAction::triggered, this, &TBrannock::Web1Click);

    QMenu* help = menuBar()->addMenu("&Help");
    setHint(*help->menuAction(), "Help");
    HelpAboutItem = addCommand(help, "&About...", "About");
    connect(HelpAboutItem, &QAction::triggered, this, &TBrannock::HelpAboutItemClick);
}

// A tool button is an action of its own (its caption and hint differ from the menu item's)
// that runs the menu item and follows its enabled state.
QAction* TBrannock::addToolButton(QAction* command, const QString& caption, const QString& hint)
{
    auto* button = new QAction(command->icon(), caption, this);
    setHint(*button, hint);
    button->setEnabled(command->isEnabled());
    connect(button, &QAction::triggered, command, &QAction::trigger);
    connect(command, &QAction::enabledChanged, button, &QAction::setEnabled);
    ToolBar2->addAction(button);
    return button;
}

void TBrannock::createToolBar()
{
    ToolBar2 = addToolBar("ToolBar2");
    ToolBar2->setObjectName("ToolBar2");
    ToolBar2->setMovable(false);
    ToolBar2->setFloatable(false);
    ToolBar2->setFixedHeight(kToolBarHeight);
    ToolBar2->setIconSize(QSize(18, 18));
    ToolBar2->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ToolBar2->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    SpeedButton1 = addToolButton(FileOpenItem, "&Open", "Open a Market|Open a Market");
    ToolBar2->addSeparator();
    SpeedButton3 = addToolButton(MiseJour1, "&Update database",
                                 "Update the database from ASCII files|Update the database from ASCII files");
    ToolBar2->addSeparator();
    SpeedButton2 = addToolButton(Scanneur1, "&Backtest",
                                 "Launch a powerfull backtest on selected market|"
                                 "Launch a powerfull backtest on selected market");
    ToolBar2->addSeparator();
    SpeedButton4 = addToolButton(signals1, "&Performance Report", "Show Performance Report|Show Performance Report");
}

// The status bar is a row of panels under the child-window area rather than a QStatusBar,
// whose own margins and message handling would not give the exact panel widths. The bar
// shows the hints in panel 0 itself.
void TBrannock::createStatusPanels()
{
    statusBar_ = new StatusPanelBar(this);
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(mdiArea_, 1);
    column->addWidget(statusBar_);
    setCentralWidget(central);
}

void TBrannock::applyStatusPanelWidths(const StatusPanelWidths& widths)
{
    statusBar_->setWidths(widths.hint, widths.values);
}

QLabel* TBrannock::statusPanel(int index) const
{
    return statusBar_->panels.at(index);
}

void TBrannock::setStatusValues(const QString& text)
{
    statusBar_->panels[1]->setText(text);
}
void TBrannock::setStatusDate(const QString& text)
{
    statusBar_->panels[2]->setText(text);
}

}  // namespace kiruvan
