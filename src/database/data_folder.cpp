#include "database/data_folder.h"

#include <cstdlib>

#include <algorithm>
#include <stdexcept>

#include "base/ascii_text.h"
#include "database/program_tables.h"

namespace kiruvan {
std::optional<std::string> symbolCodeProblem(std::string_view code)
{
    const std::string shown = "The symbol code " + quotedText(code);
    if (code.empty())
        return std::string("The symbol code is empty.");
    if (!isValidUtf8(code))
        return shown + " is not valid UTF-8 text.";
    if (holdsControlCharacter(code))
        return shown + " holds a control character.";
    if (trimmed(code).empty())
        return shown + " is blank.";
    if (code == "." || code == "..")
        return shown + " does not name a file.";
    if (code.find_first_of("/\\") != std::string_view::npos)
        return shown + " holds a path separator (/ or \\).";
    // A file name holding a wildcard matches other files in a shell and cannot exist on some systems.
    if (code.find_first_of("*?") != std::string_view::npos)
        return shown + " holds a wildcard (* or ?).";
    if (namesProgramTable(code))
        return shown + " names one of the program's own tables.";
    return std::nullopt;
}

void requireSafeSymbolCode(std::string_view code)
{
    if (auto problem = symbolCodeProblem(code))
        throw std::invalid_argument(*problem);
}

namespace {

const char* environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

DataFolderChoice chooseDataFolder(const std::filesystem::path& executableFolder)
{
    if (const char* chosen = environmentValue(std::string(kDataFolderVariable).c_str()))
        return {chosen, "named by " + std::string(kDataFolderVariable)};
    std::error_code ec;
    if (std::filesystem::is_regular_file(executableFolder / kMarketsFile, ec))
        return {executableFolder, "the program's own folder, which holds " + std::string(kMarketsFile)};
    if (const char* xdg = environmentValue("XDG_DATA_HOME"); xdg && std::filesystem::path(xdg).is_absolute())
        return {std::filesystem::path(xdg) / "Kiruvan", "the user's data folder under $XDG_DATA_HOME"};
    if (const char* home = environmentValue("HOME"))
        return {std::filesystem::path(home) / ".local/share/Kiruvan", "the user's data folder under ~/.local/share"};
    return {executableFolder, "the program's own folder: neither HOME nor XDG_DATA_HOME is set"};
}

DataFolder::DataFolder(std::filesystem::path root) : root_(std::move(root))
{
}

std::filesystem::path DataFolder::file(std::string_view bareName) const
{
    return root_ / std::filesystem::path(std::string(bareName));
}

std::filesystem::path DataFolder::symbolFileFor(std::string_view code) const
{
    requireSafeSymbolCode(code);
    return file(std::string(code) + std::string(kTableFileExtension));
}

std::optional<std::filesystem::path> DataFolder::findSymbolFile(std::string_view code) const
{
    if (symbolCodeProblem(code))
        return std::nullopt;
    const std::string wanted = std::string(code) + std::string(kTableFileExtension);
    const std::filesystem::path exact = file(wanted);
    std::error_code ec;
    if (std::filesystem::is_regular_file(exact, ec))
        return exact;
    // Folders brought from systems whose file names ignore case may spell the file otherwise:
    // accept a single match that differs only in case.
    std::optional<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(root_, ec)) {
        if (!entry.is_regular_file(ec) || !sameIgnoringAsciiCase(entry.path().filename().string(), wanted))
            continue;
        if (found)
            return std::nullopt;
        found = entry.path();
    }
    return found;
}

}  // namespace kiruvan
