#include "app/F_FindStock.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/gui_helpers.h"
#include "database/dialog_frame.h"
#include "database/table_model.h"

namespace kiruvan {

TFindStock::TFindStock(Table& DataSource, QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setWindowTitle("Find...");
    model_ = new TableModel(DataSource, {{"Nom_Titre", ""}}, this);
    DBG = new QTableView(this);
    DBG->setObjectName("DBG");
    DBG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBG->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBG->setSelectionMode(QAbstractItemView::SingleSelection);
    DBG->horizontalHeader()->hide();
    DBG->horizontalHeader()->setStretchLastSection(true);
    DBG->verticalHeader()->hide();
    // Typing the first letters of a name moves to it: the view's own keyboard search.
    model_->bindSelection(DBG);

    OK = gui::plainButton("OK", this);
    OK->setObjectName("OK");
    Cancel = gui::plainButton("Cancel", this);
    Cancel->setObjectName("Cancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OK);
    buttons->addWidget(Cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(DBG);
    column->addLayout(buttons);

    connect(OK, &QPushButton::clicked, this, &TFindStock::confirm);
    connect(DBG, &QTableView::doubleClicked, this, &TFindStock::confirm);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(289, 180);
    centerOnScreen(*this);
}

void TFindStock::confirm()
{
    Choix_OK = 1;
    accept();
}

}  // namespace kiruvan
