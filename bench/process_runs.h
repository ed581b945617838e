#pragma once

// Runs a program as a child process, its output dropped, and reports what it cost: the CPU time
// of the child (user and system) and the wall time, as the benchmarks of whole commands compare
// them with work measured in the same run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace kiruvan::bench {

struct ProcessCost {
    double cpuMs = -1;
    double wallMs = -1;
    bool succeeded = false;
};

inline ProcessCost runProcess(std::vector<std::string> args)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ProcessCost cost;
    pid_t child = 0;
    const auto start = std::chrono::steady_clock::now();
    if (posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        cost.wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        cost.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
                     + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        cost.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return cost;
}

inline double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median CPU and wall times of `runs` runs of the command.
inline ProcessCost medianCost(const std::vector<std::string>& args, int runs)
{
    std::vector<double> cpu, wall;
    bool succeeded = true;
    for (int i = 0; i < runs; ++i) {
        const ProcessCost cost = runProcess(args);
        cpu.push_back(cost.cpuMs);
        wall.push_back(cost.wallMs);
        succeeded = succeeded && cost.succeeded;
    }
    return {medianOf(cpu), medianOf(wall), succeeded};
}

}  // namespace kiruvan::bench
