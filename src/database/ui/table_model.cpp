#include "database/ui/table_model.h"

#include <QItemSelectionModel>
#include <QTableView>

namespace kiruvan {

TableModel::TableModel(Table& table, std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), table_(table), columns_(std::move(columns))
{
    subscription_ = table_.subscribe([this](TableChange change, int row) { onTableChange(change, row); });
}

TableModel::~TableModel()
{
    table_.unsubscribe(subscription_);
}

int TableModel::fieldOf(int column) const
{
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return -1;
    return table_.fieldIndex(columns_[static_cast<size_t>(column)].field.toStdString());
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !table_.isOpen() ? 0 : table_.recordCount();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    const int field = fieldOf(index.column());
    if (!index.isValid() || field < 0)
        return {};
    const Column& column = columns_[static_cast<size_t>(index.column())];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(column.alignment);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (column.format && role == Qt::DisplayRole)
        return column.format(table_.valueAt(index.row(), field));
    return QString::fromStdString(table_.textAt(index.row(), field));
}

// A title's tip is its whole text, for the titles a narrow column cuts short.
QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (section < 0 || section >= static_cast<int>(columns_.size()))
        return {};
    const Column& column = columns_[static_cast<size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return column.title;
    case Qt::TextAlignmentRole:
        return column.titleAlignment ? QVariant::fromValue(column.titleAlignment) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    return editable_ ? f | Qt::ItemIsEditable : f;
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const int field = fieldOf(index.column());
    if (!editable_ || role != Qt::EditRole || field < 0)
        return false;
    try {
        table_.moveTo(index.row() + 1);
        table_.edit();
        table_.field(field).setAsString(value.toString().toStdString());
        table_.post();
        return true;
    } catch (const TableError& e) {
        table_.cancel();
        emit editRejected(QString::fromStdString(e.what()));
        return false;
    }
}

void TableModel::onTableChange(TableChange change, int row)
{
    switch (change) {
    case TableChange::Reset:
        beginResetModel();
        endResetModel();
        emit currentRowChanged(table_.recNo() - 1);
        break;
    case TableChange::RowValues:
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        break;
    case TableChange::Current:
        emit currentRowChanged(row);
        break;
    }
}

void TableModel::bindSelection(QTableView* view)
{
    view->setModel(this);
    auto select = [this, view](int row) {
        if (syncing_ || row < 0)
            return;
        syncing_ = true;
        view->selectionModel()->setCurrentIndex(index(row, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        syncing_ = false;
    };
    connect(this, &TableModel::currentRowChanged, view, select);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (syncing_ || !current.isValid() || current.row() + 1 == table_.recNo())
            return;
        syncing_ = true;
        table_.moveTo(current.row() + 1);
        syncing_ = false;
    });
    select(table_.recNo() - 1);
}

}  // namespace kiruvan
