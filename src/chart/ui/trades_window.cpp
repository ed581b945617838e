#include "chart/ui/trades_window.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "base/text_values.h"

namespace kiruvan {
namespace {

QString cellText(const TradeRow& trade, const TradeColumn& column)
{
    return std::visit(
        [&](auto member) {
            const auto& value = trade.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, double>)
                return QString::fromStdString(Format_Prix(value));
            else if constexpr (std::is_same_v<T, int>)
                return QString::number(value);
            else
                return QString::fromStdString(value);
        },
        column.member);
}

}  // namespace

TradesWindow::TradesWindow(const QString& symbolName, const std::vector<TradeRow>& trades, QWidget* parent)
    : QDialog(parent)
{
    setObjectName("TradesWindow");
    setWindowTitle("Trades of " + symbolName);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* model =
        new QStandardItemModel(static_cast<int>(trades.size()), static_cast<int>(tradeListColumns().size()), this);
    for (std::size_t c = 0; c < tradeListColumns().size(); ++c) {
        const int column = static_cast<int>(c);
        model->setHeaderData(column, Qt::Horizontal, QString::fromUtf8(tradeListColumns()[c].name));
        for (std::size_t r = 0; r < trades.size(); ++r) {
            auto* item = new QStandardItem(cellText(trades[r], tradeListColumns()[c]));
            item->setTextAlignment(Qt::AlignCenter);
            item->setData(trades[r].Entry_Bar, Qt::UserRole);
            model->setItem(static_cast<int>(r), column, item);
        }
    }
    grid_ = new QTableView(this);
    grid_->setObjectName("DBG_Trades");
    grid_->setModel(model);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->resizeColumnsToContents();
    connect(grid_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { emit entryBarRequested(index.data(Qt::UserRole).toInt()); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    resize(760, 360);
}

}  // namespace kiruvan
