#include "database/ui/FGestion_codes.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "widgets/dialog_helpers.h"

namespace kiruvan {

namespace {

QLineEdit* boundEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(kSymbolTextSize);
    edit->setMinimumWidth(220);
    return edit;
}

QPushButton* arrowButton(const QString& caption, const QString& hint, QWidget* parent)
{
    QPushButton* button = gui::plainButton(caption, parent);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    button->setFixedWidth(32);
    return button;
}

// Leaving an edit for another item of the dialog, not the window losing the focus.
bool leavesForAnotherItem(const QEvent* event)
{
    if (event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

}  // namespace

TGestion_des_codes::TGestion_des_codes(const DataFolder& folder, bool& Validation_OK, QWidget* parent)
    : QDialog(parent), manager_(std::make_unique<SymbolManager>(folder)), validationOK_(Validation_OK)
{
    setWindowTitle("Symbol Manager");
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, "Confirm", question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };

    Label1 = gui::named(new QLabel("Symbol", this), "Label1");
    EDT_Code = gui::named(boundEdit(this), "EDT_Code");
    Label3 = gui::named(new QLabel("Name", this), "Label3");
    EDT_Nom = gui::named(boundEdit(this), "EDT_Nom");
    Label2 = gui::named(new QLabel("Market", this), "Label2");
    DBL = gui::named(new QComboBox(this), "DBL");
    for (const Market& market : manager_->markets())
        DBL->addItem(QString::fromStdString(market.name), market.id);
    Button2 = gui::named(arrowButton("<-", "Prior", this), "Button2");
    Button3 = gui::named(arrowButton("->", "Next", this), "Button3");
    BTN_Ajouter = gui::named(gui::plainButton("Add", this), "BTN_Ajouter");
    BTN_Del = gui::named(gui::plainButton("Delete", this), "BTN_Del");
    BTN_Appliquer = gui::named(gui::plainButton("Apply", this), "BTN_Appliquer");
    BTN_OK = gui::named(gui::plainButton("OK", this), "BTN_OK");

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(EDT_Code, 0, 1);
    fields->addWidget(Button2, 0, 2);
    fields->addWidget(Button3, 0, 3);
    fields->addWidget(Label3, 1, 0);
    fields->addWidget(EDT_Nom, 1, 1, 1, 3);
    fields->addWidget(Label2, 2, 0);
    fields->addWidget(DBL, 2, 1, 1, 3);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {BTN_Ajouter, BTN_Del, BTN_Appliquer, BTN_OK})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    EDT_Code->installEventFilter(this);
    EDT_Nom->installEventFilter(this);
    connect(Button2, &QPushButton::clicked, this, &TGestion_des_codes::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TGestion_des_codes::Button3Click);
    connect(BTN_Ajouter, &QPushButton::clicked, this, &TGestion_des_codes::BTN_AjouterClick);
    connect(BTN_Del, &QPushButton::clicked, this, &TGestion_des_codes::BTN_DelClick);
    connect(BTN_Appliquer, &QPushButton::clicked, this, &TGestion_des_codes::BTN_AppliquerClick);
    connect(BTN_OK, &QPushButton::clicked, this, &TGestion_des_codes::BTN_OKClick);
    connect(DBL, &QComboBox::activated, this, &TGestion_des_codes::DBLChange);
    showSymbol();
    gui::makeFixedDialog(this);
}

TGestion_des_codes::~TGestion_des_codes() = default;

bool TGestion_des_codes::eventFilter(QObject* watched, QEvent* event)
{
    if (leavesForAnotherItem(event)) {
        gui::runGuarded([&] {
            storeEdits();
            if (watched == EDT_Code)
                EDT_CodeExit();
        });
    }
    return QDialog::eventFilter(watched, event);
}

// A bound edit hands its text to the symbol only when the user changed it.
void TGestion_des_codes::storeEdits()
{
    if (EDT_Code->isModified())
        manager_->setCode(EDT_Code->text().toStdString());
    if (EDT_Nom->isModified())
        manager_->setName(EDT_Nom->text().toStdString());
    EDT_Code->setModified(false);
    EDT_Nom->setModified(false);
}

void TGestion_des_codes::EDT_CodeExit()
{
    manager_->leaveCodeEdit();
    showSymbol();
}

void TGestion_des_codes::showSymbol()
{
    EDT_Code->setText(QString::fromStdString(manager_->code()));
    EDT_Nom->setText(QString::fromStdString(manager_->name()));
    const QSignalBlocker quiet(DBL);
    DBL->setCurrentIndex(DBL->findData(manager_->shownMarket()));
    BTN_Del->setEnabled(manager_->deleteEnabled());
}

void TGestion_des_codes::focusItem(SymbolItem item)
{
    switch (item) {
    case SymbolItem::Code:
        EDT_Code->setFocus();
        break;
    case SymbolItem::Name:
        EDT_Nom->setFocus();
        break;
    case SymbolItem::Market:
        DBL->setFocus();
        break;
    }
}

void TGestion_des_codes::DBLChange(int index)
{
    gui::runGuarded([&] {
        storeEdits();
        if (index >= 0)
            manager_->setMarket(DBL->itemData(index).toInt());
        showSymbol();
    });
}

void TGestion_des_codes::step(bool (SymbolManager::*advance)())
{
    gui::runGuarded([&] {
        storeEdits();
        if ((manager_.get()->*advance)()) {
            showSymbol();
            EDT_Code->setFocus();
        }
    });
}

void TGestion_des_codes::Button2Click()
{
    step(&SymbolManager::prior);
}

void TGestion_des_codes::Button3Click()
{
    step(&SymbolManager::next);
}

void TGestion_des_codes::BTN_AjouterClick()
{
    gui::runGuarded([&] {
        storeEdits();
        manager_->add();
        showSymbol();
        EDT_Code->setFocus();
    });
}

void TGestion_des_codes::BTN_DelClick()
{
    gui::runGuarded([&] {
        storeEdits();
        if (manager_->hasSymbol() && confirm("Do you want delete this symbol ?"))
            manager_->removeCurrent();
        showSymbol();
        EDT_Code->setFocus();
    });
}

void TGestion_des_codes::showOutcome(const ApplyOutcome& outcome)
{
    showSymbol();
    if (!outcome.problem.empty())
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(outcome.problem));
    focusItem(outcome.focus);
}

void TGestion_des_codes::BTN_AppliquerClick()
{
    gui::runGuarded([&] {
        storeEdits();
        showOutcome(manager_->apply(validationOK_));
    });
}

void TGestion_des_codes::BTN_OKClick()
{
    gui::runGuarded([&] {
        storeEdits();
        showOutcome(manager_->confirm(validationOK_));
        if (validationOK_)
            accept();
    });
}

}  // namespace kiruvan
