// The batch tool's start-up: CPU time of `kiruvan-cli markets` on a small folder, median of 20
// runs, beside a process that does nothing (/bin/true) measured in the same run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 20;

// CPU milliseconds (user and system) of one run of the command, its output dropped.
double cpuMilliseconds(std::vector<std::string> args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    double ms = -1;
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        ms = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
             + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    }
    posix_spawn_file_actions_destroy(&actions);
    return ms;
}

double median(const std::vector<std::string>& args)
{
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i)
        runs.push_back(cpuMilliseconds(args));
    std::sort(runs.begin(), runs.end());
    return (runs[kRuns / 2 - 1] + runs[kRuns / 2]) / 2;
}

}  // namespace

int main(int, char** argv)
{
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    const std::string cli = (self.parent_path() / "kiruvan-cli").string();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kiruvan-bench-cli-start";
    std::filesystem::remove_all(folder);
    cpuMilliseconds({cli, "--data", folder.string(), "add-market", "Bench"});
    const double tool = median({cli, "--data", folder.string(), "markets"});
    const double nothing = median({"/bin/true"});
    std::filesystem::remove_all(folder);
    std::printf("%s: kiruvan-cli markets %.2f ms CPU, /bin/true %.2f ms (median of %d; goal under 6 ms)\n", argv[0],
                tool, nothing, kRuns);
    return tool < 0 ? 1 : 0;
}
