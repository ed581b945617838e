#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "database/symbol_files.h"
#include "database/table.h"
#include "import/import_run.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using Lines = std::vector<std::string>;

struct StoredBar {
    Date day;
    double open, high, low, close;
    std::optional<double> volume;
    std::string indexDate;
    std::string time;
};

class ImportRun : public ::testing::Test {
protected:
    ImportRun()
    {
        settings.fieldSeparator = 0;
        settings.dateFormat = static_cast<int>(DateLayout::DdMmYyyy);
        settings.firstDate = Date::fromYmd(2004, 1, 1);
        settings.columns = {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume};
    }

    void createSymbol(const std::string& code) { Creation_d1_Fichier_Data(folder, code); }

    ImportOutcome run(const Lines& lines, const std::string& symbol = "")
    {
        progress.clear();
        ImportHooks hooks;
        hooks.progress = [this](int percent) {
            progress.push_back(percent);
            if (onLine)
                onLine(static_cast<int>(progress.size()));
        };
        hooks.writeFailed = [this](const std::string& s) { failures.push_back(s); };
        return runImport({folder, clock, settings, symbol, lines}, hooks);
    }

    std::vector<StoredBar> bars(const std::string& fileName)
    {
        Table table;
        table.loadFromFile(temp.file(fileName));
        table.setSortOrder("INDEX_DATE");
        std::vector<StoredBar> result;
        for (table.first(); !table.eof(); table.next()) {
            StoredBar bar{table["Date"].asDate(),         table["Open"].asFloat(),  table["High"].asFloat(),
                          table["Low"].asFloat(),         table["Close"].asFloat(), std::nullopt,
                          table["INDEX_DATE"].asString(), table["Time"].asString()};
            if (!table["Volume"].isNull())
                bar.volume = table["Volume"].asFloat();
            result.push_back(bar);
        }
        return result;
    }

    test::TempFolder temp;
    DataFolder folder{temp.path()};
    FixedClock clock = test::fixedClock2026();
    ImportSettings settings;
    std::vector<int> progress;
    Lines failures;
    std::function<void(int line)> onLine;
};

TEST_F(ImportRun, WritesTheBarOfAnAcceptedLine)
{
    createSymbol("ABC");
    const ImportOutcome outcome = run({"ABC;05/03/2004;1.2;1.3;1.1;1.25;1500"});
    EXPECT_EQ(outcome.end, ImportEnd::Completed);
    EXPECT_EQ(outcome.linesInserted, 1);
    EXPECT_EQ(outcome.message, "");
    const auto stored = bars("ABC.cds");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].day, Date::fromYmd(2004, 3, 5));
    EXPECT_EQ(stored[0].indexDate, "2004/03/05");
    EXPECT_EQ(stored[0].open, 1.2);
    EXPECT_EQ(stored[0].high, 1.3);
    EXPECT_EQ(stored[0].low, 1.1);
    EXPECT_EQ(stored[0].close, 1.25);
    EXPECT_EQ(stored[0].volume, 1500.0);
    EXPECT_EQ(stored[0].time, "");
    // The run leaves no file of its own behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);
}

// A day is replaced whether this run wrote it or the file held it; a held day keeps its time.
TEST_F(ImportRun, APresentDayIsReplacedAndEveryWriteCounts)
{
    createSymbol("ABC");
    const Lines lines = {"ABC;05/03/2004;1.2;1.3;1.1;1.25;1500", "ABC;08/03/2004;1.3;1.4;1.2;1.3;900",
                         "ABC;05/03/2004;2;3;1;2.5;10"};
    EXPECT_EQ(run(lines).linesInserted, 3);
    ASSERT_EQ(bars("ABC.cds").size(), 2u);
    {
        Table held;
        held.loadFromFile(temp.file("ABC.cds"));
        held.first();
        held.edit();
        held["Time"].setAsString("17:30");
        held.post();
        held.saveToFile(temp.file("ABC.cds"));
    }
    EXPECT_EQ(run(lines).linesInserted, 3);
    const auto stored = bars("ABC.cds");
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].close, 2.5);
    EXPECT_EQ(stored[0].volume, 10.0);
    EXPECT_EQ(stored[0].time, "17:30");
    EXPECT_EQ(stored[1].day, Date::fromYmd(2004, 3, 8));
}

