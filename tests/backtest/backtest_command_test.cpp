#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "backtest/results_table.h"
#include "backtest_fixture.h"
#include "cli/cli.h"
#include "database/table_file.h"
#include "support/child_process.h"
#include "trading/bar_loading.h"
#include "trading/parameter_search.h"

namespace kiruvan {
namespace {

using test::BacktestFolder;

struct CliResult {
    int status = 0;
    std::string out;
    std::string err;
};

CliResult runCli(const BacktestFolder& data, std::vector<std::string> args)
{
    args.insert(args.begin(), {"--data", data.folder().root().string()});
    std::ostringstream out, err;
    const FixedClock clock = test::fixedClock2026();
    const int status = cli::runCommandLine(args, "/nonexistent/", clock, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

std::vector<std::string> cells(const std::string& line)
{
    std::vector<std::string> result(1);
    for (char c : line) {
        if (c == ',')
            result.emplace_back();
        else
            result.back() += c;
    }
    return result;
}

double number(const std::string& cell)
{
    return std::strtod(cell.c_str(), nullptr);
}

TEST(BatchBacktest, PrintsTheRunsLogAndTheReportHoldsTheEnginesResult)
{
    BacktestFolder data;
    data.writeMarkets({{4, "Alpha"}, {5, "Beta"}});
    data.writeSymbols({{"GONE", "Gone", 4}, {"S1", "First", 4}});
    data.writeBars("S1", 2400, 5);

    const CliResult backtest = runCli(data, {"backtest", "--market", "alpha"});
    ASSERT_EQ(backtest.status, 0) << backtest.err;
    const auto log = lines(backtest.out);
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[0], "< File \"GONE.cds\" not found. >");
    EXPECT_EQ(log[1], "Needs 2250 bars for Gone");
    EXPECT_EQ(log[2], "Backtesting First");
    EXPECT_EQ(log[log.size() - 3], "");
    EXPECT_EQ(log[log.size() - 2], "All done.");
    EXPECT_EQ(log[log.size() - 1], "2 errors.");

    const CliResult report = runCli(data, {"report", "--market", "Alpha"});
    ASSERT_EQ(report.status, 0) << report.err;
    const auto csv = lines(report.out);
    ASSERT_EQ(csv.size(), 2u);
    const auto header = cells(csv[0]);
    const auto row = cells(csv[1]);
    ASSERT_EQ(header.size(), 28u);
    ASSERT_EQ(row.size(), 28u);
    const auto at = [&](const std::string& field) {
        const auto it = std::find(header.begin(), header.end(), field);
        EXPECT_NE(it, header.end()) << field;
        return row[it - header.begin()];
    };

    auto bars = std::make_unique<BarSeries>();
    loadNewestBars(data.file("S1.cds"), *bars);
    const SearchResult best = *Trading_system2_OPT(*bars, 1150);
    const TradeStatistics& s = best.statistics;
    EXPECT_EQ(at("Code_Market"), "4");
    EXPECT_EQ(at("Code_Stock"), "S1");
    EXPECT_EQ(at("Nom_Market"), "Alpha");
    EXPECT_EQ(at("First_Bar"), "1150");
    EXPECT_EQ(at("Opt1"), std::to_string(best.Opt1));
    EXPECT_EQ(at("Opt2"), std::to_string(best.Opt2));
    EXPECT_EQ(at("Date_BackTest"), best.Date_BackTest);
    EXPECT_EQ(at("date_UMDD"), s.date_UMDD);
    EXPECT_EQ(at("NB_Trades"), std::to_string(s.NB_Trades));
    EXPECT_EQ(number(at("Cours_backtest")), best.Cours_backtest);
    EXPECT_EQ(number(at("PV_Since_Last_trade")), s.PV_Since_Last_trade);
    EXPECT_EQ(number(at("Total_profit_pourcent")), s.Total_profit_pourcent);
    EXPECT_EQ(number(at("Percent_profitable")), s.Percent_profitable);
    EXPECT_EQ(number(at("Profit_Factor")), s.Profit_Factor);
    EXPECT_EQ(number(at("Updated_Account_size_required")), s.Updated_Account_size_required);
    EXPECT_EQ(number(at("Updated_Return_On_Account")), s.Updated_Return_On_Account);

    EXPECT_EQ(lines(runCli(data, {"report", "--market", "Beta"}).out).size(), 1u);
    EXPECT_EQ(lines(runCli(data, {"report", "--all"}).out), csv);
    EXPECT_EQ(lines(runCli(data, {"report"}).out), csv);
}

TEST(BatchBacktest, FailsWhenNoResultCouldBeSaved)
{
    BacktestFolder data;
    data.writeMarkets({{4, "Alpha"}});
    data.writeSymbols({{"S1", "First", 4}});
    data.writeBars("S1", 2300, 5);
    CreateDataset_Trading_system(data.folder());
    const test::ChildOutcome full = test::runInChild(
        [&](std::ostream& output) {
            const CliResult run = runCli(data, {"backtest", "--market", "Alpha", "--threads", "1"});
            output << run.out;
            return run.status;
        },
        true);
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.output.find("could not be saved"), std::string::npos) << full.output;
}

TEST(BatchBacktest, RefusesWrongCommandLinesAndUnknownMarkets)
{
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}, {2, "ALPHA"}});

    EXPECT_EQ(runCli(data, {"backtest"}).status, 2);
    EXPECT_EQ(runCli(data, {"backtest", "--market", "Alpha", "extra"}).status, 2);
    EXPECT_EQ(runCli(data, {"report", "--market", "Alpha", "--all"}).status, 2);
    EXPECT_EQ(runCli(data, {"backtest", "--market", "Alpha", "--threads", "0"}).status, 2);
    EXPECT_EQ(runCli(data, {"backtest", "--market", "Alpha", "--threads", "2x"}).status, 2);

    const CliResult unknown = runCli(data, {"backtest", "--market", "Gamma"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("Gamma"), std::string::npos) << unknown.err;
    EXPECT_TRUE(unknown.out.empty());
    EXPECT_EQ(runCli(data, {"report", "--market", "alpha"}).status, 1);  // two markets match

    const CliResult empty = runCli(data, {"report", "--all"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(lines(empty.out).size(), 1u);  // the header only: no results file yet
}

TEST(BatchBacktest, HelpDescribesBothCommands)
{
    BacktestFolder data;
    const CliResult help = runCli(data, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("backtest --market NAME [--threads N]"), std::string::npos);
    EXPECT_NE(help.out.find("report [--market NAME | --all]"), std::string::npos);
    EXPECT_NE(runCli(data, {"report", "--help"}).out.find("shortest text"), std::string::npos);
}

TEST(DemoCommand, BuildsABacktestedMarketOnceAndRefusesASecond)
{
    BacktestFolder data;
    const CliResult demo = runCli(data, {"demo", "--symbols", "2"});
    ASSERT_EQ(demo.status, 0) << demo.err;
    const auto rows = readResultRows(data.folder(), std::nullopt);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Nom_Market, "Demo");
    EXPECT_NE(rows[0].Nom_Stock.find("Synthetic"), std::string::npos);
    EXPECT_EQ(runCli(data, {"demo"}).status, 1);
    EXPECT_EQ(runCli(data, {"demo", "--symbols", "0"}).status, 2);
}

// Another program changes the results file after every read of the run: the symbol's result
// cannot be saved, its old one stays, and the command says so.
TEST(BatchBacktest, ExitsOneWithTheReasonWhenAResultCannotBeSavedAndKeepsTheOldOne)
{
    BacktestFolder data;
    data.writeMarkets({{1, "Alpha"}});
    data.writeSymbols({{"S1", "First", 1}});
    data.writeBars("S1", 2250);
    CreateDataset_Trading_system(data.folder());
    {
        ResultsTable previous(data.folder());
        previous.Delete_anciennes_valeurs_dans_CDS_Optimisation(1);
        previous.appendRow(test::sampleRow(1, "S1"));
    }
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

    const CliResult backtest = runCli(data, {"backtest", "--market", "Alpha"});
    TableFile::setEventHookForTests({});

    EXPECT_EQ(backtest.status, 1);
    EXPECT_NE(backtest.err.find("kiruvan-cli: The result of First could not be saved: "), std::string::npos)
        << backtest.err;
    EXPECT_NE(backtest.err.find("was changed by another program"), std::string::npos) << backtest.err;
    EXPECT_EQ(readResultRows(data.folder(), 1), std::vector<ResultRow>{test::sampleRow(1, "S1")});
}

}  // namespace
}  // namespace kiruvan
