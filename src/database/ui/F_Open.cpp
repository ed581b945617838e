#include "database/ui/F_Open.h"

#include <QPushButton>
#include <QTableView>

#include "widgets/picker_dialog.h"

#include "database/market_manager.h"
#include "database/ui/table_model.h"
#include "widgets/dialog_helpers.h"

namespace kiruvan {

TFOPEN::TFOPEN(const DataFolder& folder, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Open...");
    CDS.setSortOrder("nom_marche");
    CDS.loadFromFile(folder.file(kMarketsFile));
    CDS.first();

    model_ = new TableModel(CDS, {{"nom_marche", "Market"}}, this);
    DBG = newPickerGrid(this);
    model_->bindSelection(DBG);

    BTN_OK = gui::plainButton("OK", this);
    BTN_OK->setObjectName("BTN_OK");
    BTN_Cancel = gui::plainButton("Cancel", this);
    BTN_Cancel->setObjectName("BTN_Cancel");
    const bool hasMarkets = !CDS.isEmpty();
    BTN_OK->setEnabled(hasMarkets);
    DBG->setEnabled(hasMarkets);

    layOutPicker(this, DBG, BTN_OK, BTN_Cancel);

    connect(BTN_OK, &QPushButton::clicked, this, &TFOPEN::chooseSelected);
    connect(DBG, &QTableView::doubleClicked, this, &TFOPEN::chooseSelected);
    connect(BTN_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    gui::makeFixedDialog(this, QSize(336, 233));
}

// The grid's model follows the table: it goes before the table does.
TFOPEN::~TFOPEN()
{
    delete model_;
}

void TFOPEN::chooseSelected()
{
    if (CDS.recNo() == 0)
        return;
    ID_Marche_Choisi = CDS.field(kMarketIdField).asInteger();
    Nom_Marche_Choisi = QString::fromStdString(CDS.field(kMarketNameField).asString());
    accept();
}

}  // namespace kiruvan
