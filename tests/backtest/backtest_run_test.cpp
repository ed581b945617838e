#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "backtest/backtest_run.h"
#include "backtest/results_table.h"
#include "backtest/robustness_table.h"
#include "backtest_fixture.h"
#include "base/text_values.h"
#include "database/table_file.h"
#include "trading/bar_loading.h"
#include "trading/fast_search.h"

namespace kiruvan {
namespace {

using test::BacktestFolder;
using test::sampleRow;
using Lines = std::vector<std::string>;

const Market kAlpha{1, "Alpha"};
const Market kBeta{2, "Beta"};

// Runs a backtest of the market and keeps its log. The abort rule sees the log so far and
// the progress reports of the searches so far.
struct RecordedRun {
    Lines log;
    int pairs = 0;  // reports of pairs done
    BacktestSummary summary;
};

RecordedRun runMarket(const BacktestFolder& data, const Market& market,
                      std::function<bool(const RecordedRun&)> abortWhen = {},
                      std::function<void(const BacktestProgress&)> onProgress = {}, int threads = 1,
                      bool withRobustness = false)
{
    RecordedRun run;
    BacktestHooks hooks;
    hooks.log = [&](const std::string& line) { run.log.push_back(line); };
    hooks.progress = [&](const BacktestProgress& p) {
        if (p.pairCount > 0)
            ++run.pairs;
        if (onProgress)
            onProgress(p);
    };
    hooks.abortRequested = [&] { return abortWhen && abortWhen(run); };
    run.summary =
        runBacktest(data.folder(), market, loadMarketSymbols(data.folder(), market.id), hooks, threads, withRobustness);
    return run;
}

// The best pair the engine finds for a symbol file loaded on its own.
SearchResult searchDirectly(const BacktestFolder& data, const std::string& code)
{
    auto bars = std::make_unique<BarSeries>();
    loadNewestBars(data.file(code + ".cds"), *bars);
    return *Trading_system2_OPT(*bars, std::max(1000, bars->NBBars - 1250));
}

// The log lines of one symbol that was backtested and saved.
Lines backtestedLines(const std::string& name, const ResultRow& row)
{
    Lines lines{"Backtesting " + name};
    if (row.statistics.Updated_Account_size_required != 0)
        lines.push_back("Updated Return On Account " + Format_Prix(row.statistics.Updated_Return_On_Account) + " %");
    lines.push_back("");
    return lines;
}

Lines concat(std::initializer_list<Lines> parts)
{
    Lines all;
    for (const Lines& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

class BacktestRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        data.writeMarkets({kAlpha, kBeta});
        CreateDataset_Trading_system(data.folder());
    }

    BacktestFolder data;
};

TEST_F(BacktestRunTest, SymbolsWithoutEnoughHistoryAreCountedAndWriteNoRow)
{
    data.writeSymbols(
        {{"SHORT", "Short one", 1}, {"ALMOST", "Almost", 1}, {"GHOST", "Ghost", 1}, {"mixed", "Mixed case", 1}});
    data.writeBars("SHORT", 10);
    data.writeBars("ALMOST", 2249);
    data.writeBars("MIXED", 300);  // found without regard to case

    const RecordedRun run = runMarket(data, kAlpha);

    EXPECT_EQ(run.log,
              (Lines{"Needs 2250 bars for Short one", "Needs 2250 bars for Almost", "< File \"GHOST.cds\" not found. >",
                     "Needs 2250 bars for Ghost", "Needs 2250 bars for Mixed case", "All done.", "5 errors."}));
    EXPECT_EQ(run.summary.errors, 5);
    EXPECT_EQ(run.pairs, 0);
    EXPECT_TRUE(readResultRows(data.folder(), std::nullopt).empty());
}

TEST_F(BacktestRunTest, UnreadableOrLinkedFileIsOneReadErrorWithItsReasonAndIsLeftAlone)
{
    data.writeSymbols({{"BROKEN", "Broken", 1}, {"OTHER", "Other market", 2}});
    const std::string file = data.file("BROKEN.cds").string();
    test::TempFolder outside;
    test::writeFile(outside.file("target.cds"), "not a table file");
    const struct {
        std::function<void()> make;
        std::string reason;  // the start of the line that says why
    } cases[] = {
        {[&] { std::filesystem::copy_file(outside.file("target.cds"), file); }, "Cannot read file \"" + file + "\": "},
        {[&] { std::filesystem::create_symlink(outside.file("target.cds"), file); },
         "\"" + file + "\" is a link; Kiruvan only uses regular files in its data folder"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(file);
        c.make();
        const RecordedRun run = runMarket(data, kAlpha);
        ASSERT_EQ(run.log.size(), 4u);
        EXPECT_EQ(run.log[0], "Read Error ! Broken file is corrupted. ");
        EXPECT_TRUE(run.log[1].starts_with(c.reason)) << run.log[1];
        EXPECT_EQ(run.log[3], "1 error.");
        EXPECT_EQ(test::readFile(outside.file("target.cds")), "not a table file");
    }
}

TEST_F(BacktestRunTest, MarketWithoutSymbolsOnlySaysAllDone)
{
    const RecordedRun run = runMarket(data, kBeta);
    EXPECT_EQ(run.log, (Lines{"All done."}));
    EXPECT_EQ(run.summary.errors, 0);
}

TEST_F(BacktestRunTest, EvaluationWindowIsTheLast1251BarsAndRowsHoldTheBestPair)
{
    data.writeSymbols({{"S2250", "Exactly enough", 1}, {"S3600", "Long history", 1}});
    data.writeBars("S2250", 2250, 1);
    data.writeBars("S3600", 3600, 2);

    const RecordedRun run = runMarket(data, kAlpha);

    const auto rows = readResultRows(data.folder(), 1);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].First_Bar, 1000);
    EXPECT_EQ(rows[1].First_Bar, 2251);
    EXPECT_EQ(
        run.log,
        concat({backtestedLines("Exactly enough", rows[0]), backtestedLines("Long history", rows[1]), {"All done."}}));
    EXPECT_EQ(run.summary.rowsWritten, 2);
    EXPECT_GE(run.pairs, 2 * kOpt1ValueCount);  // progress moves within each symbol

