// Painting a chart window's client area, against filling a blank image of the same size.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <filesystem>

#include "backtest/results_table.h"
#include "chart/chart_data.h"
#include "chart/render/chart_painter.h"
#include "database/master_table.h"
#include "database/symbol_files.h"
#include "sampledata/synthetic_bars.h"

namespace {

using namespace kiruvan;

constexpr int kWidth = 1050;
constexpr int kHeight = 600;

// A data folder with one 3501-bar symbol and its stored parameters.
struct ChartFolder {
    ChartFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kiruvan-bench-XXXXXX").string();
        root = mkdtemp(pattern.data());
        const DataFolder folder(root.string() + "/");
        Table master;
        defineMasterLayout(master);
        master.create();
        master.append();
        master.field("Code_Titre").setAsString("SYN");
        master.field("Nom_Titre").setAsString("Synthetic");
        master.field("Code_Marche").setAsInteger(1);
        master.post();
        master.saveToFile(folder.file(kMasterFile));
        appendToSymbolFile(folder, "SYN", syntheticDailyBars({.seed = 7, .count = 3501}));
        CreateDataset_Trading_system(folder);
        ResultRow row;
        row.Code_Market = 1;
        row.Code_Stock = "SYN";
        row.Opt1 = 45;
        row.Opt2 = 31;
        row.First_Bar = 2251;
        ResultsTable results(folder);
        results.Delete_anciennes_valeurs_dans_CDS_Optimisation(1);
        results.appendRow(row);
    }
    ~ChartFolder() { std::filesystem::remove_all(root); }

    std::filesystem::path root;
};

void blankImageFill(benchmark::State& state)
{
    QImage image = blankClientImage(kWidth, kHeight);
    for (auto _ : state) {
        image.fill(0xFF000000);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(blankImageFill)->Unit(benchmark::kMicrosecond);

void paintClientArea(benchmark::State& state)
{
    const ChartFolder folder;
    ChartData data(DataFolder(folder.root.string() + "/"));
    data.Load_Liste_Actions_du_Marche(1);
    QImage image = blankClientImage(kWidth, kHeight);
    const int newest = scrollRange(kWidth, data.NBBars(), 1.0).scrollMaximum;
    for (auto _ : state) {
        const ChartDrawing drawing = paintChart(image, data, 1.0, newest);
        benchmark::DoNotOptimize(drawing);
    }
}
BENCHMARK(paintClientArea)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
