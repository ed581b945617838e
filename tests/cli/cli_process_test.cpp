#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "base/calendar_date.h"
#include "support/temp_folder.h"

extern char** environ;

namespace kiruvan::test {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a program with its standard output and error in files, without a display.
Outcome runProgram(const std::string& program, std::vector<std::string> args, const TempFolder& scratch)
{
    const std::string outFile = scratch.file("stdout").string();
    const std::string errFile = scratch.file("stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"PATH=/usr/bin:/bin", "HOME=" + scratch.path().string()};
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    Outcome run;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(child, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = readFile(outFile);
    run.err = readFile(errFile);
    return run;
}

Outcome runCli(const std::vector<std::string>& args, const TempFolder& scratch)
{
    return runProgram(KIRUVAN_CLI, args, scratch);
}

// Where a command's text goes: the other stream stays empty, unless the message on standard
// error stands beside results on standard output.
enum class Stream { Out, Err, ErrBesideOut };

// The data folder a case runs on: none yet; markets NYSE (Apple with 1800 bars, and GONE listed
// without a file) and LSE (no symbol); or those with a Markets.cds that is no table.
enum class Folder { Missing, Stocked, Damaged };

struct Case {
    std::vector<std::string> args;  // "DATA" stands for the data folder, here and in `says`
    int status;
    Stream message;
    std::string says;
    Folder folder = Folder::Missing;
};

const Case kCases[] = {
    {{"--version"}, 0, Stream::Out, "kiruvan-cli "},
    {{"--help"}, 0, Stream::Out, "Usage: kiruvan-cli"},
    {{"markets", "--help"}, 0, Stream::Out, "Usage: kiruvan-cli"},
    {{}, 2, Stream::Err, "Usage: kiruvan-cli"},
    {{"--datta", "DATA", "markets"}, 2, Stream::Err, "did you mean '--data'?"},
    {{"--datta=DATA", "markets"}, 2, Stream::Err, "unknown option '--datta="},
    {{"--data", "DATA", "markt"}, 2, Stream::Err, "did you mean 'markets'?"},
    {{"--data", "DATA", "add-market", "NYSE", "--colour"}, 2, Stream::Err, "unknown option '--colour'"},
    {{"--data", "DATA", "markets"}, 1, Stream::Err, "does not exist; name the right one with --data DIR"},
    {{"--data", "DATA", "report", "--all"}, 1, Stream::Err, "make this one with `kiruvan-cli --data DATA add-market"},
    {{"--data", "DATA", "add-symbol", "--market", "NYSE", "ABC"},
     1,
     Stream::Err,
     "no market NYSE (no market yet; add one with `kiruvan-cli --data DATA add-market NYSE`)"},
    {{"--data", "DATA", "import", "DATA/none.txt", "--auto"}, 1, Stream::Err, "none.txt"},
    // Every refusal says how to mend it.
    {{"--data", "DATA", "symbols", "--market", "NASDAQ"},
     1,
     Stream::Err,
     "no market NASDAQ (markets: LSE, NYSE; add one with `kiruvan-cli --data DATA add-market NASDAQ`)",
     Folder::Stocked},
    {{"--data", "DATA", "symbols", "--colour"}, 2, Stream::Err, "the options are: --help, --market", Folder::Stocked},
    {{"--data", "DATA", "backtest", "--market", "NYSE"},
     1,
     Stream::ErrBesideOut,
     "AAPL has 1800 bars, a backtest needs 2250",
     Folder::Stocked},
    {{"--data", "DATA", "backtest", "--market", "NYSE"},
     1,
     Stream::ErrBesideOut,
     "GONE has no file GONE.cds; create it with `kiruvan-cli --data DATA check --repair GONE`, then import",
     Folder::Stocked},
    {{"--data", "DATA", "backtest", "--market", "LSE"},
     1,
     Stream::ErrBesideOut,
     "the market LSE lists no symbol; add one with `kiruvan-cli --data DATA add-symbol --market LSE CODE`",
     Folder::Stocked},
    {{"--data", "DATA", "backtest", "--market", "NYSE", "--threads", "0"},
     2,
     Stream::Err,
     "--threads needs a whole number of at least 1, not '0'",
     Folder::Stocked},
    {{"--data", "DATA", "trades", "AAPL"},
     1,
     Stream::Err,
     "AAPL has 1800 bars, a backtest needs 2250; pass --opt1 A --opt2 B",
     Folder::Stocked},
    {{"--data", "DATA", "trades", "aapl"}, 1, Stream::Err, "no symbol aapl; did you mean AAPL?", Folder::Stocked},
    {{"--data", "DATA", "trades", "--market", "LSE", "AAPL"},
     1,
     Stream::Err,
     "does not list the symbol AAPL (NYSE does: use --market NYSE)",
     Folder::Stocked},
    {{"--data", "DATA", "export", "MSFT"},
     1,
     Stream::Err,
     "no symbol MSFT (symbols: AAPL, GONE; `kiruvan-cli --data DATA symbols` lists them; add it with "
     "`kiruvan-cli --data DATA add-symbol --market NAME MSFT`)",
     Folder::Stocked},
    {{"--data", "DATA", "export", "GONE"}, 1, Stream::Err, "check --repair GONE`, then import", Folder::Stocked},
    {{"--data", "DATA", "check"},
     1,
     Stream::ErrBesideOut,
     "`kiruvan-cli --data DATA check --repair` removes",
     Folder::Stocked},
    {{"--data", "DATA", "report"},
     0,
     Stream::ErrBesideOut,
     "no backtest results yet; run `kiruvan-cli --data DATA backtest --market NAME` first",
     Folder::Stocked},
    {{"--data", "DATA", "report", "--format", "jsn"}, 2, Stream::Err, "did you mean --format json?", Folder::Stocked},
    {{"--data", "DATA", "import", "DATA/quotes.txt", "--date-format", "dd.mm.yyyy"},
     2,
     Stream::Err,
     "did you mean --date-format dd/mm/yyyy?",
     Folder::Stocked},
    {{"--data", "DATA", "import", "DATA/none.txt"},
     1,
     Stream::Err,
     "no quote file DATA/none.txt; give the path of the file to import",
     Folder::Stocked},
    {{"--data", "DATA", "import", "DATA/quotes.txt", "--symbol", "MSFT", "--separator", ";", "--date-format",
      "dd/mm/yyyy", "--columns", "Date,Open,High,Low,Close,Volume"},
     1,
     Stream::ErrBesideOut,
     "`kiruvan-cli --data DATA add-symbol --market NAME MSFT` lists it and makes its file",
     Folder::Stocked},
    {{"--data", "DATA", "add-market", "nyse"},
     1,
     Stream::Err,
     "already exists. Choose another name; `kiruvan-cli --data DATA markets` lists",
     Folder::Stocked},
    {{"--data", "DATA", "markets"},
     1,
     Stream::Err,
     "`kiruvan-cli --data DATA check` lists what is wrong with the data folder's tables",
     Folder::Damaged},
};

std::string withFolder(std::string text, const std::string& data)
{
    for (std::size_t at; (at = text.find("DATA")) != std::string::npos;)
        text.replace(at, 4, data);
    return text;
}

// Fills the stocked folder, by the tool itself.
bool stock(const TempFolder& folder)
{
    const std::string data = folder.path().string();
    std::string quotes;
    const Date first = Date::fromYmd(2015, 1, 1);
    for (int day = 0; day < 1800; ++day)
        quotes += Date::fromDayNumber(first.dayNumber() + day).toText() + ";20;21;19;20;1000\n";
    writeFile(folder.file("quotes.txt"), quotes);
    bool stocked = true;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"add-market", "NYSE"},
             {"add-market", "LSE"},
             {"add-symbol", "--market", "NYSE", "AAPL", "Apple"},
             {"add-symbol", "--market", "NYSE", "GONE"},
             {"import", folder.file("quotes.txt").string(), "--symbol", "AAPL", "--separator", ";", "--date-format",
              "dd/mm/yyyy", "--columns", "Date,Open,High,Low,Close,Volume"}}) {
        std::vector<std::string> line = {"--data", data};
        line.insert(line.end(), args.begin(), args.end());
        stocked = stocked && runCli(line, folder).status == 0;
    }
    for (const char* name : {"GONE.cds", "stdout", "stderr"})
        std::filesystem::remove(folder.file(name));
    return stocked;
}

