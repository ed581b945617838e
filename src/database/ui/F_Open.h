#pragma once

#include <QDialog>
#include <QString>

#include "database/data_folder.h"
#include "database/table.h"

class QPushButton;
class QTableView;

namespace kiruvan {

class TableModel;

// The open-market dialog: lists the markets by name and returns the one chosen.
class TFOPEN : public QDialog {
    Q_OBJECT
public:
    explicit TFOPEN(const DataFolder& folder, QWidget* parent = nullptr);
    ~TFOPEN() override;

    // -1 and empty unless a market was chosen.
    int ID_Marche_Choisi = -1;
    QString Nom_Marche_Choisi;

private:
    void chooseSelected();

    Table CDS;
    TableModel* model_ = nullptr;
    QTableView* DBG = nullptr;
    QPushButton* BTN_OK = nullptr;
    QPushButton* BTN_Cancel = nullptr;
};

}  // namespace kiruvan
