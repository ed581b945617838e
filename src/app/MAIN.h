#pragma once

#include <QList>
#include <QMainWindow>
#include <QSize>
#include <QString>

#include "database/data_folder.h"

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace kiruvan {

class StatusPanelBar;
class TAboutBox;
struct StatusPanelWidths;

// The main window: a frame for child windows, with the menus, the tool bar and the three
// status panels. Every command lives in one slot below; a command whose window is not part of
// the program yet stays disabled (see enableAvailableCommands).
class TBrannock : public QMainWindow {
    Q_OBJECT
public:
    explicit TBrannock(DataFolder dataFolder, QWidget* parent = nullptr);

    const DataFolder& dataFolder() const { return dataFolder_; }
    QString dataFolderText() const;  // with its trailing separator
    QMdiArea* mdiArea() const { return mdiArea_; }

    // Opens a chart window on a market, showing `Code_Titre` first (the market's first symbol
    // when empty). A market without symbols gets a message and no window.
    void Ouvre_Chart(const QString& Nom_Marche, int ID_Marche, const QString& Code_Titre);

    // Shows a symbol's chart: a chart window of its market is reused, else one is opened.
    void showSymbolChart(const QString& marketName, int marketId, const QString& code);

    // Asks every child window to close; each frees itself once the current event is handled.
    void Ferme_Fenetres_Filles();

    // Makes `window` a child window that frees itself when closed, and shows it inside the
    // visible area; `size`, when given, is its outer size.
    QMdiSubWindow* addChildWindow(QWidget* window, QSize size = QSize());

    // The first child window whose content is a W, or nullptr.
    template <class W>
    W* findChildWindow() const;

    // The windows shown inside the child windows, in creation order.
    QList<QWidget*> childWindowContents() const;

    // Panels 1 and 2, written by chart windows.
    void setStatusValues(const QString& text);
    void setStatusDate(const QString& text);
    QLabel* statusPanel(int index) const;

    // Enables a command together with its tool button, if it has one.
    static void setCommandEnabled(QAction* command, bool enabled);

public slots:
    void FileOpen1Execute();
    void GestiondesMarchs1Click();
    void GestiondesTitres1Click();
    void MiseJour1Click();
    void Scanneur1Click();
    void signals1Click();
    void Web1Click();
    void HelpAboutItemClick();

public:
    // The symbol manager's flag; it outlives the dialog and lives as long as the program.
    bool Validation_OK = false;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Menu items, named as the commands are known throughout the program.
    QAction* FileOpenItem = nullptr;
    QAction* FileCloseItem = nullptr;
    QAction* FileExitItem = nullptr;
    QAction* CutItem = nullptr;
    QAction* CopyItem = nullptr;
    QAction* PasteItem = nullptr;
    QAction* GestiondesMarchs1 = nullptr;
    QAction* GestiondesTitres1 = nullptr;
    QAction* MiseJour1 = nullptr;
    QAction* Scanneur1 = nullptr;
    QAction* signals1 = nullptr;
    QAction* WindowCascadeItem = nullptr;
    QAction* WindowTileItem = nullptr;
    QAction* WindowTileItem2 = nullptr;
    QAction* WindowMinimizeItem = nullptr;
    QAction* WindowArrangeItem = nullptr;
    QAction* Web1 = nullptr;
    QAction* HelpAboutItem = nullptr;

    // Tool buttons; each follows the enabled state of its menu item.
    QAction* SpeedButton1 = nullptr;
    QAction* SpeedButton3 = nullptr;
    QAction* SpeedButton2 = nullptr;
    QAction* SpeedButton4 = nullptr;

    QMenu* Window1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    TAboutBox* AboutBox = nullptr;

    void createMissingTables();
    void nameCommands();
    void createMenus();
    void createFileMenu();
    void createEditMenu();
    void createDatabaseMenu();
    void createTradingMenu();
    void createWindowMenu();
    void createToolAndHelpMenus();
    void createToolBar();
    void createStatusPanels();
    void enableAvailableCommands();
    QAction* addCommand(QMenu* menu, const QString& caption, const QString& hint);
    QAction* addToolButton(QAction* command, const QString& caption, const QString& hint);
    void applyStatusPanelWidths(const StatusPanelWidths& widths);
    void clipboardOnFocus(const char* command);
    void updateCloseCommand();
    void rebuildWindowList();

    void tileChildren(bool horizontally);
    void cascadeChildren();
    void minimizeAll();
    void arrangeIcons();

    DataFolder dataFolder_;
    QMdiArea* mdiArea_ = nullptr;
    StatusPanelBar* statusBar_ = nullptr;
    QList<QAction*> windowListActions_;
};

template <class W>
W* TBrannock::findChildWindow() const
{
    for (QWidget* content : childWindowContents()) {
        if (W* window = qobject_cast<W*>(content))
            return window;
    }
    return nullptr;
}

}  // namespace kiruvan