const TempFolder& stockedFolder()
{
    static const TempFolder folder;
    static const bool stocked = stock(folder);
    EXPECT_TRUE(stocked);
    return folder;
}

TEST(CliProcess, StatusStreamsAndNoDataFolderWhenACommandFails)
{
    for (const Case& c : kCases) {
        TempFolder scratch;
        const std::string data = (scratch.path() / "data").string();
        if (c.folder != Folder::Missing)
            std::filesystem::copy(stockedFolder().path(), data, std::filesystem::copy_options::recursive);
        if (c.folder == Folder::Damaged)
            writeFile(std::filesystem::path(data) / "Markets.cds", "no table");
        std::vector<std::string> args;
        std::string shown;
        for (const std::string& a : c.args) {
            args.push_back(withFolder(a, data));
            shown += args.back() + " ";
        }
        SCOPED_TRACE(shown);
        const Outcome run = runCli(args, scratch);
        EXPECT_EQ(run.status, c.status);
        const std::string& message = c.message == Stream::Out ? run.out : run.err;
        const std::string& other = c.message == Stream::Out ? run.err : run.out;
        EXPECT_NE(message.find(withFolder(c.says, data)), std::string::npos) << message;
        EXPECT_EQ(other.empty(), c.message != Stream::ErrBesideOut) << other;
        if (c.status != 0 && c.folder == Folder::Missing) {
            EXPECT_FALSE(std::filesystem::exists(data));
        }
    }
}

