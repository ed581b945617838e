#pragma once

#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

#include "database/data_folder.h"
#include "database/market_manager.h"
#include "database/table.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QStandardItemModel;
class QPushButton;
class QTabWidget;
class QTableView;

namespace kiruvan {

class TableModel;

// The performance report: the stored backtest results of one market or of every market, on
// two tabs that show the same rows. Both grids are views of one model over the results table.
class TFToday : public QWidget {
    Q_OBJECT
public:
    explicit TFToday(DataFolder folder, QWidget* parent = nullptr);
    ~TFToday() override;

    // The rows shown, in the order shown (for tests and the export).
    Table& results() { return CDS_OPT_; }
    QSize sizeHint() const override;

signals:
    // A row was double-clicked: show this symbol's chart.
    void chartRequested(const QString& marketName, int marketId, const QString& code);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    QTableView* buildGrid(const char* name, bool summary);
    void FormCreate();
    void ClientDataSetAfterScroll();
    void CB_All_MarketsClick();
    bool open_Optimisation();
    void DBG_RunningTradesTitleClick(int column);
    void DBG_RunningTradesDblClick();
    void exportCsv();
    void showContextMenu(QTableView* grid, const QPoint& at);
    std::optional<std::int32_t> selectedMarket() const;
    QTableView* buildRobustnessGrid();
    void fillRobustness();

    DataFolder folder_;
    std::vector<Market> markets_;
    Table CDS_OPT_;
    TableModel* model_ = nullptr;

    QLabel* Label1 = nullptr;
    QComboBox* DBL = nullptr;
    QCheckBox* CB_All_Markets = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QTableView* DBG_OPT = nullptr;
    QTableView* DBG_RunningTrades = nullptr;
    QTableView* DBG_Robustness = nullptr;
    QStandardItemModel* robustnessModel_ = nullptr;
    QPushButton* BTN_Cancel = nullptr;
};

}  // namespace kiruvan
