// Bulk import of quote files into symbol files, against the cost of parsing and storing the
// same rows with the sqlite3 shell's .import, measured in the same run.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

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

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double multiSymbolSeconds = 0;
double referenceSeconds = 0;

// Imports one quote file into fresh, empty symbol files; the time covers reading the file too.
void importInto(benchmark::State& state, const std::filesystem::path& quotes, int symbols, bool symbolColumn,
                double* seconds)
{
    const SystemClock clock;
    int inserted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ScratchFolder data;
        const DataFolder folder(data.path);
        for (int s = 0; s < symbols; ++s)
            Creation_d1_Fichier_Data(folder, "SYM" + std::to_string(s));
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::string> lines = readQuoteFile(quotes);
        const ImportOutcome outcome = runImport({folder, clock, settingsFor(symbolColumn), "SYM0", lines});
        if (seconds)
            *seconds = secondsSince(start);
        inserted = outcome.linesInserted;
        if (outcome.end != ImportEnd::Completed)
            state.SkipWithError(outcome.message.c_str());
    }
    state.counters["lines"] = inserted;
    state.counters["lines_per_s"] = benchmark::Counter(inserted, benchmark::Counter::kIsRate);
}

ScratchFolder& inputs()
{
    static ScratchFolder folder;
    return folder;
}

const std::filesystem::path& multiSymbolFile()
{
    static const auto file = writeQuoteFile(inputs().path / "market.txt", kSymbols, kDaysPerSymbol, true);
    return file;
}

const std::filesystem::path& oneSymbolFile()
{
    static const auto file = writeQuoteFile(inputs().path / "one.txt", 1, kOneSymbolDays, false);
    return file;
}

void BM_MultiSymbolImport(benchmark::State& state)
{
    importInto(state, multiSymbolFile(), kSymbols, true, &multiSymbolSeconds);
}

void BM_OneSymbolImport(benchmark::State& state)
{
    importInto(state, oneSymbolFile(), 1, false, nullptr);
}

// The reference: the sqlite3 shell parses the same file and stores its rows in one table.
void BM_Sqlite3ShellImport(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        ScratchFolder scratch;
        const auto script = scratch.path / "import.sql";
        std::ofstream(script) << "CREATE TABLE quotes(symbol TEXT, day TEXT, open REAL, high REAL, low REAL,"
                                 " close REAL, volume REAL);\n.separator ;\n.import "
                              << multiSymbolFile().string() << " quotes\n";
        const std::string command = "sqlite3 " + (scratch.path / "reference.db").string() + " < " + script.string();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("the sqlite3 shell failed");
        referenceSeconds = secondsSince(start);
    }
    state.counters["lines_per_s"] =
        benchmark::Counter(static_cast<double>(kSymbols) * kDaysPerSymbol, benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Sqlite3ShellImport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MultiSymbolImport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OneSymbolImport)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kiruvan

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    using kiruvan::multiSymbolSeconds, kiruvan::referenceSeconds;
    const double lines = static_cast<double>(kiruvan::kSymbols) * kiruvan::kDaysPerSymbol;
    if (multiSymbolSeconds > 0 && referenceSeconds > 0)
        std::cout << "\nMulti-symbol import: " << multiSymbolSeconds << " s (" << lines / multiSymbolSeconds
                  << " lines/s); sqlite3 shell .import of the same file: " << referenceSeconds << " s ("
                  << lines / referenceSeconds << " lines/s); ratio " << multiSymbolSeconds / referenceSeconds
                  << " (goal: at most 10)\n";
    return 0;
}
