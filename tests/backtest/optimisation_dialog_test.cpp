#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/MAIN.h"
#include "backtest/results_table.h"
#include "backtest/ui/FOptimisation.h"
#include "backtest_fixture.h"
#include "database/table_file.h"
#include "support/gui_support.h"

namespace kiruvan {
namespace {

using test::BacktestFolder;

// Processes events until the condition holds or the time runs out.
bool waitFor(const std::function<bool()>& condition, int milliseconds = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

QStringList logLines(const TUOptimisation& dialog)
{
    return test::child<QPlainTextEdit>(dialog, "Memo_BackTest")->toPlainText().split('\n');
}

void pressEscape(QWidget* widget)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

TEST(BacktestDialog, ShowsEachMarketsSymbolCountAndEnablesStartAccordingly)
{
    BacktestFolder data;
    data.writeMarkets({{2, "Zeta"}, {1, "Alpha"}});
    data.writeSymbols({{"A", "A", 1}, {"B", "B", 1}, {"Z", "Z", 9}});

    TUOptimisation dialog(data.folder());

    EXPECT_EQ(dialog.windowTitle(), "Optimization");
    EXPECT_TRUE(std::filesystem::exists(data.file("Optimization.cds")));
    ASSERT_EQ(test::child<QComboBox>(dialog, "DBL1")->count(), 2);
    EXPECT_EQ(test::child<QComboBox>(dialog, "DBL1")->itemText(0), "Alpha");
    EXPECT_EQ(test::child<QLabel>(dialog, "LBL_NbSymbol")->text(), "2 symbols found.");
    EXPECT_TRUE(test::child<QPushButton>(dialog, "BTN_OK")->isEnabled());

    test::child<QComboBox>(dialog, "DBL1")->setCurrentIndex(1);
    EXPECT_EQ(test::child<QLabel>(dialog, "LBL_NbSymbol")->text(), "0 symbols found.");
    EXPECT_FALSE(test::child<QPushButton>(dialog, "BTN_OK")->isEnabled());
}

TEST(BacktestDialog, WithoutMarketsNothingCanStart)
{
    BacktestFolder data;
    TUOptimisation dialog(data.folder());
    EXPECT_EQ(test::child<QComboBox>(dialog, "DBL1")->count(), 0);
    EXPECT_FALSE(test::child<QPushButton>(dialog, "BTN_OK")->isEnabled());
    EXPECT_TRUE(test::child<QLabel>(dialog, "LBL_NbSymbol")->isHidden());
}

TEST(BacktestDialog, StartRunsInTheBackgroundAndAbortStopsIt)
{
    // Enough symbols that the run outlasts the wait past the Start click's double click.
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}});
    std::vector<test::SymbolSpec> symbols{{"S1", "First", 1}};
    for (int s = 2; s <= 40; ++s)
        symbols.push_back({"S" + std::to_string(s), "Next " + std::to_string(s), 1});
    data.writeSymbols(symbols);
    for (const auto& symbol : symbols)
        data.writeBars(symbol.code, 3501);
    TUOptimisation dialog(data.folder());
    dialog.show();
    int ended = 0;
    QObject::connect(&dialog, &TUOptimisation::runEnded, [&] { ++ended; });

    test::child<QPushButton>(dialog, "BTN_OK")->click();
    EXPECT_EQ(test::child<QPushButton>(dialog, "BTN_OK")->text(), "Abort");
    EXPECT_TRUE(test::child<QPushButton>(dialog, "BTN_Cancel")->isHidden());
    EXPECT_FALSE(test::child<QComboBox>(dialog, "DBL1")->isEnabled());
    ASSERT_TRUE(waitFor([&] { return test::child<QProgressBar>(dialog, "PRB_Progress")->value() > 0; }));
    EXPECT_EQ(logLines(dialog).front(), "Backtesting First");

