#include "backtest/ui/FOptimisation.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "backtest/results_table.h"
#include "widgets/gui_helpers.h"

namespace kiruvan {

namespace {

constexpr int kProgressStepsPerSymbol = 1000;
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

QString qText(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

TUOptimisation::TUOptimisation(DataFolder folder, QWidget* parent) : QDialog(parent), folder_(std::move(folder))
{
    buildControls();
    FormCreate();
}

TUOptimisation::~TUOptimisation()
{
    if (worker_.joinable()) {
        abortRequested_ = true;
        worker_.join();
    }
}

void TUOptimisation::buildControls()
{
    setWindowTitle(QStringLiteral("Optimization"));

    LBL_Market = gui::named(new QLabel(QStringLiteral("Market to Optimize"), this), "LBL_Market");
    DBL1 = gui::named(new QComboBox(this), "DBL1");
    DBL1->setMinimumWidth(220);
    LBL_NbSymbol = gui::named(new QLabel(this), "LBL_NbSymbol");
    LBL_NbSymbol->hide();

    GBX_Log = gui::named(new QGroupBox(this), "GBX_Log");
    Memo_BackTest = gui::named(new QPlainTextEdit(GBX_Log), "Memo_BackTest");
    Memo_BackTest->setReadOnly(true);
    Memo_BackTest->setFocusPolicy(Qt::NoFocus);  // the log never keeps the keyboard focus
    Memo_BackTest->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_BackTest->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* logLayout = new QVBoxLayout(GBX_Log);
    logLayout->addWidget(Memo_BackTest);

    LBL_Progress = gui::named(new QLabel(this), "LBL_Progress");
    PRB_Progress = gui::named(new QProgressBar(this), "PRB_Progress");
    PRB_Progress->setRange(0, 1);
    PRB_Progress->setValue(0);

    CB_Robustness = gui::named(new QCheckBox(QStringLiteral("Robustness figures"), this), "CB_Robustness");
    CB_Robustness->setChecked(true);
    CB_Robustness->setToolTip(QStringLiteral("Also test the best pair on the last 250 bars and estimate the "
                                             "probability that it was chosen by luck"));
    BTN_OK = gui::named(gui::plainButton(QStringLiteral("Start"), this), "BTN_OK");
    BTN_Cancel = gui::named(gui::plainButton(QStringLiteral("Close"), this), "BTN_Cancel");
    connect(BTN_OK, &QPushButton::clicked, this, &TUOptimisation::BTN_OKClick);
    connect(BTN_Cancel, &QPushButton::clicked, this, &TUOptimisation::BTN_CancelClick);
    connect(DBL1, &QComboBox::currentIndexChanged, this, &TUOptimisation::CDS_MarketsAfterScroll);

    auto* marketRow = new QHBoxLayout;
    marketRow->addWidget(LBL_Market);
    marketRow->addWidget(DBL1, 1);
    marketRow->addWidget(LBL_NbSymbol);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(CB_Robustness);
    buttonRow->addStretch();
    buttonRow->addWidget(BTN_OK);
    buttonRow->addWidget(BTN_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(marketRow);
    layout->addWidget(GBX_Log, 1);
    layout->addWidget(LBL_Progress);
    layout->addWidget(PRB_Progress);
    layout->addLayout(buttonRow);

    // Keep the Close button's place when it is hidden during a run.
    keepRoomWhenHidden(*BTN_Cancel);

    setFixedSize(520, 440);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TUOptimisation::FormCreate()
{
    BTN_OK->setEnabled(false);
    CreateDataset_Trading_system(folder_);
    markets_ = readMarkets(folder_);
    const QSignalBlocker quiet(DBL1);
    for (const Market& market : markets_)
        DBL1->addItem(qText(market.name), market.id);
    if (markets_.empty())
        return;
    DBL1->setCurrentIndex(0);
    CDS_MarketsAfterScroll(0);
    // With at least one market Start is enabled even when the first market has no symbol.
    BTN_OK->setEnabled(true);
}

void TUOptimisation::CDS_MarketsAfterScroll(int index)
{
    if (index < 0 || index >= static_cast<int>(markets_.size()))
        return;
    symbols_ = loadMarketSymbols(folder_, markets_[index].id);
    LBL_NbSymbol->setText(QString::number(symbols_.size()) + QStringLiteral(" symbols found."));
    LBL_NbSymbol->show();
    BTN_OK->setEnabled(!symbols_.empty());
}

void TUOptimisation::BTN_OKClick()
{
    // The second click of a double click on Start lands on Abort, and that of one on Abort on
    // Start once the run has stopped: neither is meant as a command.
    if (job_.justToggled())
        return;
    if (isRunning())
        requestAbort();
    else if (DBL1->currentIndex() >= 0)
        startRun();
}

void TUOptimisation::startRun()
{
    job_.start();
    GBX_Log->setFocus();
    BTN_OK->setText(QStringLiteral("Abort"));
    BTN_Cancel->hide();
    DBL1->setEnabled(false);
    CB_Robustness->setEnabled(false);
    abortRequested_ = false;
    Memo_BackTest->clear();
    PRB_Progress->setRange(0, std::max<int>(1, static_cast<int>(symbols_.size()) * kProgressStepsPerSymbol));
    PRB_Progress->setValue(0);
    LBL_Progress->clear();
    lastReportedSymbol_ = 0;

    const Market market = markets_[DBL1->currentIndex()];
    worker_ =
        std::thread([this, market, symbols = symbols_, hooks = workerHooks(), robustness = CB_Robustness->isChecked()] {
            QString error;
            try {
                const BacktestSummary summary =
                    runBacktest(folder_, market, symbols, hooks, backtestThreadCount(), robustness);
                error = QString::fromStdString(unsavedResultsMessage(summary));
            } catch (const std::exception& e) {
                error = QString::fromStdString(e.what());
            }
            QMetaObject::invokeMethod(
                this, [this, error] { runFinished(error); }, Qt::QueuedConnection);
        });
}

BacktestHooks TUOptimisation::workerHooks()
{
    BacktestHooks hooks;
    hooks.log = [this](const std::string& line) {
        QMetaObject::invokeMethod(
            this, [this, text = qText(line)] { appendLog(text); }, Qt::QueuedConnection);
    };
    hooks.progress = [this](const BacktestProgress& progress) { reportProgressFromWorker(progress); };
    hooks.abortRequested = [this] { return abortRequested_.load(); };
    return hooks;
}

// Runs on the worker: one report per new symbol, then at most one per interval.
void TUOptimisation::reportProgressFromWorker(const BacktestProgress& progress)
{
    const auto now = std::chrono::steady_clock::now();
    if (progress.symbolIndex == lastReportedSymbol_ && now - lastReportTime_ < kProgressInterval)
        return;
    lastReportedSymbol_ = progress.symbolIndex;
    lastReportTime_ = now;
    QMetaObject::invokeMethod(
        this, [this, progress] { showProgress(progress); }, Qt::QueuedConnection);
}

void TUOptimisation::showProgress(const BacktestProgress& progress)
{
    LBL_Progress->setText(QStringLiteral("%1 (%2 of %3)")
                              .arg(qText(progress.symbolName))
                              .arg(progress.symbolIndex)
                              .arg(progress.symbolCount));
    const int withinSymbol = progress.pairCount > 0 ? static_cast<int>(static_cast<long long>(progress.pairIndex)
                                                                       * kProgressStepsPerSymbol / progress.pairCount)
                                                    : 0;
    PRB_Progress->setValue((progress.symbolIndex - 1) * kProgressStepsPerSymbol + withinSymbol);
}

void TUOptimisation::appendLog(const QString& line)
{
    Memo_BackTest->appendPlainText(line);
}

// The worker stops before its next pair; until it has, neither button can start or close anything.
void TUOptimisation::requestAbort()
{
    abortRequested_ = true;
    job_.requestStop();
    BTN_OK->setText(QStringLiteral("Start"));
    BTN_OK->setEnabled(false);
    BTN_Cancel->setEnabled(false);
    BTN_Cancel->show();
}

void TUOptimisation::runFinished(const QString& error)
{
    if (worker_.joinable())
        worker_.join();
    job_.finish();
    if (!abortRequested_)
        PRB_Progress->setValue(PRB_Progress->maximum());
    showIdle();
    if (!error.isEmpty())
        QMessageBox::critical(this, windowTitle(), error);
    emit runEnded();
}

void TUOptimisation::showIdle()
{
    BTN_OK->setText(QStringLiteral("Start"));
    BTN_OK->setEnabled(true);
    BTN_Cancel->setEnabled(true);
    BTN_Cancel->show();
    DBL1->setEnabled(true);
    CB_Robustness->setEnabled(true);
}

void TUOptimisation::BTN_CancelClick()
{
    if (!isRunning())
        accept();
}

void TUOptimisation::reject()
{
    if (!isRunning())
        QDialog::reject();
}

void TUOptimisation::closeEvent(QCloseEvent* event)
{
    if (isRunning())
        event->ignore();
    else
        QDialog::closeEvent(event);
}

}  // namespace kiruvan
