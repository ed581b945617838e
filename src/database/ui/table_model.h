#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <vector>

#include "database/table.h"

class QTableView;

namespace kiruvan {

// A grid's view of a table: one column per listed field, the table's visible rows in cursor
// order. The model follows the table through its change notifications; the table stays the
// one owner of the data.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
        std::function<QString(const Value&)> format = {};  // display text; the table's own text when empty
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        Qt::Alignment titleAlignment = {};  // the header's default when empty
    };

    TableModel(Table& table, std::vector<Column> columns, QObject* parent = nullptr);
    ~TableModel() override;

    Table& table() const { return table_; }
    void setEditable(bool on) { editable_ = on; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Keeps a view's current row and the table's cursor together, both ways.
    void bindSelection(QTableView* view);

signals:
    void currentRowChanged(int row);
    void editRejected(const QString& message);

private:
    void onTableChange(TableChange change, int row);
    int fieldOf(int column) const;

    Table& table_;
    std::vector<Column> columns_;
    int subscription_ = 0;
    bool editable_ = false;
    bool syncing_ = false;
};

}  // namespace kiruvan
