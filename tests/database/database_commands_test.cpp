#include <gtest/gtest.h>

#include <sqlite3.h>

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

TEST_F(DatabaseCommandsTest, AMissingFolderIsRefusedForReadingAndMadeForWriting)
{
    std::filesystem::remove(temp.path());
    const Run listing = run({"markets"});
    EXPECT_EQ(listing.status, cli::kFailed);
    EXPECT_EQ(listing.err, "kiruvan-cli: the data folder " + temp.path().string() + " does not exist\n");
    const Run adding = run({"add-market", "NYSE"});
    EXPECT_EQ(adding.status, cli::kSuccess);
    EXPECT_NE(adding.err.find("created the data folder"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(temp.file("Master.cds")));
}

TEST_F(DatabaseCommandsTest, ACodeListedTwiceInOneMarketIsRefusedAndInTwoMarketsNoted)
{
    run({"add-market", "NYSE"});
    run({"add-market", "LSE"});
    ASSERT_EQ(run({"add-symbol", "--market", "NYSE", "ABC"}).status, cli::kSuccess);
    const Run again = run({"add-symbol", "--market", "NYSE", "abc"});
    EXPECT_EQ(again.status, cli::kFailed);
    EXPECT_NE(again.err.find("already lists the symbol 'ABC'"), std::string::npos);
    const Run elsewhere = run({"add-symbol", "--market", "LSE", "ABC"});
    EXPECT_EQ(elsewhere.status, cli::kSuccess);
    EXPECT_NE(elsewhere.err.find("share one symbol file"), std::string::npos);
    EXPECT_EQ(run({"symbols"}).out, "ABC;ABC;1\nABC;ABC;2\n");
}

TEST_F(DatabaseCommandsTest, MistakesAreNamedWithWhatToTryInstead)
{
    run({"add-market", "NYSE"});
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"symbols", "--markt", "NYSE"},
         cli::kUsage,
         "kiruvan-cli: unknown option '--markt'; did you mean '--market'?\nTry 'kiruvan-cli symbols --help'.\n"},
        {{"sybmols"},
         cli::kUsage,
         "kiruvan-cli: unknown command 'sybmols'; did you mean 'symbols'?\nTry 'kiruvan-cli --help'.\n"},
        {{"symbols", "--market", "AMEX"}, cli::kFailed, "kiruvan-cli: no market named 'AMEX'; the markets are: NYSE\n"},
    };
    for (const auto& c : cases) {
        const Run result = run(c.args);
        EXPECT_EQ(result.status, c.status) << c.args[0];
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(run({"--version"}).status, cli::kSuccess);
    EXPECT_EQ(run({"-h"}).status, cli::kSuccess);
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

TEST_F(DatabaseCommandsTest, ControlCharactersAndSeparatorsCannotForgeAListedLine)
{
    run({"add-market", "NYSE"});
    const std::vector<std::vector<std::string>> refused = {
        {"add-symbol", "--market", "NYSE", "FAKE;Injected;99"},
        {"add-symbol", "--market", "NYSE", "A\nZ"},
        {"add-symbol", "--market", "NYSE", "\x1b[31mRED"},
        {"add-symbol", "--market", "NYSE", "DEL\x7f"},
        {"add-symbol", "--market", "NYSE", "OK", "Name\r\nFAKE;x;1"},
        {"add-market", "NEW\nMARKET"},
    };
    for (const auto& args : refused)
        EXPECT_EQ(run(args).status, cli::kFailed) << args.back();
    EXPECT_EQ(run({"add-symbol", "--market", "NYSE", "ABC", "Abc; Inc \\ Co"}).status, cli::kSuccess);
    EXPECT_EQ(run({"symbols"}).out, "ABC;Abc\\; Inc \\\\ Co;1\n");
    EXPECT_EQ(run({"markets"}).out, "1;NYSE\n");
    EXPECT_EQ(cli::listingField("a\x1b\x7f"), "a\\x1B\\x7F");
}

TEST_F(DatabaseCommandsTest, ExportWritesTheBarsToStandardOutputOrAFile)
{
    DataFolder folder(temp.path());
    test::writeSymbolFile(folder, "IBM",
                          {test::bar(2004, 3, 8, 1, 2, 1, 2, 3), test::bar(2004, 3, 5, 12.5, 13, 12.25, 12.75, 1500)});
    const std::string expected = "05/03/2004;12.5;13;12.25;12.75;1500\r\n08/03/2004;1;2;1;2;3\r\n";
    EXPECT_EQ(run({"export", "IBM"}).out, expected);
    const std::string file = temp.file("out.txt").string();
    EXPECT_EQ(run({"export", "IBM", file}).status, cli::kSuccess);
    EXPECT_EQ(test::readFile(file), expected);
    EXPECT_EQ(run({"export", "MSFT"}).status, cli::kFailed);
}

TEST_F(DatabaseCommandsTest, CheckListsEachDamagedValueAndLoadsRefuseIt)
{
    DataFolder folder(temp.path());
    run({"add-market", "NYSE"});
    test::writeSymbolFile(folder, "IBM", {test::bar(2004, 3, 5, 1, 2, 1, 2, 3), test::bar(2004, 3, 8, 1, 2, 1, 2, 3)});
    const Run clean = run({"check"});
    EXPECT_EQ(clean.status, cli::kSuccess) << clean.out;
    EXPECT_EQ(clean.out, "");

    // Another program writes what this one never would.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(temp.file("IBM.cds").c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "UPDATE kv_rows SET Close = 9e999, INDEX_DATE = '2004/03/09' WHERE _row = 2", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    test::writeFile(temp.file("NOTE.cds"), "not a table");

    const std::string ibm = temp.file("IBM.cds").string();
    const Run damaged = run({"check"});
    EXPECT_EQ(damaged.status, cli::kFailed);
    EXPECT_NE(damaged.out.find(ibm + ": row 2, field Close: not a finite number\n"), std::string::npos) << damaged.out;
    EXPECT_NE(damaged.out.find(ibm + ": row 2, field INDEX_DATE: '2004/03/09' does not match the date 08/03/2004\n"),
              std::string::npos);
    EXPECT_NE(damaged.out.find(temp.file("NOTE.cds").string() + ": "), std::string::npos);
    EXPECT_EQ(run({"check", "IBM"}).status, cli::kFailed);
    const Run exported = run({"export", "IBM"});
    EXPECT_EQ(exported.status, cli::kFailed);
    EXPECT_NE(exported.err.find("\"" + ibm + "\": row 2, field Close: not a finite number"), std::string::npos)
        << exported.err;
}

}  // namespace
}  // namespace kiruvan
