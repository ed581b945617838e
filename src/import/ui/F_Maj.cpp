#include "import/ui/F_Maj.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "import/format_detector.h"
#include "import/quote_file.h"
#include "widgets/gui_helpers.h"

namespace kiruvan {
namespace {

void showMessageBox(QWidget* parent, TU_MAJ::MessageKind kind, const QString& text)
{
    const QString title = QApplication::applicationName();
    switch (kind) {
    case TU_MAJ::MessageKind::Information:
        QMessageBox::information(parent, title, text);
        break;
    case TU_MAJ::MessageKind::Warning:
        QMessageBox::warning(parent, title, text);
        break;
    case TU_MAJ::MessageKind::Error:
        QMessageBox::critical(parent, title, text);
        break;
    }
}

}  // namespace

TU_MAJ::TU_MAJ(const DataFolder& folder, const Clock& clock, QWidget* parent)
    : QDialog(parent), folder_(folder), clock_(clock)
{
    showMessage = [this](MessageKind kind, const QString& text) { showMessageBox(this, kind, text); };
    beep = [] { QApplication::beep(); };
    setObjectName("U_MAJ");
    setWindowTitle("Update Database");
    buildControls();
    Lecture_Fichier_INI();
    firstDateChosen_ = storedFirstDate(folder_.file(kFilesIni), clock_).has_value();
    connect(Picker_FirstDate, &QDateEdit::dateChanged, this, [this] { firstDateChosen_ = true; });
    setFixedSize(760, 344);
}

void TU_MAJ::Lecture_Fichier_INI()
{
    const ImportSettings settings = kiruvan::Lecture_Fichier_INI(folder_.file(kFilesIni), clock_);
    showSettings(settings);
    CBX_Decimal_Separateur->setCurrentIndex(settings.decimalSeparator);
    Picker_FirstDate->setDate(toQDate(settings.firstDate));
}

// The settings a file's lines call for; the first date and the hidden separator stay.
void TU_MAJ::showSettings(const ImportSettings& settings)
{
    CBX_Separateur_Champ->setCurrentIndex(settings.fieldSeparator);
    CBX_date_Format->setCurrentIndex(settings.dateFormat);
    CHK_Decimal_Comma->setChecked(settings.decimalComma);
    for (std::size_t c = 0; c < columnBoxes_.size(); ++c)
        columnBoxes_[c]->setCurrentIndex(settings.columns[c]);
}

void TU_MAJ::BTN_DetectClick()
{
    const FormatGuess guess = detectFormat(lines_, clock_);
    if (!guess.problem.empty()) {
        showMessage(MessageKind::Warning,
                    "The layout of the file was not recognised: " + QString::fromStdString(guess.problem) + ".");
        return;
    }
    showSettings(guess.settings);
    showEarliestDate(currentSettings());
    if (guess.layoutAmbiguous)
        showMessage(MessageKind::Warning,
                    "Please check the date format: " + QString::fromStdString(guess.doubt()) + ".");
    else if (!guess.hasSymbolColumn && EDT_Symbol->text().isEmpty())
        showMessage(MessageKind::Information, "The file has no symbol column: please type its symbol.");
}

// Sets the first date to the loaded lines' earliest day, without making it the user's choice;
// false when the settings read no date.
bool TU_MAJ::showEarliestDate(const ImportSettings& settings)
{
    const auto earliest = earliestLineDate(lines_, settings, clock_);
    if (!earliest)
        return false;
    const QSignalBlocker notChosen(Picker_FirstDate);
    Picker_FirstDate->setDate(toQDate(clampFirstDate(*earliest, clock_)));
    return true;
}

// Before the columns are set, the dates are found as Detect would find them.
void TU_MAJ::showEarliestDateUnlessChosen()
{
    if (firstDateChosen_ || showEarliestDate(currentSettings()))
        return;
    const FormatGuess guess = detectFormat(lines_, clock_);
    if (guess.problem.empty())
        showEarliestDate(guess.settings);
}

ImportSettings TU_MAJ::currentSettings() const
{
    ImportSettings settings;
    settings.fieldSeparator = CBX_Separateur_Champ->currentIndex();
    settings.decimalSeparator = CBX_Decimal_Separateur->currentIndex();
    settings.dateFormat = CBX_date_Format->currentIndex();
    settings.decimalComma = CHK_Decimal_Comma->isChecked();
    settings.firstDate = toDate(Picker_FirstDate->date());
    for (std::size_t c = 0; c < columnBoxes_.size(); ++c)
        settings.columns[c] = columnBoxes_[c]->currentIndex();
    return settings;
}

void TU_MAJ::Ecriture_Fichier_INI()
{
    kiruvan::Ecriture_Fichier_INI(folder_.file(kFilesIni), currentSettings(), firstDateChosen_);
}

void TU_MAJ::OKClick()
{
    try {
        Ecriture_Fichier_INI();
    } catch (const std::exception& error) {
        showMessage(MessageKind::Error, QString::fromStdString(error.what()));
        return;
    }
    accept();
}

// The close box and Escape both come here; neither ends a run.
void TU_MAJ::reject()
{
    if (!job_.running())
        QDialog::reject();
}

void TU_MAJ::Enabled_components(bool flag)
{
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setEnabled(flag);
    for (QComboBox* box : findChildren<QComboBox*>())
        box->setEnabled(flag);
    EDT_Symbol->setEnabled(flag);
    CHK_Decimal_Comma->setEnabled(flag);
    Picker_FirstDate->setEnabled(flag);
}

void TU_MAJ::BTN_OK_enabled(bool flag)
{
    LBL_Processing->setVisible(!flag);
    Enabled_components(flag);
    OK->setEnabled(flag);
    BTN_update->setEnabled(flag);
}

void TU_MAJ::BTN_openClick()
{
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString::fromStdString(folder_.root().string()));
    if (!file.isEmpty())
        loadQuoteFile(file);
}

