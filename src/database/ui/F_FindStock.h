#pragma once

#include <QDialog>

class QPushButton;
class QTableView;

namespace kiruvan {

class Table;
class TableModel;

// The find-symbol dialog: lists the caller's symbol table by name and moves its cursor; the
// caller reads Choix_OK and, on 0, puts its cursor back.
class TFindStock : public QDialog {
    Q_OBJECT
public:
    explicit TFindStock(Table& DataSource, QWidget* parent = nullptr);

    int Choix_OK = 0;

private:
    void confirm();

    TableModel* model_ = nullptr;
    QTableView* DBG = nullptr;
    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;
};

}  // namespace kiruvan
