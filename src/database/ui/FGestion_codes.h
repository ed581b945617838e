#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "database/symbol_manager.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kiruvan {

// The symbol manager: one symbol at a time, bound to the code and name edits and the market
// list. Apply and OK write Master.cds and create the missing symbol files; the close box
// discards what was not applied.
class TGestion_des_codes : public QDialog {
    Q_OBJECT
public:
    // Validation_OK is the program-wide flag that outlives the dialog.
    TGestion_des_codes(const DataFolder& folder, bool& Validation_OK, QWidget* parent = nullptr);
    ~TGestion_des_codes() override;

    // Asks a Yes/No question; a confirmation box by default, tests answer in its place.
    std::function<bool(const QString& question)> confirm;

    const SymbolManager& manager() const { return *manager_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void Button2Click();
    void Button3Click();
    void BTN_AjouterClick();
    void BTN_DelClick();
    void BTN_AppliquerClick();
    void BTN_OKClick();
    void DBLChange(int index);

private:
    QLabel* Label1 = nullptr;        // caption "Symbol"
    QLabel* Label3 = nullptr;        // caption "Name"
    QLabel* Label2 = nullptr;        // caption "Market"
    QPushButton* Button2 = nullptr;  // prior symbol
    QPushButton* Button3 = nullptr;  // next symbol
    QLineEdit* EDT_Code = nullptr;
    QLineEdit* EDT_Nom = nullptr;
    QComboBox* DBL = nullptr;              // market list
    QPushButton* BTN_Ajouter = nullptr;    // Add
    QPushButton* BTN_Del = nullptr;        // Delete
    QPushButton* BTN_Appliquer = nullptr;  // Apply
    QPushButton* BTN_OK = nullptr;

    void storeEdits();
    void EDT_CodeExit();
    void showSymbol();
    void showOutcome(const ApplyOutcome& outcome);
    void focusItem(SymbolItem item);
    void step(bool (SymbolManager::*advance)());

    std::unique_ptr<SymbolManager> manager_;
    bool& validationOK_;
};

}  // namespace kiruvan