TEST_F(ImportRun, LinesFailingAValueOrConsistencyCheckAreSkipped)
{
    createSymbol("ABC");
    const ImportOutcome outcome = run({
        "ABC;01/03/2004;1;1.2;0.9;1.3;1",    // high below close
        "ABC;02/03/2004;1;1.2;1.1;1.1;1",    // low above open
        "ABC;03/03/2004;1;1.2;0.9;1.1;1,5",  // volume with a comma
        "ABC;04/03/2004;-1;1.2;0.9;1.1;1",   // negative price
        "ABC;05/03/2004;1;1;1;1;",           // all equal, empty volume
        "ABC;06/03/2004;1;1.2;0.9;;1",       // empty close
        "ABC;31/02/2004;1;1.2;0.9;1.1;1",    // no such day
        "Symbol;Date;Open;High;Low;Close;Volume",
    });
    EXPECT_EQ(outcome.linesInserted, 1);
    const auto stored = bars("ABC.cds");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].day, Date::fromYmd(2004, 3, 5));
    EXPECT_FALSE(stored[0].volume.has_value());
}

TEST_F(ImportRun, DaysBeforeTheFirstDateAreSkipped)
{
    createSymbol("ABC");
    settings.firstDate = Date::fromYmd(2004, 3, 5);
    EXPECT_EQ(run({"ABC;04/03/2004;1;1;1;1;1", "ABC;05/03/2004;1;1;1;1;1"}).linesInserted, 1);
    EXPECT_EQ(bars("ABC.cds").at(0).day, Date::fromYmd(2004, 3, 5));
}

TEST_F(ImportRun, KindWithoutAColumnWritesNothing)
{
    createSymbol("ABC");
    settings.columns = {kSymbol, kDate, kOpen, kHigh, kLow, kClose};
    const ImportOutcome outcome = run({"ABC;05/03/2004;1;1;1;1;1"});
    EXPECT_EQ(outcome.end, ImportEnd::Completed);
    EXPECT_EQ(outcome.linesInserted, 0);
}

TEST_F(ImportRun, SymbolColumnSkipsSymbolsWithoutASafeFileAndMatchesCaseLast)
{
    createSymbol("ABC");
    createSymbol("def");
    const ImportOutcome outcome = run({
        "XYZ;05/03/2004;1;1;1;1;1",
        "../ABC;05/03/2004;1;1;1;1;1",
        "abc;05/03/2004;1;1;1;1;1",
        "DEF;06/03/2004;1;1;1;1;1",
    });
    EXPECT_EQ(outcome.end, ImportEnd::Completed);
    EXPECT_EQ(outcome.linesInserted, 2);
    EXPECT_EQ(bars("ABC.cds").size(), 1u);
    EXPECT_EQ(bars("def.cds").size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(temp.file("XYZ.cds")));
}

// The run holds a file's lock from its first write; a program that ignores the lock and
// replaces or removes the file meanwhile gets the run's failure, naming the file.
TEST_F(ImportRun, SymbolFileReplacedOrRemovedDuringTheRunFailsTheRun)
{
    const auto replaceWithOneBar = [this] {
        Table other;
        defineSymbolLayout(other, true);
        other.create();
        other.append();
        other["Date"].setAsDate(Date::fromYmd(2004, 1, 2));
        other["INDEX_DATE"].setAsString("2004/01/02");
        other.saveToFile(temp.file("other.cds"));
        std::filesystem::rename(temp.file("other.cds"), temp.file("ABC.cds"));
    };
    const auto remove = [this] { std::filesystem::remove(temp.file("ABC.cds")); };
    for (const auto& [change, barsLeft] :
         {std::pair{std::function<void()>(replaceWithOneBar), 1}, std::pair{std::function<void()>(remove), -1}}) {
        createSymbol("ABC");
        failures.clear();
        onLine = [&change = change](int line) {
            if (line == 2)
                change();
        };
        const ImportOutcome outcome = run({"ABC;05/03/2004;1;1;1;1;1", "ABC;06/03/2004;1;1;1;1;1"});
        EXPECT_EQ(failures, Lines{"ABC"});
        ASSERT_EQ(outcome.writeErrors.size(), 1u);
        EXPECT_NE(outcome.writeErrors[0].find(temp.file("ABC.cds").string()), std::string::npos);
        if (barsLeft < 0)
            EXPECT_FALSE(std::filesystem::exists(temp.file("ABC.cds")));
        else
            EXPECT_EQ(bars("ABC.cds").size(), static_cast<size_t>(barsLeft)) << "the other program's file stays";
    }
}

