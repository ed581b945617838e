#include "database/ui/F_FindStock.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include "widgets/picker_dialog.h"

#include "database/ui/table_model.h"
#include "widgets/dialog_helpers.h"
#include "widgets/gui_helpers.h"

namespace kiruvan {

TFindStock::TFindStock(Table& DataSource, QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setWindowTitle("Find...");
    model_ = new TableModel(DataSource, {{"Nom_Titre", ""}}, this);
    DBG = newPickerGrid(this);
    DBG->horizontalHeader()->hide();
    // Typing the first letters of a name moves to it: the view's own keyboard search.
    model_->bindSelection(DBG);

    OK = gui::plainButton("OK", this);
    OK->setObjectName("OK");
    Cancel = gui::plainButton("Cancel", this);
    Cancel->setObjectName("Cancel");
    layOutPicker(this, DBG, OK, Cancel);

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
