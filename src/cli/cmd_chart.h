#pragma once

#include "cli/cli.h"

namespace kiruvan::cli {

// Draws the chart picture of the command line. Two definitions exist: the drawing itself
// (cmd_chart.cpp, in the chart module, with QtGui) and the loader that hands the command to
// that module (chart_loader.cpp), so that the batch tool maps no Qt library unless it draws.
int drawChart(Context& context, Arguments& args);

// The module's entry point, looked up by name by the loader.
inline constexpr const char* kChartModuleEntry = "kiruvan_chart_run";
inline constexpr const char* kChartModuleFile = "kiruvan-chart.so";
using ChartModuleEntry = int (*)(const std::vector<std::string>* args, const char* dataFolder, std::ostream* out,
                                 std::ostream* err);

}  // namespace kiruvan::cli
