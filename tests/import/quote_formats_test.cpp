#include <gtest/gtest.h>

#include <sstream>

#include "base/text_values.h"
#include "cli/cli.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "import/format_detector.h"
#include "import/import_run.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using Lines = std::vector<std::string>;

TEST(DownloadDateLayouts, ReadDigitsOnlyAndLeaveTheCalendarToTheDateCheck)
{
    const FixedClock clock = test::fixedClock2026();
    const struct {
        DateLayout layout;
        std::string text, converted;
    } cases[] = {
        {DateLayout::YyyyMmDdIso, "2004-03-05", "05/03/2004"},
        {DateLayout::YyyyMmDdIso, "2004.03.05 00:00", "05/03/2004"},
        {DateLayout::YyyyMmDdIso, "2004-02-30", "30/02/2004"},
        {DateLayout::YyyyMmDdIso, "2004-3-05", ""},
        {DateLayout::YyyyMmDdIso, "+004-03-05", ""},
        {DateLayout::YyyyMmDdIso, "2004-03", ""},
        {DateLayout::MmDdYyyySlashed, "03/05/2004", "05/03/2004"},
        {DateLayout::MmDdYyyySlashed, "Mar/05/2004", "05/03/2004"},
        {DateLayout::MmDdYyyySlashed, "3/05/2004", ""},
        {DateLayout::MmDdYyyySlashed, "03/05/04", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Formatage_de_la_date(c.text, c.layout, clock), c.converted) << c.text;
    EXPECT_FALSE(parseDate("30/02/2004", clock));
}

class QuoteFormatsFolder : public ::testing::Test {
protected:
    std::vector<double> closes(const std::string& code)
    {
        Table table;
        table.loadFromFile(temp.file(code + ".cds"));
        table.setSortOrder("INDEX_DATE");
        std::vector<double> result;
        for (table.first(); !table.eof(); table.next())
            result.push_back(table["Close"].asFloat());
        return result;
    }

    test::TempFolder temp;
    DataFolder folder{temp.path()};
    FixedClock clock = test::fixedClock2026();
};

TEST_F(QuoteFormatsFolder, NewSettingsReadBackAndADecimalCommaClashesWithACommaSeparator)
{
    ImportSettings written = Lecture_Fichier_INI(temp.file("Files.ini"), clock);
    written.dateFormat = static_cast<int>(DateLayout::MmDdYyyySlashed);
    written.decimalComma = true;
    Ecriture_Fichier_INI(temp.file("Files.ini"), written);
    const ImportSettings read = Lecture_Fichier_INI(temp.file("Files.ini"), clock);
    EXPECT_EQ(read.dateFormat, written.dateFormat);
    EXPECT_TRUE(read.decimalComma);

    written.fieldSeparator = 2;  // ","
    EXPECT_EQ(Verification_CBX(written).message, "Field separator error");
    written.decimalComma = false;
    EXPECT_TRUE(Verification_CBX(written).passed());
}

TEST_F(QuoteFormatsFolder, DecimalCommaReadsPricesExactly)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    ImportSettings settings;
    settings.dateFormat = static_cast<int>(DateLayout::DdMmYyyy);
    settings.firstDate = Date::fromYmd(2004, 1, 1);
    settings.columns = {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume};
    const Lines lines = {"ABC;05/03/2004;68,15;69,00;67,10;68,45;1500"};

    EXPECT_EQ(runImport({folder, clock, settings, "", lines}).linesInserted, 0);
    settings.decimalComma = true;
    EXPECT_EQ(runImport({folder, clock, settings, "", lines}).linesInserted, 1);
    EXPECT_EQ(closes("ABC"), std::vector<double>{68.45});
}

struct DetectorCase {
    const char* name;
    Lines lines;
    std::string problem;  // empty when the guess is sure
    int separator = 0, dateFormat = 0;
    std::vector<int> columns = {};
    bool decimalComma = false;
};

