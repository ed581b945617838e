// Table file costs for a symbol file of 3501 daily bars: load, whole save, one-row delta save.
// The reference is the plain SQLite cost of reading the same rows back with one SELECT.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>

#include "database/symbol_files.h"

using namespace kiruvan;

namespace {

std::filesystem::path benchFolder()
{
    static const std::filesystem::path dir = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "kiruvan-bench-XXXXXX").string();
        return std::filesystem::path(mkdtemp(pattern.data()));
    }();
    return dir;
}

std::filesystem::path symbolFile()
{
    static const std::filesystem::path file = [] {
        const auto path = benchFolder() / "BENCH.cds";
        Table t;
        defineSymbolLayout(t, true);
        t.create();
        Date day = Date::fromYmd(2010, 1, 4);
        for (int i = 0; i < 3501; ++i, day = Date::fromDayNumber(day.dayNumber() + 1)) {
            t.append();
            t["Date"].setAsDate(day);
            for (const char* f : {"Open", "High", "Low", "Close"})
                t[f].setAsFloat(100.0 + i * 0.01);
            t["Volume"].setAsFloat(1e6 + i);
            t["INDEX_DATE"].setAsString(day.toIndexText());
            t.post();
        }
        t.saveToFile(path);
        return path;
    }();
    return file;
}

void BM_LoadSymbolFile(benchmark::State& state)
{
    const auto file = symbolFile();
    for (auto _ : state) {
        Table t;
        t.loadFromFile(file);
        benchmark::DoNotOptimize(t.recordCount());
    }
}

void BM_ReferencePlainSelect(benchmark::State& state)
{
    const auto file = symbolFile();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM kv_rows", -1, &stmt, nullptr);
        double sum = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            sum += sqlite3_column_double(stmt, 6);
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        benchmark::DoNotOptimize(sum);
    }
}

void BM_SaveWhole(benchmark::State& state)
{
    Table t;
    t.loadFromFile(symbolFile());
    const auto target = benchFolder() / "WHOLE.cds";
    for (auto _ : state) {
        std::filesystem::remove(target);  // a file the table never loaded is written whole
        t.saveToFile(target);
        state.PauseTiming();
        t.loadFromFile(symbolFile());
        state.ResumeTiming();
    }
}

void deltaSave(benchmark::State& state, bool fullSync)
{
    const auto target = benchFolder() / "DELTA.cds";
    std::filesystem::copy_file(symbolFile(), target, std::filesystem::copy_options::overwrite_existing);
    Table t;
    t.loadFromFile(target);
    t.setFullSync(fullSync);
    double close = 1;
    for (auto _ : state) {
        t.edit();
        t["Close"].setAsFloat(close += 1);
        t.post();
        t.saveToFile(target);
    }
}

void BM_SaveOneRowChange(benchmark::State& state)
{
    deltaSave(state, true);
}
void BM_SaveOneRowChangeWithoutFlush(benchmark::State& state)
{
    deltaSave(state, false);
}

}  // namespace

BENCHMARK(BM_ReferencePlainSelect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSymbolFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveWhole)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveOneRowChange)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveOneRowChangeWithoutFlush)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(benchFolder());
    return 0;
}