TEST(CliProcess, AWritingCommandMakesTheFolderAndAChartExitsCleanly)
{
    TempFolder scratch;
    const std::string data = (scratch.path() / "data").string();
    Outcome run = runCli({"--data", data, "demo", "--symbols", "1"}, scratch);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(data) / "Master.cds"));
#ifdef KIRUVAN_PROGRAM  // the chart command exists only where the windows are built
    const std::string picture = scratch.file("demo.png").string();
    run = runCli({"--data", data, "chart", "--out", picture, "DEMO01"}, scratch);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_GT(std::filesystem::file_size(picture), 0u);
#endif
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> all;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        all.push_back(text.substr(start, end - start));
    return all;
}

// The stored result is reproduced by evaluating its pair; its trades and robustness rows print.
TEST(CliProcess, AStoredResultIsReproducedAndTraced)
{
    TempFolder scratch;
    const std::string data = (scratch.path() / "data").string();
    ASSERT_EQ(runCli({"--data", data, "demo", "--symbols", "1"}, scratch).status, 0);
    const std::vector<std::string> report = lines(runCli({"--data", data, "report"}, scratch).out);
    ASSERT_EQ(report.size(), 2u);
    std::vector<std::string> cells;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1)
        cells.push_back(report[1].substr(start, (end = report[1].find(',', start)) - start));
    const Outcome evaluated =
        runCli({"--data", data, "evaluate", "DEMO01", "--opt1", cells[9], "--opt2", cells[10]}, scratch);
    EXPECT_EQ(lines(evaluated.out), report) << evaluated.err;

    const Outcome trades = runCli({"--data", data, "trades", "--format", "tsv", "DEMO01"}, scratch);
    EXPECT_EQ(trades.status, 0) << trades.err;
    EXPECT_TRUE(trades.out.starts_with("Trade\tEntry_Bar\t")) << trades.out;
    EXPECT_EQ(lines(runCli({"--data", data, "report", "--robustness"}, scratch).out).size(), 2u);

    EXPECT_EQ(runCli({"--data", data, "trades", "DEMO01", "--opt1", "30"}, scratch).status, 2);
    EXPECT_EQ(runCli({"--data", data, "evaluate", "DEMO01"}, scratch).status, 2);
    const Outcome unknown = runCli({"--data", data, "trades", "NOPE"}, scratch);
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("NOPE"), std::string::npos);
}

// What --detect prints is a command line that imports the file when pasted into a shell, and
// detecting writes nothing, not even a data folder.
TEST(CliProcess, DetectPrintsALineToPasteBack)
{
    TempFolder scratch;
    const std::string data = (scratch.path() / "my data").string();
    const std::string quotes = scratch.file("my quotes.txt").string();
    writeFile(quotes, "2016-01-04;20.01;20.31;19.71;20.01;1001\n2016-01-05;20.02;20.32;19.72;20.02;1002\n");
    const Outcome detected = runCli({"--data", data, "import", quotes, "--symbol", "ABC", "--detect"}, scratch);
    ASSERT_EQ(detected.status, 0) << detected.err;
    EXPECT_EQ(detected.err, "");
    EXPECT_FALSE(std::filesystem::exists(data));

    ASSERT_EQ(runCli({"--data", data, "add-market", "NYSE"}, scratch).status, 0);
    ASSERT_EQ(runCli({"--data", data, "add-symbol", "--market", "NYSE", "ABC"}, scratch).status, 0);
    const std::string folder = std::filesystem::path(KIRUVAN_CLI).parent_path().string();
    const Outcome pasted = runProgram("/bin/sh", {"-c", "PATH='" + folder + "':$PATH; " + detected.out}, scratch);
    EXPECT_EQ(pasted.status, 0) << detected.out << pasted.err;
    EXPECT_EQ(pasted.out, "2\n");
}

#ifdef KIRUVAN_PROGRAM
TEST(WindowProgramProcess, HelpAndVersionNeedNoDisplay)
{
    TempFolder scratch;
    for (const char* option : {"--help", "--version"}) {
        const Outcome run = runProgram(KIRUVAN_PROGRAM, {option}, scratch);
        EXPECT_EQ(run.status, 0) << option;
        EXPECT_TRUE(run.out.starts_with(std::string(option) == "--help" ? "Usage: kiruvan" : "kiruvan ")) << run.out;
    }
}
#endif

}  // namespace
}  // namespace kiruvan::test
