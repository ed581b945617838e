#include <algorithm>
#include <ostream>
#include <sstream>

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "cli/cli.h"
#include "import/import_run.h"
#include "import/import_settings.h"
#include "import/quote_file.h"

namespace kiruvan::cli {
namespace {

template <std::size_t N>
int itemIndex(const std::array<std::string_view, N>& items, std::string_view text, std::string_view option)
{
    for (std::size_t i = 0; i < N; ++i)
        if (sameIgnoringAsciiCase(items[i], text))
            return static_cast<int>(i);
    std::string known;
    for (std::string_view item : items)
        known += (known.empty() ? "" : ", ") + std::string(item);
    throw UsageError(std::string(option) + " '" + std::string(text) + "' is none of: " + known);
}

int separatorIndex(const std::string& text)
{
    return itemIndex(kFieldSeparatorItems, text == "tab" || text == "\t" ? "TAB" : text, "--separator");
}

std::array<int, kImportColumns> columnKinds(const std::string& list)
{
    std::array<int, kImportColumns> kinds{};
    std::istringstream in(list);
    std::size_t column = 0;
    for (std::string kind; std::getline(in, kind, ',');) {
        if (column == kinds.size())
            throw UsageError("--columns names more than " + std::to_string(kImportColumns) + " columns");
        kinds[column++] = itemIndex(kColumnKindItems, kind, "--columns");
    }
    return kinds;
}

// Each option replaces the setting the dialog would read from Files.ini.
ImportSettings settingsFor(Context& context, Arguments& args)
{
    ImportSettings settings = Lecture_Fichier_INI(context.folder.file(kFilesIni), context.clock);
    if (auto separator = args.takeOption("--separator"))
        settings.fieldSeparator = separatorIndex(*separator);
    if (auto layout = args.takeOption("--date-format"))
        settings.dateFormat = itemIndex(kDateLayoutItems, *layout, "--date-format");
    if (auto columns = args.takeOption("--columns"))
        settings.columns = columnKinds(*columns);
    if (auto first = args.takeOption("--first-date")) {
        const auto day = parseDate(*first, context.clock);
        if (!day)
            throw UsageError("--first-date '" + *first + "' is not a date (dd/mm/yyyy)");
        settings.firstDate = clampFirstDate(*day, context.clock);
    }
    return settings;
}

int runImportCommand(Context& context, Arguments& args)
{
    // Options first, so that an option's value is never taken for the file.
    const ImportSettings settings = settingsFor(context, args);
    const std::string symbol = args.takeOption("--symbol").value_or("");
    const std::string file = args.requirePositional("FILE");
    args.finish();

    const std::vector<std::string> lines = readQuoteFile(file);
    ImportHooks hooks;
    hooks.writeFailed = [&](const std::string& failed) { context.err << "Symbol [" << failed << "]\n"; };
    const ImportOutcome outcome = runImport({context.folder, context.clock, settings, symbol, lines}, hooks);
    if (!outcome.message.empty())
        context.err << outcome.message << "\n";
    const bool ranThrough = outcome.end == ImportEnd::Completed || outcome.end == ImportEnd::ColumnCheckFailed;
    if (ranThrough && outcome.linesInserted == 0)
        context.err << kNothingInsertedMessage << "\n";
    context.out << outcome.linesInserted << "\n";
    return outcome.end == ImportEnd::Completed ? kSuccess : kFailed;
}

}  // namespace

Command importCommand()
{
    return {"import",
            "import FILE [--separator ';'|'.'|','|tab] [--date-format LAYOUT] [--columns KIND,...] [--symbol CODE] "
            "[--first-date dd/mm/yyyy]",
            "Imports the daily bars of an ASCII quote file into the symbol files of the data folder, as the\n"
            "Update Database dialog does. Every option defaults to the dialog's settings in Files.ini, which\n"
            "this command never writes.\n\n"
            "  --separator    field separator: ';', '.', ',' or tab\n"
            "  --date-format  one of dd/mm/yy, dd/mm/yyyy, ddmmyy, ddmmyyyy, mmddyyyy, mmddyy, aammdd,\n"
            "                 aaaammdd, d-m-aa\n"
            "  --columns      the kinds of columns 1 to 10 in order, from None, Symbol, Name, Date, Time,\n"
            "                 Open, Low, High, Close, Volume, Open Interest (missing columns are None)\n"
            "  --symbol       the symbol that receives every line of a file without a Symbol column\n"
            "  --first-date   lines dated before this day are not imported\n\n"
            "Prints the number of lines written. Messages go to standard error; the exit status is 1 when\n"
            "the run could not go through the file.",
            runImportCommand};
}

}  // namespace kiruvan::cli
