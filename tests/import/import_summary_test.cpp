#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "database/symbol_files.h"
#include "import/import_run.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

class ImportSummaryTest : public ::testing::Test {
protected:
    ImportSummaryTest() { Creation_d1_Fichier_Data(folder, "ABC"); }

    ImportOutcome run(const std::vector<std::string>& lines, DateLayout layout)
    {
        ImportSettings settings;
        settings.dateFormat = static_cast<int>(layout);
        settings.firstDate = Date::fromYmd(1984, 9, 8);
        settings.columns = {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume};
        return runImport({folder, clock, settings, "", lines});
    }

    test::TempFolder temp;
    DataFolder folder{temp.path()};
    FixedClock clock = test::fixedClock2026();
};

TEST_F(ImportSummaryTest, CountsEveryLineByWhatBecameOfIt)
{
    const ImportOutcome outcome =
        run({"Symbol;Date;O;H;L;C;V", "ABC;07/09/1984;1;2;0.5;1.5;10", "ABC;08/09/1984;1;2;0.5;1.5;10", "",
             "ZZZ;08/09/1984;1;2;0.5;1.5;10", "ABC;32/09/1984;1;2;0.5;1.5;10", "ABC;09/09/1984;1;x;0.5;1.5;10",
             "ABC;10/09/1984;1;2;3;1.5;10", "ABC;08/09/1984;1;2;0.5;1.75;10",
             std::string("ABC;11/09/1984;1;2;0.5;1.5;1") + '\x01'},
            DateLayout::DdMmYyyy);
    const ImportSummary& s = outcome.summary;
    EXPECT_EQ(s.linesRead, 10);
    EXPECT_EQ(s.newDays, 1);
    EXPECT_EQ(s.replacedDays, 1);
    const std::vector<std::pair<SkipReason, int>> expected = {
        {SkipReason::HeaderOrBlank, 2},    {SkipReason::BeforeFirstDate, 1},    {SkipReason::DateUnreadable, 1},
        {SkipReason::NumberUnreadable, 1}, {SkipReason::InconsistentPrices, 1}, {SkipReason::UnknownSymbol, 1},
        {SkipReason::NotText, 1}};
    for (const auto& [reason, count] : expected)
        EXPECT_EQ(s.skippedFor(reason), count) << static_cast<int>(reason);
    EXPECT_EQ(s.unknownSymbols, std::vector<std::string>{"ZZZ"});
    EXPECT_FALSE(s.betterLayout);
}

TEST_F(ImportSummaryTest, FourDigitYearsUnderATwoDigitLayoutNameTheLayoutThatFits)
{
    const ImportOutcome outcome =
        run({"ABC;17/09/1984;1;2;0.5;1.5;10", "ABC;18/09/1984;1;2;0.5;1.5;10", "ABC;x/09/1984;1;2;0.5;1.5;10"},
            DateLayout::DdMmYy);
    EXPECT_EQ(outcome.summary.betterLayout, static_cast<int>(DateLayout::DdMmYyyy));
    EXPECT_NE(outcome.summary.text(0).find("\"dd/mm/yyyy\" fits them"), std::string::npos);
}

TEST_F(ImportSummaryTest, TheBatchToolFailsAFileThatWritesNothing)
{
    test::writeFile(temp.file("q.txt"), "ABC;17/09/1984;1;2;3;1.5;10\n");
    std::ostringstream out, err;
    const int status =
        cli::runCommandLine({"--data", temp.path().string(), "import", temp.file("q.txt").string(), "--date-format",
                             "dd/mm/yyyy", "--columns", "Symbol,Date,Open,High,Low,Close,Volume"},
                            "", clock, out, err);
    EXPECT_EQ(status, cli::kFailed);
    EXPECT_NE(err.str().find("Lines skipped: 1 inconsistent prices"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace kiruvan
