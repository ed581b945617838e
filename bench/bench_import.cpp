// Bulk import of quote files into symbol files, against the cost of parsing and storing the
// same rows with the sqlite3 shell's .import, measured in the same run: CPU time beside wall
// time, since a busy machine moves wall time a lot.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "database/symbol_files.h"
#include "import/import_run.h"
#include "import/quote_file.h"

namespace kiruvan {
namespace {

constexpr int kSymbols = 100;
constexpr int kDaysPerSymbol = 3000;
constexpr int kOneSymbolDays = 3500;

// A scratch folder removed at the end of the program.
struct ScratchFolder {
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kiruvan-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a scratch folder");
        path = pattern;
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

std::string quoteLine(const std::string& symbol, Date day, int n)
{
    const double close = 50.0 + (n % 97) * 0.25;
    char text[160];
    std::snprintf(text, sizeof text, "%s;%s;%.2f;%.2f;%.2f;%.2f;%d", symbol.c_str(), day.toText().c_str(), close - 0.5,
                  close + 1.0, close - 1.0, close, 1000 + n % 5000);
    return text;
}

// Lines of every symbol day after day, as a market's daily files are usually concatenated.
std::filesystem::path writeQuoteFile(const std::filesystem::path& file, int symbols, int days, bool withSymbol)
{
    std::ofstream out(file, std::ios::binary);
    const Date first = Date::fromYmd(2000, 1, 3);
    for (int d = 0; d < days; ++d) {
        const Date day = Date::fromDayNumber(first.dayNumber() + d);
        for (int s = 0; s < symbols; ++s) {
            std::string line = quoteLine("SYM" + std::to_string(s), day, d + s);
            if (!withSymbol)
                line = line.substr(line.find(';') + 1);
            out << line << "\r\n";
        }
    }
    return file;
}

ImportSettings settingsFor(bool symbolColumn)
{
    ImportSettings settings;
    settings.dateFormat = static_cast<int>(DateLayout::DdMmYyyy);
    settings.firstDate = Date::fromYmd(1990, 1, 1);
    if (symbolColumn)
        settings.columns = {kSymbol, kDate, kOpen, kHigh, kLow, kClose, kVolume};
    else
        settings.columns = {kDate, kOpen, kHigh, kLow, kClose, kVolume};
    return settings;
}

// Wall and CPU seconds of one run.
struct Cost {
    double wall = 0;
    double cpu = 0;
};

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double childrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Imports one quote file into fresh, empty symbol files; the cost covers reading the file too.
Cost importInto(const std::filesystem::path& quotes, int symbols, bool symbolColumn)
{
    const SystemClock clock;
    ScratchFolder data;
    const DataFolder folder(data.path);
    for (int s = 0; s < symbols; ++s)
        Creation_d1_Fichier_Data(folder, "SYM" + std::to_string(s));
    const double wall = wallSeconds(), cpu = processCpuSeconds();
    const std::vector<std::string> lines = readQuoteFile(quotes);
    const ImportOutcome outcome = runImport({folder, clock, settingsFor(symbolColumn), "SYM0", lines});
    const Cost cost{wallSeconds() - wall, processCpuSeconds() - cpu};
    const int expected = static_cast<int>(lines.size());
    if (outcome.end != ImportEnd::Completed || outcome.linesInserted != expected) {
        std::cerr << "the import stored " << outcome.linesInserted << " of " << expected
                  << " lines: " << outcome.message << "\n";
        std::exit(1);
    }
    return cost;
}

// The reference: the sqlite3 shell parses the same file and stores its rows in one table.
Cost sqlite3ShellImport(const std::filesystem::path& quotes)
{
    ScratchFolder scratch;
    const auto script = scratch.path / "import.sql";
    std::ofstream(script) << "CREATE TABLE quotes(symbol TEXT, day TEXT, open REAL, high REAL, low REAL,"
                             " close REAL, volume REAL);\n.separator ;\n.import "
                          << quotes.string() << " quotes\n";
    const std::string command = "sqlite3 " + (scratch.path / "reference.db").string() + " < " + script.string();
    const double wall = wallSeconds(), cpu = childrenCpuSeconds();
    if (std::system(command.c_str()) != 0) {
        std::cerr << "the sqlite3 shell failed\n";
        std::exit(1);
    }
    return {wallSeconds() - wall, childrenCpuSeconds() - cpu};
}

Cost best(const std::vector<Cost>& runs)
{
    Cost b = runs.front();
    for (const Cost& c : runs) {
        b.wall = std::min(b.wall, c.wall);
        b.cpu = std::min(b.cpu, c.cpu);
    }
    return b;
}

}  // namespace
}  // namespace kiruvan

// Runs the reference and the import in turn, three times each, and compares the best runs.
int main()
{
    using namespace kiruvan;
    constexpr int kRuns = 3;
    ScratchFolder inputs;
    const auto market = writeQuoteFile(inputs.path / "market.txt", kSymbols, kDaysPerSymbol, true);
    const auto one = writeQuoteFile(inputs.path / "one.txt", 1, kOneSymbolDays, false);
    std::vector<Cost> reference, imports;
    for (int run = 1; run <= kRuns; ++run) {
        reference.push_back(sqlite3ShellImport(market));
        imports.push_back(importInto(market, kSymbols, true));
        std::printf("run %d: sqlite3 .import wall %.3f s cpu %.3f s; import wall %.3f s cpu %.3f s\n", run,
                    reference.back().wall, reference.back().cpu, imports.back().wall, imports.back().cpu);
    }
    const Cost r = best(reference), m = best(imports);
    const double lines = static_cast<double>(kSymbols) * kDaysPerSymbol;
    std::printf("\nMulti-symbol import of %.0f lines, best of %d: wall %.3f s cpu %.3f s (%.0f lines/s of CPU)\n",
                lines, kRuns, m.wall, m.cpu, lines / m.cpu);
    std::printf("sqlite3 shell .import of the same file, best of %d: wall %.3f s cpu %.3f s\n", kRuns, r.wall, r.cpu);
    std::printf("ratio: cpu %.2fx  wall %.2fx  (goal: at most 8x by CPU)\n", m.cpu / r.cpu, m.wall / r.wall);
    const Cost single = importInto(one, 1, false);
    std::printf("One-symbol import of %d lines: wall %.3f s cpu %.3f s\n", kOneSymbolDays, single.wall, single.cpu);
    return 0;
}
