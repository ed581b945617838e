#include "database/ui/FAjout_Marche.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "database/market_manager.h"
#include "widgets/dialog_helpers.h"

namespace kiruvan {

TAjout_Marche::TAjout_Marche(const QString& Titre_Dialogue, const QString& initialName, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(Titre_Dialogue);
    EDT_Nom_Marche = gui::named(new QLineEdit(initialName, this), "EDT_Nom_Marche");
    EDT_Nom_Marche->setMaxLength(kMarketNameSize);
    EDT_Nom_Marche->setMinimumWidth(240);
    BitBtn1 = gui::named(gui::plainButton("Ok", this), "BitBtn1");

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(EDT_Nom_Marche);
    layout->addWidget(BitBtn1);
    connect(BitBtn1, &QPushButton::clicked, this, &TAjout_Marche::BitBtn1Click);
    gui::makeFixedDialog(this);
}

QString TAjout_Marche::ask(QWidget* parent, const QString& Titre_Dialogue, const QString& initialName)
{
    TAjout_Marche dialog(Titre_Dialogue, initialName, parent);
    dialog.exec();
    return dialog.Nom_Saisi();
}

void TAjout_Marche::BitBtn1Click()
{
    nomSaisi_ = EDT_Nom_Marche->text();
    accept();
}

}  // namespace kiruvan
