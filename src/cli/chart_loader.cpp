#include <dlfcn.h>

#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "cli/cmd_chart.h"

namespace kiruvan::cli {
namespace {

// Beside the program in the build tree, in the library folder once installed.
std::vector<std::filesystem::path> moduleCandidates()
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    return {folder / kChartModuleFile, folder / KIRUVAN_CHART_MODULE_FROM_BIN / kChartModuleFile};
}

ChartModuleEntry loadChartModule()
{
    std::string reasons;
    for (const std::filesystem::path& file : moduleCandidates()) {
        // Kept loaded: the painting libraries it brings must outlive the picture's objects.
        if (void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (void* entry = dlsym(module, kChartModuleEntry))
                return reinterpret_cast<ChartModuleEntry>(entry);
        }
        reasons += std::string("\n  ") + dlerror();
    }
    throw std::runtime_error("the chart command needs its drawing module " + std::string(kChartModuleFile)
                             + ", which could not be loaded; reinstall Kiruvan to put it back:" + reasons);
}

}  // namespace

int drawChart(Context& context, Arguments& args)
{
    const ChartModuleEntry run = loadChartModule();
    const std::string folder = context.folder.root().string();
    std::vector<const char*> argv;
    for (const std::string& arg : args.remaining())
        argv.push_back(arg.c_str());
    const ChartModuleWrite write = [](void* sink, const char* text, std::size_t size) {
        static_cast<std::ostream*>(sink)->write(text, static_cast<std::streamsize>(size));
    };
    return run(static_cast<int>(argv.size()), argv.data(), folder.c_str(), write, &context.out, &context.err);
}

}  // namespace kiruvan::cli
