#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "base/calendar_date.h"
#include "database/data_folder.h"
#include "import/import_run.h"
#include "import/import_settings.h"
#include "widgets/dialog_helpers.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kiruvan {

// The "Update Database" dialog: the import settings, the loaded quote file and its run.
class TU_MAJ : public QDialog {
    Q_OBJECT

public:
    enum class MessageKind { Information, Warning, Error };
    // Shows one message box; tests replace it to read the messages instead.
    std::function<void(MessageKind, const QString&)> showMessage;
    // Sounds the default system beep.
    std::function<void()> beep;

    TU_MAJ(const DataFolder& folder, const Clock& clock, QWidget* parent = nullptr);

    // The settings as the controls show them.
    ImportSettings currentSettings() const;
    // Loads a quote file into the list of lines; false, after a message, when it cannot be read.
    bool loadQuoteFile(const QString& file);
    bool running() const { return job_.running(); }

public slots:
    void BTN_openClick();
    void BTN_updateClick();
    void BTN_DetectClick();
    void OKClick();

protected:
    void reject() override;

private:
    void buildControls();
    QGridLayout* buildSettingsRow();
    QGridLayout* buildColumnRow();
    QPlainTextEdit* buildLinesList();
    QHBoxLayout* buildRunRow();
    QHBoxLayout* buildBottomRow();
    QComboBox* makeList(const char* name, const QStringList& items);
    void Lecture_Fichier_INI();
    void showSettings(const ImportSettings& settings);
    bool showEarliestDate(const ImportSettings& settings);
    void showEarliestDateUnlessChosen();
    void Ecriture_Fichier_INI();
    void Enabled_components(bool flag);
    void BTN_OK_enabled(bool flag);
    void showProgress(int percent);
    void addWriteFailure(const std::string& symbol);
    ImportOutcome runWithoutInput();
    void finishRun(const ImportOutcome& outcome);
    void focusBlamedBox(const ColumnCheck& check);
    void emptyLoadedLines();
    void clearSummary();

    DataFolder folder_;
    const Clock& clock_;
    std::vector<std::string> lines_;
    gui::RunningJob job_;
    QString shownProgress_;
    // Whether the first date is the user's: stored in Files.ini or changed in the picker. One
    // that is not follows the loaded file, so that a first import takes the whole history.
    bool firstDateChosen_ = false;

    QGroupBox* GroupBox1 = nullptr;
    QPushButton* BTN_open = nullptr;
    QComboBox* CBX_Separateur_Champ = nullptr;
    QComboBox* CBX_date_Format = nullptr;
    QLabel* Label12 = nullptr;
    QComboBox* CBX_Decimal_Separateur = nullptr;
    QCheckBox* CHK_Decimal_Comma = nullptr;  // numbers read with a decimal comma
    QLineEdit* EDT_Symbol = nullptr;
    QDateEdit* Picker_FirstDate = nullptr;
    std::vector<QComboBox*> columnBoxes_;  // CBX_col1, CBX_Col2 to CBX_Col10
    QPlainTextEdit* Memo_Import = nullptr;
    QPushButton* BTN_update = nullptr;
    QPushButton* BTN_Detect = nullptr;  // fills the settings from the loaded lines
    QLabel* LBL_Processing = nullptr;
    QPlainTextEdit* Memo_Summary = nullptr;  // what the last run did with the lines
    QLabel* LBL_Directory = nullptr;
    QPlainTextEdit* Memo_Erreurs = nullptr;
    QPushButton* OK = nullptr;
};

}  // namespace kiruvan
