#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>

#include "base/calendar_date.h"
#include "database/data_folder.h"
#include "database/symbol_data_edits.h"
#include "database/table.h"

class QPushButton;
class QTableView;

namespace kiruvan {

class TableModel;

// The data viewer and editor of one symbol's bars: rows can be deleted, prices divided before
// a day, and the bars exported as ASCII; OK verifies every row and rewrites the symbol file.
// Every change stays in memory until OK; Cancel and the close box discard it.
class TFDataView : public QDialog {
    Q_OBJECT
public:
    // Loads the symbol file of Code_Symbole; throws when it cannot be loaded.
    TFDataView(const DataFolder& folder, const QString& Code_Symbole, const QString& caption, const Clock& clock,
               QWidget* parent = nullptr);
    ~TFDataView() override;

    // Opens the viewer modally for a symbol; a file that cannot be loaded is reported in an
    // error box and nothing opens. Returns whether the viewer saved the file.
    static bool showFor(QWidget* parent, const DataFolder& folder, const QString& Code_Symbole,
                        const QString& Nom_Titre, const Clock& clock);

    // Questions and choices, answered by the standard boxes by default and by tests in their place.
    std::function<bool(const QString& question)> confirm;
    std::function<DivideChoice(Date reference)> askDivision;
    std::function<QString(const QString& folder, const QString& presetName)> chooseExportFile;

    Table& CDS_Data() { return table_; }
    QString Code_Symbole() const { return code_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void BTN_OKClick();
    void BTN_DivisionClick();
    void BTN_Save_ASCIIClick();

private:
    QTableView* DBG = nullptr;            // bar grid
    QPushButton* BTN_Division = nullptr;  // Division
    QPushButton* BTN_Save_ASCII = nullptr;
    QPushButton* BTN_OK = nullptr;
    QPushButton* BTN_Cancel = nullptr;

    void buildGrid();
    void deleteCurrentRow();
    void selectFailure(const RowFailure& failure);

    const Clock& clock_;
    QString code_;
    std::filesystem::path file_;
    DataFolder folder_;
    Table table_;
    TableModel* model_ = nullptr;
};

}  // namespace kiruvan
