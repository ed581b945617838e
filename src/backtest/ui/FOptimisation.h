#pragma once

#include <QDialog>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "backtest/backtest_run.h"
#include "database/data_folder.h"
#include "widgets/dialog_helpers.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace kiruvan {

// The backtest dialog: picks a market, runs the parameter search over its symbols on a worker
// thread and shows the run's log. The window stays responsive, and Abort stops the run before
// the next parameter pair.
class TUOptimisation : public QDialog {
    Q_OBJECT

public:
    explicit TUOptimisation(DataFolder folder, QWidget* parent = nullptr);
    ~TUOptimisation() override;

    bool isRunning() const { return job_.running(); }

signals:
    // Emitted on the window's thread when a run has ended, aborted or not.
    void runEnded();

public slots:
    void BTN_OKClick();
    void BTN_CancelClick();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void FormCreate();
    void CDS_MarketsAfterScroll(int index);
    void startRun();
    void requestAbort();
    void showIdle();
    void appendLog(const QString& line);
    void showProgress(const BacktestProgress& progress);
    void runFinished(const QString& error);
    BacktestHooks workerHooks();
    void reportProgressFromWorker(const BacktestProgress& progress);

    DataFolder folder_;
    std::vector<Market> markets_;
    std::vector<BacktestSymbol> symbols_;
    gui::RunningJob job_;

    QComboBox* DBL1 = nullptr;  // the market list
    QLabel* LBL_Market = nullptr;
    QLabel* LBL_NbSymbol = nullptr;  // the market's symbol count
    QGroupBox* GBX_Log = nullptr;
    QPlainTextEdit* Memo_BackTest = nullptr;  // the run's log
    QPushButton* BTN_OK = nullptr;            // Start, and Abort during a run
    QPushButton* BTN_Cancel = nullptr;        // Close
    QCheckBox* CB_Robustness = nullptr;       // the hold-out and overfitting figures too
    QProgressBar* PRB_Progress = nullptr;
    QLabel* LBL_Progress = nullptr;  // the symbol being searched

    std::thread worker_;
    std::atomic<bool> abortRequested_{false};
    // Worker-thread state for thinning out progress reports.
    int lastReportedSymbol_ = 0;
    std::chrono::steady_clock::time_point lastReportTime_;
};

}  // namespace kiruvan
