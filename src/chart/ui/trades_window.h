#pragma once

#include <QDialog>

#include <functional>
#include <vector>

#include "trading/trade_list.h"

class QTableView;

namespace kiruvan {

// The trades behind the chart's result, one row each; a double-click asks for its entry bar.
class TradesWindow : public QDialog {
    Q_OBJECT
public:
    TradesWindow(const QString& symbolName, const std::vector<TradeRow>& trades, QWidget* parent);

    QTableView* grid() const { return grid_; }

signals:
    void entryBarRequested(int bar);

private:
    QTableView* grid_ = nullptr;
};

}  // namespace kiruvan
