#include <clocale>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "database/data_folder.h"

namespace {

std::string executableFolder(const char* argv0)
{
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv0);
    return self.parent_path().string() + "/";
}

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    std::vector<std::string> args(argv + 1, argv + argc);
    kiruvan::SystemClock clock;
    const kiruvan::DataFolderChoice choice = kiruvan::chooseDataFolder(executableFolder(argv[0]));
    return kiruvan::cli::runCommandLine(args, choice.folder.string(), clock, std::cout, std::cerr, choice.reason);
}