    pressEscape(&dialog);
    dialog.close();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.isRunning());
    QTest::qWait(QApplication::doubleClickInterval());  // past the Start click's double click

    // A slow double click on Abort: its second click lands on Start once the run has stopped.
    test::child<QPushButton>(dialog, "BTN_OK")->click();
    EXPECT_EQ(test::child<QPushButton>(dialog, "BTN_OK")->text(), "Start");
    const int doubleClick = QApplication::doubleClickInterval();
    QApplication::setDoubleClickInterval(60000);
    test::child<QPushButton>(dialog, "BTN_OK")->click();  // a second press while the search winds down starts nothing
    ASSERT_TRUE(waitFor([&] { return ended == 1; }));
    test::child<QPushButton>(dialog, "BTN_OK")->click();  // nor once it has stopped
    QApplication::setDoubleClickInterval(doubleClick);
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_FALSE(dialog.isRunning());
    EXPECT_EQ(logLines(dialog).back(), "Backtest aborted !");
    EXPECT_FALSE(test::child<QPushButton>(dialog, "BTN_Cancel")->isHidden());
    EXPECT_TRUE(test::child<QPushButton>(dialog, "BTN_OK")->isEnabled());
    EXPECT_TRUE(test::child<QComboBox>(dialog, "DBL1")->isEnabled());
    EXPECT_LT(readResultRows(data.folder(), std::nullopt).size(), symbols.size());

    test::child<QPushButton>(dialog, "BTN_Cancel")->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST(BacktestDialog, DoubleClickOnStartDoesNotAbortTheRunItStarts)
{
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}});
    data.writeSymbols({{"S1", "First", 1}});
    data.writeBars("S1", 2250);
    TUOptimisation dialog(data.folder());
    int ended = 0;
    QObject::connect(&dialog, &TUOptimisation::runEnded, [&] { ++ended; });

    auto* start = test::child<QPushButton>(dialog, "BTN_OK");
    start->click();
    start->click();
    EXPECT_EQ(start->text(), "Abort");
    ASSERT_TRUE(waitFor([&] { return ended == 1; }, 60000));
    EXPECT_FALSE(logLines(dialog).contains("Backtest aborted !"));
    EXPECT_EQ(readResultRows(data.folder(), 1).size(), 1u);
}

TEST(BacktestDialog, CompleteRunLogsEverySymbolAndFillsTheProgressBar)
{
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}});
    data.writeSymbols({{"SHORT", "Short", 1}, {"S1", "First", 1}});
    data.writeBars("SHORT", 100);
    data.writeBars("S1", 2250);
    TUOptimisation dialog(data.folder());
    int ended = 0;
    QObject::connect(&dialog, &TUOptimisation::runEnded, [&] { ++ended; });

    test::child<QPushButton>(dialog, "BTN_OK")->click();
    ASSERT_TRUE(waitFor([&] { return ended == 1; }, 60000));

    const QStringList log = logLines(dialog);
    EXPECT_EQ(log.first(), "Needs 2250 bars for Short");
    EXPECT_EQ(log[1], "Backtesting First");
    EXPECT_EQ(log.mid(log.size() - 2), (QStringList{"All done.", "1 error."}));
    EXPECT_EQ(test::child<QProgressBar>(dialog, "PRB_Progress")->value(),
              test::child<QProgressBar>(dialog, "PRB_Progress")->maximum());
    EXPECT_EQ(readResultRows(data.folder(), 1).size(), 1u);

    // A new Start clears the log.
    test::child<QPushButton>(dialog, "BTN_OK")->click();
    ASSERT_TRUE(waitFor([&] { return ended == 2; }, 60000));
    EXPECT_EQ(logLines(dialog).count("Backtesting First"), 1);
}

// Another program changes the results file after every read of the run, so no save can land.
TEST(BacktestDialog, ResultThatCannotBeSavedIsNamedInTheLogAndInAMessage)
{
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}});
    data.writeSymbols({{"S1", "First", 1}});
    data.writeBars("S1", 2250);
    TUOptimisation dialog(data.folder());
    int ended = 0;
    QObject::connect(&dialog, &TUOptimisation::runEnded, [&] { ++ended; });
    int changes = 0;
    bool changing = false;
    TableFile::setEventHookForTests([&](TableFile::Event event, const std::filesystem::path& file) {
        if (event != TableFile::Event::ReadDone || file.filename() != "Optimization.cds"
            || std::exchange(changing, true))
            return;
        ResultsTable other(data.folder());
        other.Delete_anciennes_valeurs_dans_CDS_Optimisation(2);
        other.appendRow(test::sampleRow(2, "B" + std::to_string(++changes)));
        changing = false;
    });

    test::MessageBoxAnswer answer(QMessageBox::Ok);
    test::child<QPushButton>(dialog, "BTN_OK")->click();
    const bool finished = waitFor([&] { return ended == 1; }, 60000);
    TableFile::setEventHookForTests({});
    ASSERT_TRUE(finished);

    EXPECT_TRUE(logLines(dialog).filter("The result of First could not be saved: ").size() == 1)
        << logLines(dialog).join('|').toStdString();
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(answer.icon(), QMessageBox::Critical);
    EXPECT_TRUE(answer.text().contains("The result of First could not be saved: ")) << answer.text().toStdString();
}

