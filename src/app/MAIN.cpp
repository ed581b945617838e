#include "app/MAIN.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>

#include "app/about.h"
#include "backtest/ui/FOptimisation.h"
#include "chart/ui/CHILDWIN.h"
#include "database/market_check.h"
#include "database/ui/FGestion_codes.h"
#include "database/ui/F_Gestion_Marches.h"
#include "database/ui/F_Open.h"
#include "import/ui/F_Maj.h"
#include "report/ui/F_Today.h"
#include "widgets/kiruvan_application.h"
#include "widgets/window_layout.h"
#ifdef KIRUVAN_HAS_WEB
#include "web/ui/F_Web.h"
#endif

namespace kiruvan {

TBrannock::TBrannock(DataFolder dataFolder, QWidget* parent)
    : QMainWindow(parent), dataFolder_(std::move(dataFolder)), mdiArea_(new QMdiArea(this))
{
    createMissingTables();
    setWindowTitle("Kiruvan");
    resize(800, 560);

    createMenus();
    createToolBar();
    createStatusPanels();
    enableAvailableCommands();

    connect(mdiArea_, &QMdiArea::subWindowActivated, this, &TBrannock::updateCloseCommand);
    updateCloseCommand();

    applyStatusPanelWidths(statusPanelWidthsAtCreation(width()));

    AboutBox = new TAboutBox(this);
    nameCommands();
}

// A folder where the tables cannot be created (read-only, say) is reported, and start-up
// goes on: the windows that need the tables will report again when they open them.
void TBrannock::createMissingTables()
{
    try {
        Verification_existance_des_Fichiers(dataFolder_);
    } catch (const std::exception& error) {
        KiruvanApplication::showError(QString::fromUtf8(error.what()));
    }
}

QString TBrannock::dataFolderText() const
{
    QString text = QString::fromStdString(dataFolder_.root().string());
    if (!text.endsWith('/'))
        text += '/';
    return text;
}

void TBrannock::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    applyStatusPanelWidths(statusPanelWidthsAfterResize(width()));
}

void TBrannock::closeEvent(QCloseEvent* event)
{
    const auto answer = QMessageBox::question(this, "Confirm", "Do you want leave Kiruvan ?",
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}

void TBrannock::clipboardOnFocus(const char* command)
{
    QWidget* target = QApplication::focusWidget();
    if (target && target->metaObject()->indexOfMethod(command) < 0)
        target = target->findChild<QLineEdit*>();
    if (!target || target->metaObject()->indexOfMethod(command) < 0)
        return;
    const QByteArray name = QByteArray(command).chopped(2);
    QMetaObject::invokeMethod(target, name.constData());
}

void TBrannock::updateCloseCommand()
{
    FileCloseItem->setEnabled(mdiArea_->activeSubWindow() != nullptr);
}

void TBrannock::Ouvre_Chart(const QString& Nom_Marche, int ID_Marche, const QString& Code_Titre)
{
    if (!marketHasSymbols(dataFolder_, ID_Marche)) {
        QMessageBox box(QMessageBox::Question, "Confirm",
                        QString::fromStdString(symbolNotFoundMessage(Nom_Marche.toStdString())), QMessageBox::Ok, this);
        box.exec();
        return;
    }
    static const SystemClock clock;
    auto* chart = new TFChart(dataFolder_, clock);
    chart->setWindowTitle(Nom_Marche);
    connect(chart, &TFChart::statusValuesChanged, this, &TBrannock::setStatusValues);
    connect(chart, &TFChart::statusDateChanged, this, &TBrannock::setStatusDate);
    chart->setMarket(ID_Marche, Code_Titre);
    // The platform's default size of a new child window: three quarters of the frame.
    QMdiSubWindow* child = addChildWindow(chart, mdiArea_->viewport()->size() * 3 / 4);
    child->setMinimumSize(325, 54);
    chart->Initialisation();
}

void TBrannock::FileOpen1Execute()
{
    TFOPEN dialog(dataFolder_, this);
    dialog.exec();
    if (dialog.ID_Marche_Choisi != -1)
        Ouvre_Chart(dialog.Nom_Marche_Choisi, dialog.ID_Marche_Choisi, QString());
}

void TBrannock::GestiondesMarchs1Click()
{
    TGestion_Marches dialog(dataFolder_, this);
    dialog.exec();
}

void TBrannock::GestiondesTitres1Click()
{
    TGestion_des_codes dialog(dataFolder_, Validation_OK, this);
    dialog.exec();
}

void TBrannock::MiseJour1Click()
{
    Ferme_Fenetres_Filles();
    const SystemClock clock;
    TU_MAJ dialog(dataFolder_, clock, this);
    dialog.exec();
}

void TBrannock::Scanneur1Click()
{
    Ferme_Fenetres_Filles();
    TUOptimisation dialog(dataFolder_, this);
    dialog.exec();
}

void TBrannock::signals1Click()
{
    if (auto* report = findChildWindow<TFToday>()) {
        mdiArea_->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(report->parentWidget()));
        return;
    }
    auto* report = new TFToday(dataFolder_);
    connect(report, &TFToday::chartRequested, this, &TBrannock::showSymbolChart);
    QMdiSubWindow* child = addChildWindow(report);
    child->move(std::max(0, (mdiArea_->width() - child->width()) / 2),
                std::max(0, (mdiArea_->height() - child->height()) / 2));
}

void TBrannock::showSymbolChart(const QString& marketName, int marketId, const QString& code)
{
    for (QMdiSubWindow* child : mdiArea_->subWindowList()) {
        auto* chart = qobject_cast<TFChart*>(child->widget());
        if (chart && chart->data().ID_Marche_Chart == marketId) {
            chart->showListedCode(code.toStdString());
            mdiArea_->setActiveSubWindow(child);
            return;
        }
    }
    Ouvre_Chart(marketName, marketId, code);
}

void TBrannock::Web1Click()
{
#ifdef KIRUVAN_HAS_WEB
    addChildWindow(new TFWeb);
#endif
}

void TBrannock::HelpAboutItemClick()
{
    AboutBox->exec();
}

}  // namespace kiruvan
