#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kiruvan {

// The environment variable that names another data folder than the executable's own.
inline constexpr std::string_view kDataFolderVariable = "KIRUVAN_DATA";

// The data folder of both programs and why it is that one.
struct DataFolderChoice {
    std::filesystem::path folder;
    std::string reason;  // "named by KIRUVAN_DATA", ...
};

// KIRUVAN_DATA when it is set and not empty; else the executable's folder when it holds
// Markets.cds (a portable install); else the user's own folder, $XDG_DATA_HOME/Kiruvan or
// ~/.local/share/Kiruvan, so that an installed program never writes beside itself.
DataFolderChoice chooseDataFolder(const std::filesystem::path& executableFolder);

// The program's own files: one spelling each.
inline constexpr std::string_view kMarketsFile = "Markets.cds";
inline constexpr std::string_view kMasterFile = "Master.cds";
inline constexpr std::string_view kOptimizationFile = "Optimization.cds";
inline constexpr std::string_view kRobustnessFile = "Robustness.cds";
inline constexpr std::string_view kFilesIni = "Files.ini";
inline constexpr std::string_view kTableFileExtension = ".cds";

// Why a symbol code cannot name a file of its own in the data folder, or nullopt when it can.
// Refused: empty or blank, invalid UTF-8, a control character, ".", "..", a path separator
// ("/" or "\"), a wildcard ("*" or "?"), and the name of one of the program's own tables.
std::optional<std::string> symbolCodeProblem(std::string_view code);

// Throws std::invalid_argument with a readable message when symbolCodeProblem finds one.
void requireSafeSymbolCode(std::string_view code);

// The folder that holds every file of the program. Core routines take it as an argument.
class DataFolder {
public:
    explicit DataFolder(std::filesystem::path root);

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path file(std::string_view bareName) const;

    // The file a new symbol file for this code is created as (the code's own spelling).
    // Throws std::invalid_argument for an unsafe code.
    std::filesystem::path symbolFileFor(std::string_view code) const;

    // The existing symbol file of a code: the exact name first, else the only file whose name
    // matches without regard to case. nullopt when there is none (or the code is unsafe).
    std::optional<std::filesystem::path> findSymbolFile(std::string_view code) const;

private:
    std::filesystem::path root_;
};

}  // namespace kiruvan
