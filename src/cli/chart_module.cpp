#include <ostream>
#include <string>
#include <vector>

#include "base/calendar_date.h"
#include "cli/cmd_chart.h"

// The chart module runs the chart command as the batch tool would, with the drawing linked in.
extern "C" __attribute__((visibility("default"))) int
kiruvan_chart_run(const std::vector<std::string>* args, const char* dataFolder, std::ostream* out, std::ostream* err)
{
    std::vector<std::string> line = {"chart"};
    line.insert(line.end(), args->begin(), args->end());
    kiruvan::SystemClock clock;
    return kiruvan::cli::runCommandLine(line, dataFolder, clock, *out, *err);
}
