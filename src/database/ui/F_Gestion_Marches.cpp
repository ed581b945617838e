#include "database/ui/F_Gestion_Marches.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "database/ui/FAjout_Marche.h"
#include "widgets/dialog_helpers.h"

namespace kiruvan {

TGestion_Marches::TGestion_Marches(const DataFolder& folder, QWidget* parent)
    : QDialog(parent), manager_(std::make_unique<MarketManager>(folder))
{
    setWindowTitle("Market Manager");
    askName = [this](const QString& caption, const QString& initial) {
        return TAjout_Marche::ask(this, caption, initial);
    };

    Label1 = gui::named(new QLabel("Name", this), "Label1");
    DBL = gui::named(new QComboBox(this), "DBL");
    DBL->setMinimumWidth(240);
    BTN_Ajouter = gui::named(gui::plainButton("Add", this), "BTN_Ajouter");
    BTN_Modifier = gui::named(gui::plainButton("Modify", this), "BTN_Modifier");
    BitBtn1 = gui::named(gui::plainButton("OK", this), "BitBtn1");

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label1, 0, 0, 1, 3);
    layout->addWidget(DBL, 1, 0, 1, 3);
    layout->addWidget(BTN_Ajouter, 2, 0);
    layout->addWidget(BTN_Modifier, 2, 1);
    layout->addWidget(BitBtn1, 2, 2);

    connect(BTN_Ajouter, &QPushButton::clicked, this, &TGestion_Marches::BTN_AjouterClick);
    connect(BTN_Modifier, &QPushButton::clicked, this, &TGestion_Marches::BTN_ModifierClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TGestion_Marches::BitBtn1Click);
    connect(DBL, &QComboBox::activated, this, &TGestion_Marches::DBLChange);
    showMarkets();
    gui::makeFixedDialog(this);
}

TGestion_Marches::~TGestion_Marches() = default;

void TGestion_Marches::showMarkets()
{
    const QSignalBlocker quiet(DBL);
    DBL->clear();
    for (const Market& market : manager_->markets())
        DBL->addItem(QString::fromStdString(market.name), market.id);
    const auto current = manager_->current();
    DBL->setCurrentIndex(current ? DBL->findData(current->id) : -1);
}

void TGestion_Marches::DBLChange(int index)
{
    if (index >= 0)
        manager_->makeCurrent(DBL->itemData(index).toInt());
}

void TGestion_Marches::BTN_AjouterClick()
{
    gui::runGuarded([this] {
        const QString name = askName("Add a New Market...", QString());
        if (manager_->add(name.toStdString()).outcome == AddMarketOutcome::Added)
            showMarkets();
        DBL->setFocus();
    });
}

void TGestion_Marches::BTN_ModifierClick()
{
    gui::runGuarded([this] {
        const QString name = askName("Modify a Market...", DBL->currentText());
        if (manager_->renameCurrent(name.toStdString()))
            showMarkets();
        DBL->setFocus();
    });
}

void TGestion_Marches::BitBtn1Click()
{
    gui::runGuarded([this] {
        manager_->save();
        accept();
    });
}

}  // namespace kiruvan
