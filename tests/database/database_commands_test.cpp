#include <gtest/gtest.h>

#include <sqlite3.h>

#include <sstream>

#include "backtest/results_table.h"
#include "base/ascii_text.h"
#include "cli/cli.h"
#include "database/data_folder.h"
#include "database/program_tables.h"
#include "database/symbol_files.h"
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

    // Runs SQL on a table file as another program would.
    void changeWithSql(const std::string& file, const std::string& sql)
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(temp.file(file).c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    }

    // A market, a symbol with two bars and a backtest result, every file as the program writes it.
    void makeFullFolder()
    {
        for (const auto& entry : std::filesystem::directory_iterator(temp.path()))
            std::filesystem::remove_all(entry.path());
        DataFolder folder(temp.path());
        test::writeSymbolFile(folder, "IBM",
                              {test::bar(2004, 3, 5, 1, 2, 1, 2, 3), test::bar(2004, 3, 8, 1, 2, 1, 2, 3)});
        run({"add-market", "NYSE"});
        run({"add-symbol", "--market", "NYSE", "IBM", "Intl Business Machines"});
        CreateDataset_Trading_system(folder);
        changeWithSql("Optimization.cds", "INSERT INTO kv_rows(_row, Code_Market, Code_Stock, Nom_Stock, Profit_Factor)"
                                          " VALUES(1, 1, 'IBM', 'Intl Business Machines', 1.5)");
    }

    // The command that reads each table file.
    static std::vector<std::string> readerOf(const std::string& file)
    {
        if (file == "Markets.cds")
            return {"markets"};
        if (file == "Master.cds")
            return {"symbols"};
        if (file == "Optimization.cds")
            return {"report", "--all", "--format", "json"};
        return {"export", file.substr(0, file.find('.'))};
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
    EXPECT_EQ(listing.err, "kiruvan-cli: the data folder " + temp.path().string()
                               + " does not exist; name the right one with --data DIR, or make this one with "
                                 "`kiruvan-cli --data "
                               + temp.path().string() + " add-market NAME`\n");
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
        {{"symbols", "--market", "AMEX"},
         cli::kFailed,
         "kiruvan-cli: no market AMEX (markets: NYSE; add one with `kiruvan-cli --data " + temp.path().string()
             + " add-market AMEX`)\n"},
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

TEST_F(DatabaseCommandsTest, EveryValueTheProgramWouldNotWriteIsRefusedByItsReaderAndReportedByCheck)
{
    const struct {
        std::string file, sql, problem;
    } cases[] = {
        {"IBM.cds", "UPDATE kv_rows SET Low = 'abc' WHERE _row = 2",
         "row 2, field Low: holds the text 'abc', not a number"},
        {"IBM.cds", "UPDATE kv_rows SET Close = 9e999", "row 1, field Close: not a finite number"},
        {"IBM.cds", "UPDATE kv_rows SET Volume = x'00ff'", "row 1, field Volume: holds binary data, not a number"},
        {"IBM.cds", "UPDATE kv_rows SET Date = '2004-02-30' WHERE _row = 1",
         "row 1, field Date: holds the text '2004-02-30', not a date"},
        {"IBM.cds", "UPDATE kv_rows SET INDEX_DATE = 12", "row 1, field INDEX_DATE: holds the integer 12, not text"},
        {"IBM.cds", "UPDATE kv_rows SET INDEX_DATE = '2004/03/09' WHERE _row = 2",
         "row 2, field INDEX_DATE: '2004/03/09' does not match the date 08/03/2004"},
        {"IBM.cds", "DELETE FROM kv_fields", "the field list is empty"},
        {"IBM.cds", "DELETE FROM kv_fields WHERE name = 'Close'", "the field list lacks the stored column Close"},
        {"IBM.cds", "ALTER TABLE kv_rows DROP COLUMN Close; DELETE FROM kv_fields WHERE name = 'Close'",
         "the field list lacks the field Close"},
        {"Markets.cds", "UPDATE kv_rows SET ID_Marche = 'abc'",
         "row 1, field ID_Marche: holds the text 'abc', not an integer"},
        {"Markets.cds", "UPDATE kv_rows SET ID_Marche = 3000000000",
         "row 1, field ID_Marche: holds 3000000000, outside the range of an integer field"},
        {"Markets.cds", "UPDATE kv_rows SET Nom_Marche = NULL", "row 1, field Nom_Marche: is empty"},
        {"Markets.cds", "UPDATE kv_rows SET Nom_Marche = ''", "row 1, field Nom_Marche: is empty"},
        {"Master.cds", "UPDATE kv_rows SET Nom_Titre = printf('%.31c', 'x')",
         "row 1, field Nom_Titre: holds 31 characters, more than the field's 30"},
        {"Master.cds", "UPDATE kv_rows SET Code_Titre = CAST(x'49ff' AS TEXT)",
         "row 1, field Code_Titre: holds text that is not valid UTF-8"},
        {"Master.cds", "UPDATE kv_rows SET Code_Marche = 1.5",
         "row 1, field Code_Marche: holds the number 1.5, not an integer"},
        {"Optimization.cds", "UPDATE kv_rows SET Profit_Factor = 9e999",
         "row 1, field Profit_Factor: not a finite number"},
        {"Optimization.cds", "UPDATE kv_rows SET Code_Stock = NULL", "row 1, field Code_Stock: is empty"},
        {"Optimization.cds",
         "ALTER TABLE kv_rows DROP COLUMN Code_Market; DELETE FROM kv_fields WHERE name = 'Code_Market'",
         "the field list lacks the field Code_Market"},
        {"Optimization.cds", "DELETE FROM kv_fields WHERE name = 'Gross_Loss'",
         "the field list lacks the stored column Gross_Loss"},
    };
    for (const auto& c : cases) {
        makeFullFolder();
        changeWithSql(c.file, c.sql);
        const std::string file = temp.file(c.file).string();
        const Run reader = run(readerOf(c.file));
        EXPECT_EQ(reader.status, cli::kFailed) << c.sql;
        EXPECT_NE(reader.err.find("\"" + file + "\": " + c.problem), std::string::npos) << c.sql << "\n" << reader.err;
        if (c.file == "IBM.cds") {  // the chart's and the backtest's reader, which keeps no table
            try {
                readSymbolFileBars(file);
                ADD_FAILURE() << c.sql;
            } catch (const TableError& e) {
                EXPECT_NE(std::string(e.what()).find("\"" + file + "\": " + c.problem), std::string::npos) << e.what();
            }
        }
        const Run check = run({"check"});
        EXPECT_EQ(check.status, cli::kFailed) << c.sql;
        const std::size_t line = check.out.find(file + ": ");
        ASSERT_NE(line, std::string::npos) << c.sql << "\n" << check.out;
        EXPECT_NE(check.out.substr(line, check.out.find('\n', line) - line).find(c.problem), std::string::npos)
            << c.sql << "\n"
            << check.out;
        EXPECT_EQ(check.out.find("inf"), std::string::npos) << check.out;
    }
}

TEST_F(DatabaseCommandsTest, ValuesOtherToolsStoreAsTheProgramReadsThemAreAccepted)
{
    const struct {
        std::string file, sql;
    } cases[] = {
        {"IBM.cds", "UPDATE kv_rows SET Close = 2"},             // a whole number stored as an integer
        {"Master.cds", "UPDATE kv_rows SET Code_Titre = NULL"},  // as the symbol manager saves an incomplete symbol
        {"Optimization.cds", "UPDATE kv_rows SET Nom_Stock = NULL"},
    };
    for (const auto& c : cases) {
        makeFullFolder();
        changeWithSql(c.file, c.sql);
        EXPECT_EQ(run(readerOf(c.file)).status, cli::kSuccess) << c.sql;
        const Run check = run({"check"});
        EXPECT_EQ(check.status, cli::kSuccess) << c.sql << "\n" << check.out;
    }
}

TEST_F(DatabaseCommandsTest, CodesThatWouldNameTheProgramsTablesOrFoolATerminalAreRefusedEverywhere)
{
    run({"add-market", "NYSE"});
    const int masterRows = static_cast<int>(test::columnText(temp.file("Master.cds"), "Code_Titre").size());
    std::vector<std::string> codes = {"   ",
                                      "*",
                                      "AB?",
                                      "A\xff",
                                      "A\x1b]0;x\x07",
                                      "\xc2\x9b"
                                      "2J",
                                      "A\tB"};
    for (const ProgramTable& table : kProgramTables) {
        const std::string stem(table.file.substr(0, table.file.size() - kTableFileExtension.size()));
        codes.insert(codes.end(), {stem, asciiLower(stem)});
    }
    const std::string quotes = temp.file("quotes.txt").string();
    const std::vector<std::string> layout = {"--separator", ";", "--date-format", "dd/mm/yyyy"};
    for (const std::string& code : codes) {
        const std::string shown = escapedControls(code);
        EXPECT_TRUE(symbolCodeProblem(code)) << shown;
        const Run added = run({"add-symbol", "--market", "NYSE", code, "Name"});
        EXPECT_EQ(added.status, cli::kFailed) << shown;
        EXPECT_NE(added.err.find("The symbol code"), std::string::npos) << added.err;
        std::string printed = added.err;
        std::erase(printed, '\n');
        EXPECT_FALSE(holdsControlCharacter(printed)) << shown;
        test::writeFile(quotes, code + ";05/03/2004;1;2;1;2;3\n");
        // A line with a control character is no text, and a file that is not UTF-8 is read as
        // Windows-1252: neither code reaches the symbol column as it stands.
        if (!holdsControlCharacter(code) && isValidUtf8(code)) {
            std::vector<std::string> byColumn = {"import", quotes, "--columns",
                                                 "Symbol,Date,Open,High,Low,Close,Volume"};
            byColumn.insert(byColumn.end(), layout.begin(), layout.end());
            const Run imported = run(byColumn);
            EXPECT_NE(imported.err.find("1 symbol code refused"), std::string::npos) << shown << imported.err;
            EXPECT_NE(imported.err.find("First symbol code refused: The symbol code"), std::string::npos);
        }
        std::vector<std::string> typed = {"import",   quotes, "--columns", "Name,Date,Open,High,Low,Close,Volume",
                                          "--symbol", code};
        typed.insert(typed.end(), layout.begin(), layout.end());
        EXPECT_EQ(run(typed).status, cli::kFailed) << shown;
    }
    for (const char* name : {"Na\xffme", "Na\xc2\x9bme"}) {
        const Run named = run({"add-symbol", "--market", "NYSE", "OK", name});
        EXPECT_EQ(named.status, cli::kFailed) << escapedControls(name);
        EXPECT_NE(named.err.find("The symbol name 'Na\\x"), std::string::npos) << named.err;
    }
    EXPECT_EQ(test::columnText(temp.file("Master.cds"), "Code_Titre").size(), static_cast<size_t>(masterRows));
    const Run check = run({"check"});
    EXPECT_EQ(check.status, cli::kSuccess) << check.out;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 3);  // the tables and quotes.txt
}

