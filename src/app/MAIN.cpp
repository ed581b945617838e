#include "app/MAIN.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

#include "app/about.h"
#include "backtest/ui/FOptimisation.h"
#include "chart/ui/CHILDWIN.h"
#include "database/market_check.h"
#include "database/symbol_files.h"
#include "database/ui/FGestion_codes.h"
#include "database/ui/F_Gestion_Marches.h"
#include "database/ui/F_Open.h"
#include "import/ui/F_Maj.h"
#include "report/ui/F_Today.h"
#include "widgets/app_pictures.h"
#include "widgets/gui_helpers.h"
#include "widgets/kiruvan_application.h"
#include "widgets/status_panel_bar.h"
#include "widgets/window_layout.h"
#ifdef KIRUVAN_HAS_WEB
#include "web/ui/F_Web.h"
#endif

namespace kiruvan {
namespace {

constexpr int kToolBarHeight = 30;

QRect toQRect(const Rect& r)
{
    return {r.x, r.y, r.width, r.height};
}
Rect toRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

// The child windows not hidden, topmost first, split into normal and minimized ones.
struct ChildWindows {
    QList<QMdiSubWindow*> normal;
    QList<QMdiSubWindow*> minimized;
};

ChildWindows visibleChildWindows(const QMdiArea& area)
{
    ChildWindows children;
    const QList<QMdiSubWindow*> stack = area.subWindowList(QMdiArea::StackingOrder);
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if ((*it)->isHidden())
            continue;
        ((*it)->isMinimized() ? children.minimized : children.normal).append(*it);
    }
    return children;
}

// The viewport less the row of minimized windows at its bottom.
QRect normalWindowArea(const QMdiArea& area, const ChildWindows& children)
{
    QRect rect = area.viewport()->rect();
    if (!children.minimized.isEmpty())
        rect.setHeight(rect.height() - children.minimized.first()->height());
    return rect;
}

Size toSize(const QSize& s)
{
    return {s.width(), s.height()};
}

// A cascade steps by one title bar, so that each window's caption stays readable.
int cascadeStep(const QMdiSubWindow& window)
{
    return window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
}

}  // namespace

TBrannock::TBrannock(DataFolder dataFolder, QWidget* parent)
    : QMainWindow(parent), dataFolder_(std::move(dataFolder)), mdiArea_(new QMdiArea(this))
{
    createMissingTables();
    setWindowTitle("Kiruvan");
    resize(800, 560);

    createMenus();
    createToolBar();
    createStatusPanels();
    enableAvailableCommands();

    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TBrannock::updateCloseCommand);
    updateCloseCommand();

    applyStatusPanelWidths(statusPanelWidthsAtCreation(width()));

    AboutBox = new TAboutBox(this);
    nameCommands();
}

// A folder where the tables cannot be created (read-only, say) is reported, and start-up
// goes on: the windows that need the tables will report again when they open them.
void TBrannock::createMissingTables()
{
    try {
        Verification_existance_des_Fichiers(dataFolder_);
    } catch (const std::exception& error) {
        KiruvanApplication::showError(QString::fromUtf8(error.what()));
    }
}

QString TBrannock::dataFolderText() const
{
    QString text = QString::fromStdString(dataFolder_.root().string());
    if (!text.endsWith('/'))
        text += '/';
    return text;
}

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

void TBrannock::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyStatusPanelWidths(statusPanelWidthsAfterResize(width()));
}