TEST(BacktestDialog, RunThatCannotReadTheResultsFileShowsWhyAndReturnsToIdle)
{
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}});
    data.writeSymbols({{"S1", "First", 1}});
    TUOptimisation dialog(data.folder());
    test::writeFile(data.file("Optimization.cds"), "damaged");
    int ended = 0;
    QObject::connect(&dialog, &TUOptimisation::runEnded, [&] { ++ended; });

    test::MessageBoxAnswer answer(QMessageBox::Ok);
    test::child<QPushButton>(dialog, "BTN_OK")->click();
    ASSERT_TRUE(waitFor([&] { return ended == 1; }));

    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(answer.icon(), QMessageBox::Critical);
    EXPECT_TRUE(answer.text().contains("Optimization.cds")) << answer.text().toStdString();
    EXPECT_EQ(test::child<QPushButton>(dialog, "BTN_OK")->text(), "Start");
    EXPECT_FALSE(test::child<QPushButton>(dialog, "BTN_Cancel")->isHidden());
    EXPECT_EQ(test::readFile(data.file("Optimization.cds")), "damaged");
}

TEST(BacktestCommand, ClosesTheChildWindowsThenShowsTheDialog)
{
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}});
    TBrannock window(data.folder());
    window.show();
    window.addChildWindow(new QWidget);
    ASSERT_TRUE(test::child<QAction>(window, "Scanneur1")->isEnabled());

    QString title;
    qsizetype childrenShown = -1;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<TUOptimisation*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        closer.stop();
        title = dialog->windowTitle();
        childrenShown = std::ranges::count_if(window.mdiArea()->subWindowList(),
                                              [](const QWidget* child) { return child->isVisible(); });
        test::child<QPushButton>(*dialog, "BTN_Cancel")->click();
    });
    closer.start(5);
    test::child<QAction>(window, "Scanneur1")->trigger();

    EXPECT_EQ(title, "Optimization");
    EXPECT_EQ(childrenShown, 0);
}

// The picture of the dialog in the middle of a run shows its controls (not a blank window).
// With KIRUVAN_SHOTS set, the picture is also saved there for a person to look at.
TEST(BacktestDialog, PaintsItsControlsDuringARun)
{
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}});
    data.writeSymbols({{"SHORT", "Short", 1}, {"S1", "First", 1}});
    data.writeBars("SHORT", 100);
    data.writeBars("S1", 3501);
    TUOptimisation dialog(data.folder());
    dialog.show();
    test::child<QPushButton>(dialog, "BTN_OK")->click();
    ASSERT_TRUE(waitFor([&] {
        return test::child<QProgressBar>(dialog, "PRB_Progress")->value()
               > test::child<QProgressBar>(dialog, "PRB_Progress")->maximum() / 2 + 50;
    }));

    const QImage picture = dialog.grab().toImage();
    if (const char* folder = std::getenv("KIRUVAN_SHOTS"))
        picture.save(QString::fromLocal8Bit(folder) + "/backtest_dialog.png");
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 3)
        for (int x = 0; x < picture.width(); x += 3)
            colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 4);
    test::child<QPushButton>(dialog, "BTN_OK")->click();
    ASSERT_TRUE(waitFor([&] { return !dialog.isRunning(); }));
    if (const char* folder = std::getenv("KIRUVAN_SHOTS"))
        dialog.grab().save(QString::fromLocal8Bit(folder) + "/backtest_dialog_aborted.png");
}

}  // namespace
}  // namespace kiruvan
