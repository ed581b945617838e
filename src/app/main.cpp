#include <QCoreApplication>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "app/MAIN.h"
#include "app/USplashForm.h"
#include "base/version.h"
#include "widgets/kiruvan_application.h"

using namespace kiruvan;

namespace {

bool asks(int argc, char** argv, const char* option)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0)
            return true;
    return false;
}

// The folder of this executable, known before Qt starts.
std::filesystem::path programFolder(const char* argv0)
{
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        self = std::filesystem::absolute(argv0);
    return self.parent_path();
}

// Answered before Qt starts, so that both work without a display.
void printHelp()
{
    std::cout << "Usage: kiruvan [--help] [--version] [Qt options such as -platform NAME]\n\n"
                 "Starts Kiruvan's main window on its data folder: the folder named by the\n"
                 "environment variable KIRUVAN_DATA, else the folder of this program when it holds\n"
                 "Markets.cds, else $XDG_DATA_HOME/Kiruvan (~/.local/share/Kiruvan), made on first\n"
                 "use. --version says which one and why.\n"
                 "It needs a display: start it in a desktop session, or under xvfb-run.\n\n"
                 "  --help     prints this text\n"
                 "  --version  prints the version\n\n"
                 "kiruvan-cli does the same imports, backtests and reports from scripts.\n";
}

// Qt aborts without a word a user can act on when there is no display to open.
bool hasDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (asks(argc, argv, "--help") || asks(argc, argv, "-h")) {
        printHelp();
        return 0;
    }
    if (asks(argc, argv, "--version")) {
        const DataFolderChoice choice = chooseDataFolder(programFolder(argv[0]));
        std::cout << "kiruvan " << kVersion << "\ndata folder: " << choice.folder.string() << " (" << choice.reason
                  << ")\n";
        return 0;
    }
    if (!hasDisplay()) {
        std::cerr << "kiruvan: no display to open; start it in a desktop session, or under xvfb-run\n";
        return 1;
    }
    KiruvanApplication app(argc, argv);

    const std::filesystem::path folder = chooseDataFolder(programFolder(argv[0])).folder;
    std::error_code ignored;
    // A folder named by KIRUVAN_DATA may not exist yet; the start-up tables then go into it.
    std::filesystem::create_directories(folder, ignored);
    TBrannock window{DataFolder(folder)};

    // The splash's own close must not end the program before the main window is up.
    app.setQuitOnLastWindowClosed(false);
    {
        TFSplashForm splash;
        splash.exec();
    }
    window.repaint();
    window.showMaximized();
    app.setQuitOnLastWindowClosed(true);
    return app.exec();
}
