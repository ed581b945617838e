#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "database/market_manager.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace kiruvan {

// The market manager: markets are added and renamed in memory; OK writes Markets.cds and the
// close box discards every change.
class TGestion_Marches : public QDialog {
    Q_OBJECT
public:
    explicit TGestion_Marches(const DataFolder& folder, QWidget* parent = nullptr);
    ~TGestion_Marches() override;

    // Asks for a name with a caption and an initial text; the empty text means none.
    // The market name dialog by default; tests answer in its place.
    std::function<QString(const QString& caption, const QString& initial)> askName;

private slots:
    void BTN_AjouterClick();
    void BTN_ModifierClick();
    void BitBtn1Click();
    void DBLChange(int index);

private:
    QLabel* Label1 = nullptr;             // caption "Name"
    QPushButton* BitBtn1 = nullptr;       // OK
    QComboBox* DBL = nullptr;             // market list
    QPushButton* BTN_Ajouter = nullptr;   // Add
    QPushButton* BTN_Modifier = nullptr;  // Modify

    void showMarkets();

    std::unique_ptr<MarketManager> manager_;
};

}  // namespace kiruvan
