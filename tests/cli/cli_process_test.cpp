#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

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

enum class Stream { Out, Err };

struct Case {
    std::vector<std::string> args;  // "DATA" stands for a data folder that does not exist yet
    int status;
    Stream message;  // where the command's text goes; the other stream stays empty
    std::string says;
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
    {{"--data", "DATA", "markets"}, 1, Stream::Err, "does not exist"},
    {{"--data", "DATA", "report", "--all"}, 1, Stream::Err, "does not exist"},
    {{"--data", "DATA", "add-symbol", "--market", "NYSE", "ABC"}, 1, Stream::Err, "no market named 'NYSE'"},
    {{"--data", "DATA", "import", "DATA/none.txt", "--auto"}, 1, Stream::Err, "none.txt"},
};

TEST(CliProcess, StatusStreamsAndNoDataFolderWhenACommandFails)
{
    for (const Case& c : kCases) {
        TempFolder scratch;
        const std::string data = (scratch.path() / "data").string();
        std::vector<std::string> args;
        std::string shown;
        for (std::string a : c.args) {
            if (const auto at = a.find("DATA"); at != std::string::npos)
                a.replace(at, 4, data);
            args.push_back(a);
            shown += a + " ";
        }
        SCOPED_TRACE(shown);
        const Outcome run = runCli(args, scratch);
        EXPECT_EQ(run.status, c.status);
        const std::string& message = c.message == Stream::Out ? run.out : run.err;
        const std::string& other = c.message == Stream::Out ? run.err : run.out;
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
        EXPECT_EQ(other, "");
        if (c.status != 0) {
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
