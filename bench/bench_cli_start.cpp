// The batch tool's start-up: CPU time of `kiruvan-cli markets` on a small folder, median of 20
// runs, beside a process that does nothing (/bin/true) measured in the same run.
#include <cstdio>
#include <filesystem>
#include <string>

#include "process_runs.h"

namespace {

constexpr int kRuns = 20;

}  // namespace

int main(int, char** argv)
{
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    const std::string cli = (self.parent_path() / "kiruvan-cli").string();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kiruvan-bench-cli-start";
    std::filesystem::remove_all(folder);
    using kiruvan::bench::medianCost;
    kiruvan::bench::runProcess({cli, "--data", folder.string(), "add-market", "Bench"});
    const double tool = medianCost({cli, "--data", folder.string(), "markets"}, kRuns).cpuMs;
    const double nothing = medianCost({"/bin/true"}, kRuns).cpuMs;
    std::filesystem::remove_all(folder);
    std::printf("%s: kiruvan-cli markets %.2f ms CPU, /bin/true %.2f ms (median of %d; goal under 6 ms)\n", argv[0],
                tool, nothing, kRuns);
    return tool < 0 ? 1 : 0;
}