TEST_F(ImportRun, ManySymbolsInOneFileAreAllWritten)
{
    Lines lines;
    for (int s = 0; s < 80; ++s) {
        createSymbol("S" + std::to_string(s));
        lines.push_back("S" + std::to_string(s) + ";05/03/2004;1;1;1;1;1");
    }
    for (int s = 0; s < 80; ++s)
        lines.push_back("S" + std::to_string(s) + ";08/03/2004;1;1;1;1;1");
    EXPECT_EQ(run(lines).linesInserted, 160);

    // With fewer files allowed open than the file names, files are let go and read again.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    rlimit lowered = limit;
    lowered.rlim_cur = 200;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    for (int s = 0; s < 80; ++s)
        lines.push_back("S" + std::to_string(s) + ";09/03/2004;1;1;1;1;1");
    const int inserted = run(lines).linesInserted;
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_EQ(inserted, 240);
    for (int s = 0; s < 80; ++s)
        EXPECT_EQ(bars("S" + std::to_string(s) + ".cds").size(), 3u);
}

TEST_F(ImportRun, ProgressIsTheRoundedShareBeforeEachLine)
{
    createSymbol("ABC");
    run(Lines(8, "x"));
    EXPECT_EQ(progress, (std::vector<int>{12, 25, 38, 50, 62, 75, 88, 100}));
}

class OneSymbolImport : public ImportRun {
protected:
    OneSymbolImport() { settings.columns = {kDate, kOpen, kHigh, kLow, kClose, kVolume}; }
};

TEST_F(OneSymbolImport, SkipsTheHeaderAndCompactsTheFile)
{
    createSymbol("ABC");
    const ImportOutcome outcome = run({"Date;Open;High;Low;Close;Volume", "05/03/2004;1.2;1.3;1.1;1.25;1500",
                                       "5/3/2004;1.2;1.3;1.1;1.2;1", "08/03/2004;1.2;1.3;1.1;1.25;"},
                                      "ABC");
    EXPECT_EQ(outcome.linesInserted, 3);
    const auto stored = bars("ABC.cds");
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].indexDate, "2004/03/05");
    EXPECT_EQ(stored[0].close, 1.2);

    Table compacted;
    compacted.loadFromFile(temp.file("ABC.cds"));
    EXPECT_TRUE(compacted.indexes().empty());
    EXPECT_EQ(compacted.fieldCount(), 8);
    EXPECT_FALSE(Verification_Fichier_Data(folder, "ABC"));
    EXPECT_EQ(bars("ABC.cds").size(), 2u);
}

TEST_F(OneSymbolImport, AMultiSymbolRunNeverCompacts)
{
    createSymbol("ABC");
    settings.columns = {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume};
    run({"ABC;05/03/2004;1;1;1;1;1"});
    Table table;
    table.loadFromFile(temp.file("ABC.cds"));
    EXPECT_EQ(table.indexes().size(), 1u);
}

TEST_F(OneSymbolImport, YearFirstShortDatesAreStoredByTheirDay)
{
    createSymbol("ABC");
    settings.dateFormat = static_cast<int>(DateLayout::YyMmDd);
    EXPECT_EQ(run({"040305;1;1;1;1;1"}, "ABC").linesInserted, 1);
    EXPECT_EQ(bars("ABC.cds").at(0).indexDate, "2004/03/05");
}

TEST_F(OneSymbolImport, YearThatIsNoWholeNumberRejectsTheLineAndTheRunGoesOn)
{
    createSymbol("ABC");
    settings.dateFormat = static_cast<int>(DateLayout::DdMmYy);
    const ImportOutcome outcome = run({"05/03/5.;1;1;1;1;1", "05/03/04;1;1;1;1;1"}, "ABC");
    EXPECT_EQ(outcome.end, ImportEnd::Completed);
    EXPECT_EQ(outcome.linesInserted, 1);
}

