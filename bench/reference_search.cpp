// The literal parameter search as a whole process, for timing whole backtest commands against
// it from outside (with /usr/bin/time, or pair by pair): loads each named symbol of the data
// folder as the backtest does and runs the reference search on it, one after the other.
//   reference_search DATA_FOLDER CODE...
#include <cstdio>

#include "backtest/backtest_run.h"
#include "database/data_folder.h"
#include "trading/bar_loading.h"
#include "trading/parameter_search.h"

int main(int argc, char** argv)
{
    using namespace kiruvan;
    if (argc < 3) {
        std::fprintf(stderr, "usage: reference_search DATA_FOLDER CODE...\n");
        return 2;
    }
    const DataFolder folder(argv[1]);
    const auto bars = newLoadHolder();
    for (int i = 2; i < argc; ++i) {
        if (!loadSymbolForBacktest(*bars, folder, argv[i])) {
            std::fprintf(stderr, "reference_search: no symbol file for %s\n", argv[i]);
            return 1;
        }
        const auto best = Trading_system2_OPT(*bars, firstBarFor(bars->NBBars));
        std::printf("%s %d %d %.17g\n", argv[i], best->Opt1, best->Opt2, best->score);
    }
}
