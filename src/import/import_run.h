#pragma once

// One import run: every line of a loaded quote file becomes, when it passes its checks, the
// bar of its day in its symbol's file. Each counted line is saved in its file before the next
// line is read, so a run that ends early keeps every line it counted.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/calendar_date.h"
#include "database/data_folder.h"
#include "import/import_settings.h"
#include "import/import_summary.h"

namespace kiruvan {

inline constexpr std::string_view kNeedsSymbolMessage = "Needs Symbol.";
inline constexpr std::string_view kNothingInsertedMessage = "   0 line inserted ! Please check parameters.   ";

// The message for a symbol typed in the dialog that has no file: the file's path in lower case.
std::string symbolNotFoundMessage(const DataFolder& folder, std::string_view symbol);

struct ImportRequest {
    const DataFolder& folder;
    const Clock& clock;
    ImportSettings settings;
    std::string symbol;  // the symbol of a file without a symbol column
    const std::vector<std::string>& lines;
};

// Called on the run's own thread. progress comes before each line with the share done, in
// percent; writeFailed names the symbol of a line whose bar could not be written.
struct ImportHooks {
    std::function<void(int percent)> progress;
    std::function<void(const std::string& symbol)> writeFailed;
};

enum class ImportEnd {
    Completed,          // every line was read
    ColumnCheckFailed,  // the column layout did not pass; nothing was read
    NeedsSymbol,        // no symbol column and no symbol given
    SymbolRefused,      // the given symbol cannot name a file in the data folder
    SymbolNotFound,     // the given symbol has no file
    Stopped,            // an error while a line was prepared ended the run
};

struct ImportOutcome {
    ImportEnd end = ImportEnd::Completed;
    int linesInserted = 0;
    std::string message;                   // what the user is told for every end but Completed
    std::vector<std::string> writeErrors;  // each distinct reason a counted line was not written
    ColumnCheck check;                     // the column check of the run, with the box to blame
    ImportSummary summary;
};

ImportOutcome runImport(const ImportRequest& request, const ImportHooks& hooks = {});

// The earliest day among the lines' date fields as a run with these settings reads them;
// nullopt when no line's date reads (no date column, say). A first date set to it imports
// the whole file.
std::optional<Date> earliestLineDate(const std::vector<std::string>& lines, const ImportSettings& settings,
                                     const Clock& clock);

// Rewrites a symbol file from its rows: same fields, no index definition.
void Compression_File(const std::filesystem::path& file);

}  // namespace kiruvan