bool TU_MAJ::loadQuoteFile(const QString& file)
{
    emptyLoadedLines();
    clearSummary();
    QApplication::processEvents();
    try {
        lines_ = readQuoteFile(file.toStdString());
    } catch (const std::exception& error) {
        showMessage(MessageKind::Error, QString::fromStdString(error.what()));
        return false;
    }
    QString text;
    for (const std::string& line : lines_)
        text += QString::fromStdString(line) + '\n';
    text.chop(1);
    Memo_Import->setPlainText(text);
    LBL_Directory->setText(file);
    LBL_Directory->show();
    BTN_update->setEnabled(true);
    BTN_Detect->setEnabled(true);
    showEarliestDateUnlessChosen();
    return true;
}

void TU_MAJ::emptyLoadedLines()
{
    lines_.clear();
    Memo_Import->clear();
}

// A new file's lines are not what the last run's summary speaks of.
void TU_MAJ::clearSummary()
{
    Memo_Summary->clear();
    Memo_Summary->hide();
}

void TU_MAJ::BTN_updateClick()
{
    if (!job_.start())
        return;
    const ImportOutcome outcome = runWithoutInput();
    job_.finish();
    finishRun(outcome);
}

// Repaints, and the desktop's are-you-alive queries, keep running; input made meanwhile is
// dropped, so that no click or key is carried out on the state the run leaves behind.
ImportOutcome TU_MAJ::runWithoutInput()
{
    gui::DroppedInput droppedInput;
    Enabled_components(false);
    shownProgress_.clear();
    LBL_Processing->setText("Processing ...");
    LBL_Processing->show();
    droppedInput.processEvents();

    QElapsedTimer sinceEvents;
    sinceEvents.start();
    ImportHooks hooks;
    hooks.progress = [&](int percent) {
        showProgress(percent);
        if (sinceEvents.elapsed() >= 50) {
            droppedInput.processEvents();
            sinceEvents.restart();
        }
    };
    hooks.writeFailed = [&](const std::string& symbol) {
        addWriteFailure(symbol);
        droppedInput.processEvents();
    };
    const ImportRequest request{folder_, clock_, currentSettings(), EDT_Symbol->text().toStdString(), lines_};
    return runImport(request, hooks);
}

void TU_MAJ::showProgress(int percent)
{
    const QString caption = QString::number(percent) + "  %";
    if (caption == shownProgress_)
        return;
    shownProgress_ = caption;
    LBL_Processing->setText(caption);
    LBL_Processing->repaint();
}

void TU_MAJ::addWriteFailure(const std::string& symbol)
{
    Memo_Erreurs->show();
    Memo_Erreurs->appendPlainText("Symbol [" + QString::fromStdString(symbol) + "]");
}

void TU_MAJ::finishRun(const ImportOutcome& outcome)
{
    const QString message = QString::fromStdString(outcome.message);
    switch (outcome.end) {
    case ImportEnd::NeedsSymbol:
        beep();
        showMessage(MessageKind::Error, message);
        LBL_Processing->hide();
        Enabled_components(true);
        EDT_Symbol->setFocus();
        return;
    case ImportEnd::SymbolRefused:
    case ImportEnd::SymbolNotFound:
    case ImportEnd::Stopped:
        showMessage(MessageKind::Error, message);
        BTN_OK_enabled(true);
        if (outcome.end == ImportEnd::SymbolRefused)
            EDT_Symbol->setFocus();
        return;
    case ImportEnd::ColumnCheckFailed:
        showMessage(MessageKind::Warning, message);
        break;
    case ImportEnd::Completed:
        break;
    }
    Memo_Summary->setPlainText(QString::fromStdString(outcome.summary.text(currentSettings().dateFormat)).trimmed());
    Memo_Summary->setVisible(outcome.end == ImportEnd::Completed);
    beep();
    if (outcome.linesInserted == 0)
        showMessage(
            MessageKind::Information,
            QString::fromUtf8(kNothingInsertedMessage.data(), static_cast<qsizetype>(kNothingInsertedMessage.size())));
    BTN_OK_enabled(true);
    emptyLoadedLines();
    EDT_Symbol->clear();
    focusBlamedBox(outcome.check);
}

void TU_MAJ::focusBlamedBox(const ColumnCheck& check)
{
    if (check.blamed == BlamedBox::FieldSeparator)
        CBX_Separateur_Champ->setFocus();
    else if (check.blamed == BlamedBox::Column)
        columnBoxes_[static_cast<std::size_t>(check.blamedColumn - 1)]->setFocus();
}

}  // namespace kiruvan
