#include "import/ui/F_Maj.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>
#include <utility>

#include "import/format_detector.h"
#include "import/quote_file.h"
#include "widgets/dialog_helpers.h"
#include "widgets/gui_helpers.h"

namespace kiruvan {
namespace {

constexpr int kSymbolLength = 30;

template <std::size_t N>
QStringList itemsOf(const std::array<std::string_view, N>& items)
{
    QStringList list;
    for (std::string_view item : items)
        list << QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size()));
    return list;
}

QDate toQDate(Date day)
{
    return QDate(day.year(), day.month(), day.day());
}

Date toDate(QDate day)
{
    return Date::fromYmd(day.year(), day.month(), day.day());
}

QLabel* makeLabel(const char* name, const QString& caption, QWidget* buddy)
{
    auto* label = gui::named(new QLabel(caption), name);
    label->setBuddy(buddy);
    return label;
}

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

QComboBox* TU_MAJ::makeList(const char* name, const QStringList& items)
{
    auto* box = gui::named(new QComboBox, name);
    box->addItems(items);
    return box;
}

void TU_MAJ::buildControls()
{
    GroupBox1 = gui::named(new QGroupBox, "GroupBox1");
    GroupBox1->setFocusPolicy(Qt::StrongFocus);
    auto* group = new QVBoxLayout(GroupBox1);
    group->setContentsMargins(6, 6, 6, 6);
    group->addLayout(buildSettingsRow());
    group->addLayout(buildColumnRow());
    group->addWidget(buildLinesList(), 1);
    group->addLayout(buildRunRow());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(buildBottomRow());

    connect(BTN_open, &QPushButton::clicked, this, &TU_MAJ::BTN_openClick);
    connect(BTN_update, &QPushButton::clicked, this, &TU_MAJ::BTN_updateClick);
    connect(BTN_Detect, &QPushButton::clicked, this, &TU_MAJ::BTN_DetectClick);
    connect(OK, &QPushButton::clicked, this, &TU_MAJ::OKClick);
}

// The file button and the settings, captions above their controls, as over the column lists,
// so that every setting fits a row.
QGridLayout* TU_MAJ::buildSettingsRow()
{
    BTN_open = gui::named(gui::plainButton("Open ASCII File", this), "BTN_open");
    CBX_Separateur_Champ = makeList("CBX_Separateur_Champ", itemsOf(kFieldSeparatorItems));
    CBX_date_Format = makeList("CBX_date_Format", itemsOf(kDateLayoutItems));
    CBX_Decimal_Separateur = makeList("CBX_Decimal_Separateur", itemsOf(kDecimalSeparatorItems));
    CHK_Decimal_Comma = gui::named(new QCheckBox("Decimal comma"), "CHK_Decimal_Comma");
    EDT_Symbol = gui::named(new QLineEdit, "EDT_Symbol");
    EDT_Symbol->setMaxLength(kSymbolLength);
    EDT_Symbol->setFixedWidth(110);
    Picker_FirstDate = gui::named(new QDateEdit, "Picker_FirstDate");
    Picker_FirstDate->setDisplayFormat("dd/MM/yyyy");
    Picker_FirstDate->setCalendarPopup(true);
    Picker_FirstDate->setMinimumDate(toQDate(earliestFirstDate()));
    Picker_FirstDate->setMaximumDate(toQDate(clock_.today()));
    Label12 = makeLabel("Label12", "Decimal Separator", CBX_Decimal_Separateur);
    Label12->hide();
    CBX_Decimal_Separateur->hide();

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    grid->addWidget(BTN_open, 1, 0);
    const std::array<std::pair<QLabel*, QWidget*>, 5> settings = {{
        {makeLabel("Label11", "Field Separator", CBX_Separateur_Champ), CBX_Separateur_Champ},
        {makeLabel("Label13", "Date Fomat", CBX_date_Format), CBX_date_Format},
        {Label12, CBX_Decimal_Separateur},
        {makeLabel("Label14", "Symbol", EDT_Symbol), EDT_Symbol},
        {makeLabel("Label15", "First Date", Picker_FirstDate), Picker_FirstDate},
    }};
    for (std::size_t i = 0; i < settings.size(); ++i) {
        grid->addWidget(settings[i].first, 0, static_cast<int>(i) + 1);
        grid->addWidget(settings[i].second, 1, static_cast<int>(i) + 1);
    }
    grid->addWidget(CHK_Decimal_Comma, 1, static_cast<int>(settings.size()) + 1);
    grid->setColumnStretch(static_cast<int>(settings.size()) + 2, 1);
    return grid;
}