TEST_F(DatabaseCommandsTest, CheckReportsWhatAnInterruptedSymbolAddLeftAndRepairMendsOnlyThat)
{
    DataFolder folder(temp.path());
    run({"add-market", "NYSE"});
    run({"add-symbol", "--market", "NYSE", "GONE"});
    std::filesystem::remove(temp.file("GONE.cds"));
    Creation_d1_Fichier_Data(folder, "EMPTY");  // as a kill after the symbol file and before Master.cds left it
    test::writeFile(temp.file("ZERO.cds"), "");
    test::writeSymbolFile(folder, "KEPT", {test::bar(2004, 3, 5, 1, 2, 1, 2, 3)});  // the user's bars stay
    const Run found = run({"check"});
    EXPECT_EQ(found.status, cli::kFailed);
    for (const std::string line : {"EMPTY.cds: no symbol lists this file and it holds no rows\n",
                                   "ZERO.cds: no symbol lists this file and it holds no rows\n",
                                   "GONE.cds: the symbol 'GONE' is listed but has no file\n"})
        EXPECT_NE(found.out.find(temp.file(line).string()), std::string::npos) << found.out;
    EXPECT_EQ(found.out.find("KEPT"), std::string::npos) << found.out;
    EXPECT_TRUE(std::filesystem::exists(temp.file("EMPTY.cds")));

    const Run repaired = run({"check", "--repair"});
    EXPECT_EQ(repaired.status, cli::kSuccess) << repaired.out;
    EXPECT_NE(repaired.out.find("EMPTY.cds: no symbol lists this file and it holds no rows; removed"),
              std::string::npos);
    EXPECT_NE(repaired.out.find("is listed but has no file; created empty"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(temp.file("EMPTY.cds")));
    EXPECT_FALSE(std::filesystem::exists(temp.file("ZERO.cds")));
    EXPECT_TRUE(std::filesystem::exists(temp.file("GONE.cds")));
    EXPECT_TRUE(std::filesystem::exists(temp.file("KEPT.cds")));
    EXPECT_EQ(run({"check"}).out, "");
    EXPECT_EQ(run({"add-symbol", "--market", "NYSE", "EMPTY"}).status, cli::kSuccess);
}

}  // namespace
}  // namespace kiruvan
