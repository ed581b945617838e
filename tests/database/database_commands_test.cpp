#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "database/data_folder.h"
#include "database_test_data.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using test::TempFolder;

class DatabaseCommandsTest : public ::testing::Test {
protected:
    struct Run {
        int status;
        std::string out, err;
    };

    Run run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--data", temp.path().string()});
        std::ostringstream out, err;
        const int status = cli::runCommandLine(args, "/nonexistent/", clock, out, err);
        return {status, out.str(), err.str()};
    }

    TempFolder temp;
    FixedClock clock = test::fixedClock2026();
};

TEST_F(DatabaseCommandsTest, AddMarketPrintsTheNumberAndRefusesEmptyOrDuplicateNames)
{
    EXPECT_EQ(run({"add-market", "NYSE"}).out, "1\n");
    EXPECT_EQ(run({"add-market", "AMEX"}).out, "2\n");
    const Run duplicate = run({"add-market", "nyse"});
    EXPECT_EQ(duplicate.status, cli::kFailed);
    EXPECT_NE(duplicate.err.find("already exists"), std::string::npos);
    EXPECT_EQ(run({"add-market", ""}).status, cli::kFailed);
    EXPECT_EQ(run({"add-market"}).status, cli::kUsage);
    EXPECT_EQ(run({"markets"}).out, "2;AMEX\n1;NYSE\n");
}

TEST_F(DatabaseCommandsTest, ListingAnEmptyFolderPrintsNothingAndWritesNothing)
{
    EXPECT_EQ(run({"markets"}).out, "");
    EXPECT_EQ(run({"symbols"}).out, "");
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

TEST_F(DatabaseCommandsTest, AddSymbolSavesTheSymbolAndCreatesItsFile)
{
    run({"add-market", "NYSE"});
    run({"add-market", "AMEX"});
    EXPECT_EQ(run({"add-symbol", "--market", "NYSE", "IBM", "IBM Corp"}).status, cli::kSuccess);
    EXPECT_EQ(run({"add-symbol", "--market", "amex", "T"}).status, cli::kSuccess);
    EXPECT_TRUE(std::filesystem::exists(temp.file("IBM.cds")));
    EXPECT_TRUE(std::filesystem::exists(temp.file("T.cds")));
    EXPECT_EQ(run({"symbols"}).out, "IBM;IBM Corp;1\nT;T;2\n");
    EXPECT_EQ(run({"symbols", "--market", "AMEX"}).out, "T;T;2\n");
}

TEST_F(DatabaseCommandsTest, AddSymbolRefusesWhatTheSymbolManagerRefuses)
{
    run({"add-market", "NYSE"});
    for (const char* code : {"../evil", "optimization", "a/b", ""}) {
        const Run refused = run({"add-symbol", "--market", "NYSE", code, "Name"});
        EXPECT_EQ(refused.status, cli::kFailed) << code;
        EXPECT_FALSE(refused.err.empty()) << code;
    }
    EXPECT_EQ(run({"add-symbol", "--market", "LSE", "IBM"}).status, cli::kFailed);
    EXPECT_EQ(run({"add-symbol", "IBM"}).status, cli::kUsage);
    EXPECT_EQ(run({"symbols"}).out, "");
    EXPECT_FALSE(std::filesystem::exists(temp.path().parent_path() / "evil.cds"));
}

TEST_F(DatabaseCommandsTest, ExportWritesTheBarsToStandardOutputOrAFile)
{
    DataFolder folder(temp.path());
    test::writeSymbolFile(folder, "IBM", {test::bar(2004, 3, 8, 1, 2, 1, 2, 3), test::bar(2004, 3, 5, 12.5, 13, 12.25, 12.75, 1500)});
    const std::string expected = "05/03/2004;12.5;13;12.25;12.75;1500\r\n08/03/2004;1;2;1;2;3\r\n";
    EXPECT_EQ(run({"export", "IBM"}).out, expected);
    const std::string file = temp.file("out.txt").string();
    EXPECT_EQ(run({"export", "IBM", file}).status, cli::kSuccess);
    EXPECT_EQ(test::readFile(file), expected);
    EXPECT_EQ(run({"export", "MSFT"}).status, cli::kFailed);
}

}  // namespace
}  // namespace kiruvan