// The ten column lists under their captions "Col 1" to "Col 10".
QGridLayout* TU_MAJ::buildColumnRow()
{
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(2);
    const QStringList kinds = itemsOf(kColumnKindItems);
    for (int c = 1; c <= kImportColumns; ++c) {
        const QByteArray name = c == 1 ? "CBX_col1" : "CBX_Col" + QByteArray::number(c);
        QComboBox* box = makeList(name.constData(), kinds);
        // Ten lists share the width; the open list shows the long kinds whole.
        box->setMinimumContentsLength(5);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 8);
        columnBoxes_.push_back(box);
        const QByteArray labelName = "Label" + QByteArray::number(c);
        grid->addWidget(makeLabel(labelName.constData(), QString("Col %1").arg(c), box), 0, c - 1);
        grid->addWidget(box, 1, c - 1);
    }
    return grid;
}

QPlainTextEdit* TU_MAJ::buildLinesList()
{
    Memo_Import = gui::named(new QPlainTextEdit, "Memo_Import");
    Memo_Import->setReadOnly(true);
    Memo_Import->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_Import->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The list only shows what a run reads: it never takes the focus or a key.
    Memo_Import->setFocusPolicy(Qt::NoFocus);
    Memo_Import->setTextInteractionFlags(Qt::NoTextInteraction);
    return Memo_Import;
}

QHBoxLayout* TU_MAJ::buildRunRow()
{
    BTN_update = gui::named(gui::plainButton("Update", this), "BTN_update");
    BTN_update->setEnabled(false);
    BTN_Detect = gui::named(gui::plainButton("Detect", this), "BTN_Detect");
    BTN_Detect->setEnabled(false);
    LBL_Processing = gui::named(new QLabel("Processing ..."), "LBL_Processing");
    LBL_Processing->hide();
    Memo_Summary = gui::named(new QPlainTextEdit, "Memo_Summary");
    Memo_Summary->setReadOnly(true);
    Memo_Summary->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_Summary->setFixedHeight(Memo_Summary->fontMetrics().lineSpacing() * 4 + 10);
    // Its room is kept while it is hidden, so that the buttons stay where the user found them.
    keepRoomWhenHidden(*Memo_Summary);
    Memo_Summary->hide();
    auto* row = new QHBoxLayout;
    row->addWidget(BTN_Detect, 0, Qt::AlignTop);
    row->addWidget(BTN_update, 0, Qt::AlignTop);
    row->addWidget(LBL_Processing, 0, Qt::AlignTop);
    row->addWidget(Memo_Summary, 4);
    row->addStretch(1);
    return row;
}

// The loaded file's name, the symbols whose bars could not be written, and Close.
QHBoxLayout* TU_MAJ::buildBottomRow()
{
    LBL_Directory = gui::named(new QLabel, "LBL_Directory");
    LBL_Directory->hide();
    Memo_Erreurs = gui::named(new QPlainTextEdit, "Memo_Erreurs");
    Memo_Erreurs->setReadOnly(true);
    Memo_Erreurs->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_Erreurs->setFixedSize(240, 40);
    Memo_Erreurs->hide();
    // Close stays at the right whether a file is loaded and whether a write failed.
    keepRoomWhenHidden(*LBL_Directory);
    keepRoomWhenHidden(*Memo_Erreurs);
    OK = gui::named(gui::plainButton("Close", this), "OK");
    auto* row = new QHBoxLayout;
    row->addWidget(LBL_Directory, 1);
    row->addWidget(Memo_Erreurs);
    row->addWidget(OK, 0, Qt::AlignBottom);
    return row;
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
