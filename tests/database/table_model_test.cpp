#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTableView>

#include "database/ui/table_model.h"
#include "support/temp_folder.h"

using namespace kiruvan;

namespace {

struct Prices {
    FixedClock clock = test::fixedClock2026();
    Table table;
    Prices()
    {
        table.setClock(clock);
        table.addField("Day", FieldType::Date);
        table.addField("Close", FieldType::Float);
        table.create();
        for (int d = 1; d <= 3; ++d) {
            table.append();
            table["Day"].setAsDate(Date::fromYmd(2004, 3, d));
            table["Close"].setAsFloat(d * 1.5);
            table.post();
        }
    }
};

std::vector<TableModel::Column> columns()
{
    return {{"day", "Date"},
            {"CLOSE", "Close", [](const Value& v) { return QString::number(std::get<double>(v), 'f', 2); }}};
}

}  // namespace

TEST(TableModelGrid, ShowsTheVisibleRowsAndFollowsTheTable)
{
    Prices p;
    TableModel model(p.table, columns());
    EXPECT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Close");
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "01/03/2004");
    EXPECT_EQ(model.data(model.index(2, 1), Qt::DisplayRole).toString(), "4.50");
    p.table.setSortOrder("Close");
    p.table.last();
    p.table.remove();
    EXPECT_EQ(model.rowCount(), 2);
    p.table.setFilter("Day = '02/03/2004'");
    p.table.setFiltered(true);
    EXPECT_EQ(model.rowCount(), 1);
}

TEST(TableModelGrid, EditsGoThroughTheTableAndBadTextIsRefused)
{
    Prices p;
    TableModel model(p.table, columns());
    model.setEditable(true);
    QSignalSpy rejected(&model, &TableModel::editRejected);
    EXPECT_TRUE(model.setData(model.index(1, 1), "7.25", Qt::EditRole));
    EXPECT_EQ(p.table.valueAt(1, 1), Value(7.25));
    EXPECT_FALSE(model.setData(model.index(1, 1), "7,25", Qt::EditRole));
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_EQ(p.table.state(), TableState::Browse);
    EXPECT_EQ(p.table.valueAt(1, 1), Value(7.25));
}

TEST(TableModelGrid, KeepsTheViewAndTheCursorTogether)
{
    Prices p;
    TableModel model(p.table, columns());
    QTableView view;
    model.bindSelection(&view);
    view.selectionModel()->setCurrentIndex(model.index(2, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(p.table.recNo(), 3);
    p.table.first();
    EXPECT_EQ(view.currentIndex().row(), 0);
}