TEST_F(OneSymbolImport, EndsBeforeTheFirstLineWithoutAUsableSymbol)
{
    const Lines lines = {"05/03/2004;1;1;1;1;1"};
    ImportOutcome outcome = run(lines, "");
    EXPECT_EQ(outcome.end, ImportEnd::NeedsSymbol);
    EXPECT_EQ(outcome.message, "Needs Symbol.");

    outcome = run(lines, "NewCo");
    EXPECT_EQ(outcome.end, ImportEnd::SymbolNotFound);
    std::string lowerPath = temp.path().string() + "/NewCo";
    for (char& c : lowerPath)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(outcome.message, "< \"" + lowerPath + ".cds\" Not found >");

    outcome = run(lines, "../NewCo");
    EXPECT_EQ(outcome.end, ImportEnd::SymbolRefused);
    EXPECT_NE(outcome.message.find("../NewCo"), std::string::npos);
    EXPECT_EQ(outcome.linesInserted, 0);
}

TEST_F(OneSymbolImport, EmptyListEndsWithNothingInsertedAndNoSymbolCheck)
{
    const ImportOutcome outcome = run({}, "");
    EXPECT_EQ(outcome.end, ImportEnd::Completed);
    EXPECT_EQ(outcome.linesInserted, 0);
}

TEST_F(OneSymbolImport, ColumnLayoutThatFailsItsCheckReadsNoLine)
{
    createSymbol("ABC");
    settings.columns = {kDate, kNone, kOpen};
    const ImportOutcome outcome = run({"05/03/2004;1;1;1;1;1"}, "ABC");
    EXPECT_EQ(outcome.end, ImportEnd::ColumnCheckFailed);
    EXPECT_EQ(outcome.message, "Please check Column 2.");
    EXPECT_EQ(outcome.check.blamedColumn, 2);
    EXPECT_TRUE(progress.empty());
    EXPECT_TRUE(bars("ABC.cds").empty());
}

TEST_F(OneSymbolImport, BarThatCannotBeWrittenIsListedAndTheRunGoesOn)
{
    // Seven fields pass the layout check but have no Volume to write.
    Table odd;
    for (const char* name : {"Date", "Time", "Open", "High", "Low", "Close", "INDEX_DATE"})
        odd.addField(name, std::string(name) == "Date" ? FieldType::Date : FieldType::String, 10);
    odd.create();
    odd.saveToFile(temp.file("ODD.cds"));
    const ImportOutcome outcome = run({"05/03/2004;1;1;1;1;1", "06/03/2004;1;1;1;1;1"}, "ODD");
    EXPECT_EQ(outcome.end, ImportEnd::Completed) << outcome.message;
    EXPECT_EQ(outcome.linesInserted, 0);
    EXPECT_EQ(failures, (Lines{"ODD", "ODD"}));
}

TEST_F(ImportRun, SymbolFileThatCannotBeLoadedStopsTheRunAndKeepsEarlierLines)
{
    createSymbol("ABC");
    test::writeFile(temp.file("BAD.cds"), "not a table file");
    const ImportOutcome outcome =
        run({"ABC;05/03/2004;1;1;1;1;1", "BAD;05/03/2004;1;1;1;1;1", "ABC;08/03/2004;1;1;1;1;1"});
    EXPECT_EQ(outcome.end, ImportEnd::Stopped);
    EXPECT_NE(outcome.message.find("BAD.cds"), std::string::npos) << outcome.message;
    EXPECT_EQ(outcome.linesInserted, 1);
    EXPECT_EQ(bars("ABC.cds").size(), 1u);
}

TEST_F(ImportRun, KilledRunKeepsEveryCountedLine)
{
    createSymbol("ABC");
    createSymbol("DEF");
    // Enough lines that each file's log is written back and started over before the kill.
    Lines lines;
    const Date first = Date::fromYmd(2004, 3, 1);
    for (int day = 0; day < 600; ++day)
        lines.push_back((day % 2 ? "DEF;" : "ABC;") + Date::fromDayNumber(first.dayNumber() + day).toText()
                        + ";1;1;1;1;1");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        onLine = [](int line) {
            if (line == 451)
                raise(SIGKILL);
        };
        run(lines);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(bars("ABC.cds").size(), 225u);
    EXPECT_EQ(bars("DEF.cds").size(), 225u);

    run(lines);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(temp.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (Lines{"ABC.cds", "DEF.cds"})) << "a complete run leaves only table files";
}

}  // namespace
}  // namespace kiruvan
