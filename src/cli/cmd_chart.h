#pragma once

#include <cstddef>

#include "cli/cli.h"

namespace kiruvan::cli {

// Draws the chart picture of the command line. Two definitions exist: the drawing itself
// (cmd_chart.cpp, in the chart module, with QtGui) and the loader that hands the command to
// that module (chart_loader.cpp), so that the batch tool maps no Qt library unless it draws.
int drawChart(Context& context, Arguments& args);

// The module's entry point, looked up by name by the loader. Only C types cross: the tool
// carries its own copy of the C++ library, and the module the system's, which its drawing
// libraries need. The module's output comes back through `write`, with `out` or `err` as the
// sink, and no exception leaves it.
inline constexpr const char* kChartModuleEntry = "kiruvan_chart_run";
inline constexpr const char* kChartModuleFile = "kiruvan-chart.so";
using ChartModuleWrite = void (*)(void* sink, const char* text, std::size_t size);
using ChartModuleEntry = int (*)(int argc, const char* const* argv, const char* dataFolder, ChartModuleWrite write,
                                 void* out, void* err);

}  // namespace kiruvan::cli