void TBrannock::closeEvent(QCloseEvent* event)
{
    const auto answer = QMessageBox::question(this, "Confirm", "Do you want leave Kiruvan ?",
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}

void TBrannock::clipboardOnFocus(const char* command)
{
    QWidget* target = QApplication::focusWidget();
    if (target && target->metaObject()->indexOfMethod(command) < 0)
        target = target->findChild<QLineEdit*>();
    if (!target || target->metaObject()->indexOfMethod(command) < 0)
        return;
    const QByteArray name = QByteArray(command).chopped(2);
    QMetaObject::invokeMethod(target, name.constData());
}

void TBrannock::updateCloseCommand()
{
    FileCloseItem->setEnabled(mdiArea_->activeSubWindow() != nullptr);
}

// The window list at the end of the Window menu, in opening order and numbered, so that a
// window is reached by its number's key.
void TBrannock::rebuildWindowList()
{
    for (QAction* action : windowListActions_)
        Window1->removeAction(action);
    qDeleteAll(windowListActions_);
    windowListActions_.clear();

    const QList<QMdiSubWindow*> windows = mdiArea_->subWindowList(QMdiArea::CreationOrder);
    if (windows.isEmpty())
        return;
    windowListActions_.append(Window1->addSeparator());
    int number = 1;
    for (QMdiSubWindow* window : windows) {
        QAction* item = Window1->addAction(QString("&%1 %2").arg(number++).arg(window->windowTitle()));
        // Only the active window carries a check mark: the list tells which one has the focus.
        if (window == mdiArea_->activeSubWindow()) {
            item->setCheckable(true);
            item->setChecked(true);
        }
        connect(item, &QAction::triggered, this, [this, window] { mdiArea_->setActiveSubWindow(window); });
        windowListActions_.append(item);
    }
}

QList<QWidget*> TBrannock::childWindowContents() const
{
    QList<QWidget*> contents;
    for (QMdiSubWindow* window : mdiArea_->subWindowList(QMdiArea::CreationOrder)) {
        if (window->widget())
            contents.append(window->widget());
    }
    return contents;
}

// The area's own placement avoids overlaps and so puts a large window below the others, out
// of sight: a new window takes its cascade place instead.
QMdiSubWindow* TBrannock::addChildWindow(QWidget* window, QSize size)
{
    QMdiSubWindow* child = mdiArea_->addSubWindow(window);
    child->setAttribute(Qt::WA_DeleteOnClose);
    if (size.isValid())
        child->resize(size);
    window->show();
    const auto index = static_cast<int>(mdiArea_->subWindowList().size()) - 1;
    const Rect place =
        newWindowPlace(index, toSize(child->size()), cascadeStep(*child), toRect(mdiArea_->viewport()->rect()));
    child->move(place.x, place.y);
    return child;
}

// The list is taken once: closed windows are freed only after the current event, so each
// child window is asked exactly once.
void TBrannock::Ferme_Fenetres_Filles()
{
    const QList<QMdiSubWindow*> children = mdiArea_->subWindowList();
    for (QMdiSubWindow* child : children)
        child->close();
}

// Tile Horizontally stacks full-width windows from top to bottom, Tile Vertically puts
// full-height windows side by side; minimized windows keep their row at the bottom.
void TBrannock::tileChildren(bool horizontally)
{
    const ChildWindows children = visibleChildWindows(*mdiArea_);
    if (children.normal.isEmpty())
        return;
    const QRect area = normalWindowArea(*mdiArea_, children);
    const auto count = static_cast<int>(children.normal.size());
    const std::vector<Rect> places =
        horizontally ? tileHorizontally(count, toRect(area)) : tileVertically(count, toRect(area));
    for (QMdiSubWindow* window : children.normal) {
        if (window->isMaximized())
            window->showNormal();
    }
    for (int i = 0; i < count; ++i)
        children.normal[i]->setGeometry(toQRect(places[static_cast<std::size_t>(i)]));
}

// Bottom window first, each raised in turn, so that the stacking order stays as it was.
void TBrannock::cascadeChildren()
{
    const ChildWindows children = visibleChildWindows(*mdiArea_);
    if (children.normal.isEmpty())
        return;
    const QList<QMdiSubWindow*> bottomFirst(children.normal.rbegin(), children.normal.rend());
    std::vector<Size> minimums;
    for (QMdiSubWindow* window : bottomFirst) {
        if (window->isMaximized())
            window->showNormal();
        minimums.push_back(toSize(window->minimumSizeHint().expandedTo(window->minimumSize())));
    }
    const std::vector<Rect> places =
        cascade(minimums, cascadeStep(*bottomFirst.first()), toRect(normalWindowArea(*mdiArea_, children)));
    for (qsizetype i = 0; i < bottomFirst.size(); ++i) {
        bottomFirst[i]->setGeometry(toQRect(places[static_cast<std::size_t>(i)]));
        bottomFirst[i]->raise();
    }
}

void TBrannock::minimizeAll()
{
    for (QMdiSubWindow* window : mdiArea_->subWindowList())
        window->showMinimized();
}

void TBrannock::arrangeIcons()
{
    const QList<QMdiSubWindow*> minimized = visibleChildWindows(*mdiArea_).minimized;
    if (minimized.isEmpty())
        return;
    const QSize icon = minimized.first()->size();
    const std::vector<Rect> places =
        iconRows(static_cast<int>(minimized.size()), icon.width(), icon.height(), toRect(mdiArea_->viewport()->rect()));
    for (qsizetype i = 0; i < minimized.size(); ++i)
        minimized[i]->move(toQRect(places[static_cast<std::size_t>(i)]).topLeft());
}

void TBrannock::Ouvre_Chart(const QString& Nom_Marche, int ID_Marche, const QString& Code_Titre)
{
    if (!marketHasSymbols(dataFolder_, ID_Marche)) {
        QMessageBox box(QMessageBox::Question, "Confirm",
                        QString::fromStdString(symbolNotFoundMessage(Nom_Marche.toStdString())), QMessageBox::Ok, this);
        box.exec();
        return;
    }
    static const SystemClock clock;
    auto* chart = new TFChart(dataFolder_, clock);
    chart->setWindowTitle(Nom_Marche);
    connect(chart, &TFChart::statusValuesChanged, this, &TBrannock::setStatusValues);
    connect(chart, &TFChart::statusDateChanged, this, &TBrannock::setStatusDate);
    chart->setMarket(ID_Marche, Code_Titre);
    // The platform's default size of a new child window: three quarters of the frame.
    QMdiSubWindow* child = addChildWindow(chart, mdiArea_->viewport()->size() * 3 / 4);
    child->setMinimumSize(325, 54);
    chart->Initialisation();
}

void TBrannock::FileOpen1Execute()
{
    TFOPEN dialog(dataFolder_, this);
    dialog.exec();
    if (dialog.ID_Marche_Choisi != -1)
        Ouvre_Chart(dialog.Nom_Marche_Choisi, dialog.ID_Marche_Choisi, QString());
}

void TBrannock::GestiondesMarchs1Click()
{
    TGestion_Marches dialog(dataFolder_, this);
    dialog.exec();
}

void TBrannock::GestiondesTitres1Click()
{
    TGestion_des_codes dialog(dataFolder_, Validation_OK, this);
    dialog.exec();
}

void TBrannock::MiseJour1Click()
{
    Ferme_Fenetres_Filles();
    const SystemClock clock;
    TU_MAJ dialog(dataFolder_, clock, this);
    dialog.exec();
}

void TBrannock::Scanneur1Click()
{
    Ferme_Fenetres_Filles();
    TUOptimisation dialog(dataFolder_, this);
    dialog.exec();
}

void TBrannock::signals1Click()
{
    if (auto* report = findChildWindow<TFToday>()) {
        mdiArea_->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(report->parentWidget()));
        return;
    }
    auto* report = new TFToday(dataFolder_);
    connect(report, &TFToday::chartRequested, this, &TBrannock::showSymbolChart);
    QMdiSubWindow* child = addChildWindow(report);
    child->move(std::max(0, (mdiArea_->width() - child->width()) / 2),
                std::max(0, (mdiArea_->height() - child->height()) / 2));
}

void TBrannock::showSymbolChart(const QString& marketName, int marketId, const QString& code)
{
    for (QMdiSubWindow* child : mdiArea_->subWindowList()) {
        auto* chart = qobject_cast<TFChart*>(child->widget());
        if (chart && chart->data().ID_Marche_Chart == marketId) {
            chart->showListedCode(code.toStdString());
            mdiArea_->setActiveSubWindow(child);
            return;
        }
    }
    Ouvre_Chart(marketName, marketId, code);
}

void TBrannock::Web1Click()
{
#ifdef KIRUVAN_HAS_WEB
    addChildWindow(new TFWeb);
#endif
}

void TBrannock::HelpAboutItemClick()
{
    AboutBox->exec();
}

}  // namespace kiruvan