    const SearchResult best = searchDirectly(data, "S3600");
    const ResultRow& row = rows[1];
    EXPECT_EQ(row.Code_Market, 1);
    EXPECT_EQ(row.Code_Stock, "S3600");
    EXPECT_EQ(row.Nom_Market, "Alpha");
    EXPECT_EQ(row.Nom_Stock, "Long history");
    EXPECT_EQ(row.Opt1, best.Opt1);
    EXPECT_EQ(row.Opt2, best.Opt2);
    EXPECT_EQ(row.Date_BackTest, best.Date_BackTest);
    EXPECT_EQ(row.Cours_backtest, best.Cours_backtest);
    EXPECT_EQ(row.statistics, best.statistics);
}

// The figures come from the same search as the result, in every thread layout; a run without
// them leaves the stored ones alone.
TEST_F(BacktestRunTest, RobustnessRowsFollowTheResultsAndARunWithoutThemKeepsThem)
{
    data.writeSymbols({{"S1", "First", 1}, {"SHORT", "Short", 1}, {"S2", "Second", 1}});
    data.writeBars("S1", 2300, 3);
    data.writeBars("SHORT", 30);
    data.writeBars("S2", 2600, 4);
    for (const int threads : {1, 2}) {
        const RecordedRun run = runMarket(data, kAlpha, {}, {}, threads, true);
        const auto rows = readRobustnessRows(data.folder(), std::nullopt);
        ASSERT_EQ(rows.size(), 2u);
        for (const RobustnessRow& row : rows) {
            auto bars = std::make_unique<BarSeries>();
            loadNewestBars(data.file(row.Code_Stock + ".cds"), *bars);
            const auto outcome = searchWithRobustness(*bars, firstBarFor(bars->NBBars), true);
            EXPECT_EQ(static_cast<const RobustnessFigures&>(row), *outcome->robustness);
            EXPECT_EQ(row.Date_BackTest, outcome->best.Date_BackTest);
            EXPECT_NE(std::find(run.log.begin(), run.log.end(), robustnessLine(row)), run.log.end());
        }
    }
    const auto stored = readRobustnessRows(data.folder(), std::nullopt);
    data.writeBars("S1", 2400, 5);
    runMarket(data, kAlpha);
    EXPECT_EQ(readRobustnessRows(data.folder(), std::nullopt), stored);
}

TEST_F(BacktestRunTest, AbortDuringTheFirstSymbolLeavesTheFileAsItWas)
{
    data.writeSymbols({{"S1", "First", 1}, {"S2", "Second", 1}});
    data.writeBars("S1", 2300);
    data.writeBars("S2", 2300);
    ResultsTable previous(data.folder());
    previous.Delete_anciennes_valeurs_dans_CDS_Optimisation(1);
    previous.appendRow(sampleRow(1, "S1"));
    const std::string before = test::readFile(data.file("Optimization.cds"));

    const RecordedRun run = runMarket(data, kAlpha, [](const RecordedRun& r) { return r.pairs >= 5; });

    EXPECT_EQ(run.log, (Lines{"Backtesting First", "Backtest aborted !"}));
    EXPECT_TRUE(run.summary.aborted);
    EXPECT_EQ(run.pairs, 5);
    EXPECT_EQ(test::readFile(data.file("Optimization.cds")), before);
}

TEST_F(BacktestRunTest, AbortedRunKeepsItsRowsAndDropsTheMarketsOldRows)
{
    data.writeSymbols({{"SKIPPED", "Skipped", 1}, {"DONE", "Done", 1}, {"STOPPED", "Stopped", 1}});
    data.writeBars("SKIPPED", 50);
    data.writeBars("DONE", 2250, 3);
    data.writeBars("STOPPED", 2250, 4);
    ResultsTable previous(data.folder());
    previous.Delete_anciennes_valeurs_dans_CDS_Optimisation(1);
    previous.appendRow(sampleRow(1, "SKIPPED"));
    previous.appendRow(sampleRow(1, "STOPPED"));
    previous.appendRow(sampleRow(2, "ELSEWHERE"));

    const RecordedRun run = runMarket(
        data, kAlpha, [](const RecordedRun& r) { return !r.log.empty() && r.log.back() == "Backtesting Stopped"; });

    const auto rows = readResultRows(data.folder(), 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Code_Stock, "DONE");
    EXPECT_EQ(readResultRows(data.folder(), 2), std::vector<ResultRow>{sampleRow(2, "ELSEWHERE")});
    EXPECT_EQ(run.log, concat({{"Needs 2250 bars for Skipped"},
                               backtestedLines("Done", rows[0]),
                               {"Backtesting Stopped", "Backtest aborted !"}}));
}

TEST_F(BacktestRunTest, AbortIsHonouredBetweenSymbolsThatNeedNoSearch)
{
    data.writeSymbols({{"A", "A", 1}, {"B", "B", 1}, {"C", "C", 1}});

    const RecordedRun run = runMarket(data, kAlpha, [](const RecordedRun& r) { return r.log.size() >= 2; });

    EXPECT_EQ(run.log, (Lines{"< File \"A.cds\" not found. >", "Needs 2250 bars for A", "Backtest aborted !"}));
}

TEST_F(BacktestRunTest, RowThatCannotBeSavedIsReportedAsAnError)
{
    data.writeSymbols({{"S1", "First", 1}});
    data.writeBars("S1", 2250);
    const auto results = data.file("Optimization.cds");
    // Once the search runs, a folder takes the results file's place, so the save fails.
    const auto breakTheFile = [&](const BacktestProgress& p) {
        if (p.pairIndex == 0 && p.pairCount > 0) {
            std::filesystem::remove(results);
            std::filesystem::create_directory(results);
        }
    };

    const RecordedRun run = runMarket(data, kAlpha, {}, breakTheFile);

    ASSERT_EQ(run.log.size(), 5u);
    EXPECT_EQ(run.log[0], "Backtesting First");
    EXPECT_TRUE(run.log[1].starts_with("The result of First could not be saved: ")) << run.log[1];
    EXPECT_EQ(run.log[2], "");
    EXPECT_EQ(run.log[3], "All done.");
    EXPECT_EQ(run.log[4], "1 error.");
    EXPECT_EQ(run.summary.rowsWritten, 0);
}

// Another run, of another market, saves its results just after this run read the file.
TEST_F(BacktestRunTest, ARunOfAnotherMarketSavingFirstLeavesBothResults)
{
    data.writeSymbols({{"S1", "First", 1}});
    data.writeBars("S1", 2250);
    bool injected = false;
    TableFile::setEventHookForTests([&](TableFile::Event event, const std::filesystem::path& file) {
        if (event != TableFile::Event::ReadDone || file.filename() != "Optimization.cds"
            || std::exchange(injected, true))
            return;
        ResultsTable other(data.folder());
        other.Delete_anciennes_valeurs_dans_CDS_Optimisation(2);
        other.appendRow(sampleRow(2, "B1"));
    });

    const RecordedRun run = runMarket(data, kAlpha);
    TableFile::setEventHookForTests({});

    EXPECT_EQ(run.summary.rowsNotSaved, 0) << run.log[1];
    EXPECT_EQ(readResultRows(data.folder(), 1).size(), 1u);
    EXPECT_EQ(readResultRows(data.folder(), 2), std::vector<ResultRow>{sampleRow(2, "B1")});
}

TEST_F(BacktestRunTest, MissingResultsFileStopsTheRunBeforeAnySymbol)
{
    data.writeSymbols({{"S1", "First", 1}});
    std::filesystem::remove(data.file("Optimization.cds"));

    EXPECT_ANY_THROW(runMarket(data, kAlpha));
}

TEST_F(BacktestRunTest, WorkerThreadsGiveTheSameLogAndRows)
{
    data.writeSymbols(
        {{"S1", "First", 1}, {"GONE", "Gone", 1}, {"SHORT", "Short", 1}, {"BROKEN", "Broken", 1}, {"S2", "Second", 1}});
    data.writeBars("S1", 2250, 6);
    data.writeBars("SHORT", 30);
    test::writeFile(data.file("BROKEN.cds"), "not a table file");
    data.writeBars("S2", 2300, 7);

    const RecordedRun alone = runMarket(data, kAlpha);
    const auto rowsAlone = readResultRows(data.folder(), std::nullopt);
    const RecordedRun together = runMarket(data, kAlpha, {}, {}, 3);

    EXPECT_EQ(together.log, alone.log);
    EXPECT_EQ(readResultRows(data.folder(), std::nullopt), rowsAlone);
    EXPECT_EQ(rowsAlone.size(), 2u);
    EXPECT_EQ(together.summary.errors, 4);
}

TEST_F(BacktestRunTest, AbortWithWorkerThreadsKeepsOnlyTheRowsBeforeIt)
{
    data.writeSymbols({{"S1", "First", 1}, {"S2", "Second", 1}, {"S3", "Third", 1}});
    data.writeBars("S1", 2250, 8);
    data.writeBars("S2", 2250, 9);
    data.writeBars("S3", 2250, 10);

    const RecordedRun run = runMarket(
        data, kAlpha, [](const RecordedRun& r) { return !r.log.empty() && r.log.back() == "Backtesting Second"; }, {},
        3);

    const auto rows = readResultRows(data.folder(), 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Code_Stock, "S1");
    EXPECT_EQ(run.log, concat({backtestedLines("First", rows[0]), {"Backtesting Second", "Backtest aborted !"}}));
}

TEST(BacktestInputs, MarketNamesMatchWithoutCaseOnlyWhenNoneMatchesExactly)
{
    const std::vector<Market> markets{{1, "Alpha"}, {2, "ALPHA"}, {4, "beta"}, {5, "\xc3\x89t\xc3\xa9"}};

    EXPECT_EQ(marketsNamed(markets, "Alpha"), (std::vector<Market>{{1, "Alpha"}}));
    EXPECT_EQ(marketsNamed(markets, "alpha").size(), 2u);
    EXPECT_EQ(marketsNamed(markets, "BETA"), (std::vector<Market>{{4, "beta"}}));
    EXPECT_TRUE(marketsNamed(markets, "\xc3\xa9t\xc3\xa9").empty());  // only A to Z ignore case
    EXPECT_TRUE(marketsNamed(markets, "gamma").empty());
}

}  // namespace
}  // namespace kiruvan