TEST(FormatDetector, ProposesSettingsThatPassTheColumnCheckOrSaysWhy)
{
    const DetectorCase cases[] = {
        {"iso with header",
         {"Date,Open,High,Low,Close,Adj Close,Volume", "1984-09-07,0.42,0.43,0.41,0.42,0.31,23220030",
          "1984-09-10,0.42,0.425,0.413,0.421,0.30,18022532"},
         "",
         2,
         9,
         {kDate, kOpen, kHigh, kLow, kClose, kName, kVolume}},
        {"bracket header",
         {"<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>",
          "ABC,D,19840907,000000,0.42,0.43,0.41,0.42,23220030,0"},
         "",
         2,
         7,
         {kSymbol, kName, kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest}},
        {"headerless with decimal comma",
         {"ABC;17/09/1984;68,15;69,00;67,10;68,50;1500", "ABC;18/09/1984;68,50;70,25;68,00;70,00;2500"},
         "",
         0,
         1,
         {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume},
         true},
        {"us dates, time column between",
         {"09/17/1984\t0930\t1.2\t1.1\t1.3\t1.25\t900", "09/18/1984\t0930\t1.25\t1.2\t1.4\t1.3\t700"},
         "",
         3,
         10,
         {kDate, kName, kOpen, kLow, kHigh, kClose, kVolume}},
        {"dd/mm or mm/dd",
         {"01/02/2004;1;1.2;0.9;1.1;100", "02/02/2004;1;1.2;0.9;1.1;100"},
         "the dates fit more than one layout (dd/mm/yyyy, mm/dd/yyyy)",
         0,
         1},
        {"dates after today", {"2030-01-02;1;1.2;0.9;1.1;100"}, "no column holds dates in a known layout"},
        {"prose",
         {"hello world", "this is not a quote file"},
         "no field separator (';', tab, ',' or '.') cuts every line into the same number of fields, five or more"},
        {"prices out of order",
         {"05/03/2004;1;2;3;4;5"},
         "no four columns hold prices with low <= open, close <= high"},
    };
    const FixedClock clock = test::fixedClock2026();
    for (const auto& c : cases) {
        const FormatGuess guess = detectFormat(c.lines, clock);
        EXPECT_EQ(guess.doubt(), c.problem) << c.name;
        if (!guess.problem.empty())
            continue;
        EXPECT_EQ(guess.settings.fieldSeparator, c.separator) << c.name;
        EXPECT_EQ(guess.settings.dateFormat, c.dateFormat) << c.name;
        EXPECT_EQ(guess.settings.decimalComma, c.decimalComma) << c.name;
        const auto& columns = guess.settings.columns;
        EXPECT_EQ(std::vector<int>(columns.begin(), columns.begin() + static_cast<long>(c.columns.size())), c.columns)
            << c.name;
    }
}

class DetectingImportCommand : public QuoteFormatsFolder {
protected:
    int run(const std::string& text, std::vector<std::string> args)
    {
        test::writeFile(temp.file("quotes.txt"), text);
        args.insert(args.begin(), {"--data=" + temp.path().string(), "import", temp.file("quotes.txt").string()});
        out.str("");
        err.str("");
        return cli::runCommandLine(args, "", clock, out, err);
    }
    std::ostringstream out, err;
};

TEST_F(DetectingImportCommand, DetectPrintsTheOptionsAndAutoImportsEveryDateWithThem)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    const std::string iso = "Date,Open,High,Low,Close,Volume\n1984-09-07,1,1.5,0.5,1.25,10\n1984-09-10,1,2,1,2,20\n";
    EXPECT_EQ(run(iso, {"--detect"}), 0);
    EXPECT_NE(out.str().find("--separator ',' --date-format yyyy-mm-dd --columns Date,Open,High,Low,Close,Volume\n"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(closes("ABC"), std::vector<double>{});

    EXPECT_EQ(run(iso, {"--auto", "--symbol", "ABC"}), 0) << err.str();
    EXPECT_EQ(closes("ABC"), (std::vector<double>{1.25, 2}));
}

TEST_F(DetectingImportCommand, AutoRefusesAmbiguousDatesUnlessALayoutIsGiven)
{
    Creation_d1_Fichier_Data(folder, "ABC");
    const std::string ambiguous = "ABC;01/02/2004;1;1.2;0.9;1.1;100\n";
    EXPECT_EQ(run(ambiguous, {"--auto"}), 1);
    EXPECT_NE(err.str().find("dd/mm/yyyy, mm/dd/yyyy"), std::string::npos) << err.str();
    EXPECT_EQ(closes("ABC"), std::vector<double>{});
    EXPECT_EQ(run(ambiguous, {"--auto", "--date-format", "mm/dd/yyyy"}), 0) << err.str();
    EXPECT_EQ(closes("ABC"), std::vector<double>{1.1});
}

}  // namespace
}  // namespace kiruvan
