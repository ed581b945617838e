#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

class ImportCommand : public ::testing::Test {
protected:
    int run(std::vector<std::string> args)
    {
        out.str("");
        err.str("");
        args.insert(args.begin(), {"--data=" + temp.path().string(), "import"});
        return cli::runCommandLine(args, "", clock, out, err);
    }

    int rowsOf(const std::string& fileName)
    {
        Table table;
        table.loadFromFile(temp.file(fileName));
        return table.recordCount();
    }

    test::TempFolder temp;
    DataFolder folder{temp.path()};
    FixedClock clock = test::fixedClock2026();
    std::ostringstream out, err;
    std::string quotes = temp.file("quotes.txt").string();
};

TEST_F(ImportCommand, OptionsReplaceTheSettingsFileWhichStaysUnwritten)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    const std::string settings = "[Data Type]\r\nCol 1=3\r\n";
    test::writeFile(temp.file("Files.ini"), settings);
    test::writeFile(temp.file("quotes.txt"),
                    "ABC\t05/03/2004\t1.2\t1.3\t1.1\t1.25\t1500\nABC\t05/03/2003\t1\t1\t1\t1\t1\n");
    EXPECT_EQ(run({quotes, "--separator", "tab", "--date-format", "dd/mm/yyyy", "--columns",
                   "Symbol,Date,Open,High,Low,Close,Volume", "--first-date", "01/01/2004"}),
              0)
        << err.str();
    EXPECT_EQ(out.str(), "1\n");
    EXPECT_EQ(rowsOf("ABC.cds"), 1);
    EXPECT_EQ(test::readFile(temp.file("Files.ini")), settings);
}

TEST_F(ImportCommand, MessagesOfTheRunGoToStandardError)
{
    test::writeFile(temp.file("quotes.txt"), "05/03/2004;1;1;1;1;1\n");
    const std::vector<std::string> oneSymbol = {quotes, "--date-format=dd/mm/yyyy",
                                                "--columns=Date,Open,High,Low,Close,Volume"};
    auto withSymbol = oneSymbol;
    withSymbol.insert(withSymbol.end(), {"--symbol", "NONE"});
    EXPECT_EQ(run(withSymbol), 1);
    EXPECT_NE(err.str().find("none.cds\" Not found >"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "0\n");

    Creation_d1_Fichier_Data(folder, "ABC");
    // Without a first date anywhere the batch tool imports every date, where the dialog's
    // picker would start at today.
    auto everyDate = oneSymbol;
    everyDate.insert(everyDate.end(), {"--symbol", "ABC"});
    EXPECT_EQ(run(everyDate), 0);
    EXPECT_EQ(out.str(), "1\n");
    EXPECT_FALSE(std::filesystem::exists(temp.file("Files.ini")));
}

TEST_F(ImportCommand, RefusesUnknownItemsAsUsageErrors)
{
    test::writeFile(temp.file("quotes.txt"), "");
    EXPECT_EQ(run({quotes, "--separator", "|"}), 2);
    EXPECT_EQ(run({quotes, "--date-format", "yyyy/dd/mm"}), 2);
    EXPECT_EQ(run({quotes, "--decimal", ";"}), 2);
    EXPECT_EQ(run({quotes, "--columns", "Date,Price"}), 2);
    EXPECT_EQ(run({quotes, "--columns", "None,None,None,None,None,None,None,None,None,None,Date"}), 2);
    EXPECT_EQ(run({quotes, "--first-date", "tomorrow"}), 2);
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({temp.file("missing.txt").string()}), 1);
}

TEST_F(ImportCommand, LinesThatCannotBeWrittenFailTheRunAndNameTheFile)
{
    Verification_existance_des_Fichiers(folder);
    Creation_d1_Fichier_Data(folder, "ABC");
    test::writeFile(temp.file("quotes.txt"), "ABC;05/03/2004;1;1;1;1;1\n");
    const test::ChildOutcome full = test::runInChild(
        [&](std::ostream& output) {
            const int status =
                run({quotes, "--date-format=dd/mm/yyyy", "--columns=Symbol,Date,Open,High,Low,Close,Volume"});
            output << err.str();
            return status;
        },
        true);
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.output.find("kiruvan-cli: Cannot save file \"" + temp.file("ABC.cds").string() + "\": "),
              std::string::npos)
        << full.output;
    EXPECT_EQ(rowsOf("ABC.cds"), 0);
}

TEST_F(ImportCommand, ASymbolFileThatIsALinkIsRefusedAndItsTargetLeftAlone)
{
    test::TempFolder outside;
    Creation_d1_Fichier_Data(DataFolder(outside.path()), "ABC");
    const std::string before = test::readFile(outside.file("ABC.cds"));
    std::filesystem::create_symlink(outside.file("ABC.cds"), temp.file("ABC.cds"));
    test::writeFile(temp.file("quotes.txt"), "ABC;05/03/2004;1;1;1;1;1\n");
    EXPECT_EQ(run({quotes, "--date-format=dd/mm/yyyy", "--columns=Symbol,Date,Open,High,Low,Close,Volume"}), 1);
    EXPECT_NE(err.str().find("ABC.cds\" is a link; Kiruvan only uses regular files in its data folder"),
              std::string::npos)
        << err.str();
    std::ostringstream exportOut, exportErr;
    EXPECT_EQ(cli::runCommandLine({"--data", temp.path().string(), "export", "ABC"}, "", clock, exportOut, exportErr),
              1);
    EXPECT_NE(exportErr.str().find("is a link"), std::string::npos) << exportErr.str();
    EXPECT_EQ(test::readFile(outside.file("ABC.cds")), before);
    EXPECT_TRUE(std::filesystem::is_symlink(temp.file("ABC.cds")));
}

}  // namespace
}  // namespace kiruvan
