#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <span>
#include <sstream>

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "cli/advice.h"
#include "cli/cli.h"
#include "cli/market_argument.h"
#include "import/format_detector.h"
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
    const std::vector<std::string> known(items.begin(), items.end());
    // A column kind is one item of a list: the guess names the kind alone.
    const std::string guess = didYouMean(option == "--columns" ? "" : option, text, known);
    throw UsageError(std::string(option) + " '" + std::string(text) + "' is none of: " + namesList(known, known.size())
                     + (guess.empty() ? "" : "; " + guess));
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

bool readsDecimalComma(const std::string& decimal)
{
    if (decimal != "." && decimal != ",")
        throw UsageError("--decimal '" + decimal + "' is none of: ., ,");
    return decimal == ",";
}

// What the command line sets; each given option replaces the setting the dialog would read
// from Files.ini (or the detector proposes, with --auto).
struct ImportOptions {
    std::optional<int> separator, dateFormat;
    std::optional<std::array<int, kImportColumns>> columns;
    std::optional<Date> firstDate;
    std::optional<bool> decimalComma;

    static ImportOptions take(Context& context, Arguments& args)
    {
        ImportOptions o;
        if (auto separator = args.takeOption("--separator"))
            o.separator = separatorIndex(*separator);
        if (auto layout = args.takeOption("--date-format"))
            o.dateFormat = itemIndex(kDateLayoutItems, *layout, "--date-format");
        if (auto columns = args.takeOption("--columns"))
            o.columns = columnKinds(*columns);
        if (auto first = args.takeOption("--first-date")) {
            const auto day = parseDate(*first, context.clock);
            if (!day)
                throw UsageError("--first-date '" + *first + "' is not a date (dd/mm/yyyy)");
            o.firstDate = clampFirstDate(*day, context.clock);
        }
        if (auto decimal = args.takeOption("--decimal"))
            o.decimalComma = readsDecimalComma(*decimal);
        return o;
    }

    void applyTo(ImportSettings& settings) const
    {
        settings.fieldSeparator = separator.value_or(settings.fieldSeparator);
        settings.dateFormat = dateFormat.value_or(settings.dateFormat);
        settings.columns = columns.value_or(settings.columns);
        settings.firstDate = firstDate.value_or(settings.firstDate);
        if (decimalComma) {
            settings.decimalComma = *decimalComma;
            settings.decimalSeparator = *decimalComma ? 1 : 0;
        }
    }
};

// Without a first date on the command line or in Files.ini every date is imported: a batch
// run has no picker that shows the cut-off.
ImportSettings storedSettings(const Context& context)
{
    const auto iniFile = context.folder.file(kFilesIni);
    ImportSettings settings = Lecture_Fichier_INI(iniFile, context.clock);
    settings.firstDate = storedFirstDate(iniFile, context.clock).value_or(Date::fromYmd(1, 1, 1));
    return settings;
}

std::string quotedSeparator(int index)
{
    const std::string text = fieldSeparatorText(index);
    return text == "TAB" ? "tab" : "'" + text + "'";
}

// The proposal as the options that give it, so that it can be checked, edited and run.
std::string optionsOf(const FormatGuess& guess)
{
    const ImportSettings& s = guess.settings;
    std::string columns;
    for (int kind : s.columns) {
        if (kind == kNone)
            break;
        columns += (columns.empty() ? "" : ",") + std::string(kColumnKindItems[static_cast<std::size_t>(kind)]);
    }
    std::string options = "--separator " + quotedSeparator(s.fieldSeparator) + " --date-format "
                          + std::string(kDateLayoutItems[static_cast<std::size_t>(s.dateFormat)]) + " --columns "
                          + shellWord(columns);
    return s.decimalComma ? options + " --decimal ," : options;
}

void reportGuess(const Context& context, const FormatGuess& guess, const std::string& symbol)
{
    if (!guess.sure())
        tell(context.err, "not sure of the layout: " + guess.doubt()
                              + (guess.problem.empty() ? "; name the right one with --date-format"
                                                       : "; give --separator, --date-format and --columns yourself"));
    else if (!guess.hasSymbolColumn && symbol.empty())
        context.err << "kiruvan-cli: the file has no symbol column: add --symbol CODE\n";
}

// The command line that imports the file as detected, to paste back as it stands.
int printGuess(Context& context, const std::string& file, const std::string& symbol, const FormatGuess& guess)
{
    context.wroteNothing = true;
    reportGuess(context, guess, symbol);
    if (guess.settings.columns[0] == kNone)
        return kFailed;
    context.out << "kiruvan-cli ";
    if (context.folderGiven)
        context.out << "--data " << shellWord(context.folder.root().string()) << " ";
    context.out << "import " << shellWord(file) << " ";
    if (!symbol.empty())
        context.out << "--symbol " << shellWord(symbol) << " ";
    context.out << optionsOf(guess) << "\n";
    return guess.sure() ? kSuccess : kFailed;
}

std::string marketWord(const Context& context)
{
    return shellWord(marketToName(context, std::nullopt));
}

// What mends a run that ended before the file was read.
std::string endAdvice(const Context& context, ImportEnd end, const std::string& symbol)
{
    switch (end) {
    case ImportEnd::NeedsSymbol:
        return "\nname the symbol with --symbol CODE";
    case ImportEnd::SymbolNotFound:
        return "\n" + toolCommand(context, "add-symbol --market " + marketWord(context) + " " + shellWord(symbol))
               + " lists it and makes its file";
    default:
        return "";
    }
}

int runImportCommand(Context& context, Arguments& args)
{
    const bool detect = args.takeFlag("--detect");
    const bool automatic = args.takeFlag("--auto");
    if (detect && automatic)
        throw UsageError("--detect and --auto exclude each other");
    // Options first, so that an option's value is never taken for the file.
    const ImportOptions options = ImportOptions::take(context, args);
    const std::string symbol = args.takeOption("--symbol").value_or("");
    const std::string file = args.requirePositional("FILE");
    args.finish();

    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        throw std::runtime_error(
            "no quote file " + file
            + (std::filesystem::path(file).is_relative() ? " in " + std::filesystem::current_path(ec).string() : "")
            + "; give the path of the file to import");
    const std::vector<std::string> lines = readQuoteFile(file);
    ImportSettings settings = storedSettings(context);
    if (detect || automatic) {
        const FormatGuess guess = detectFormat(lines, context.clock);
        if (detect)
            return printGuess(context, file, symbol, guess);
        // A date layout given on the command line settles dates that fit two layouts.
        const bool settled = guess.problem.empty() && options.dateFormat;
        if (!guess.sure() && !settled) {
            reportGuess(context, guess, symbol);
            return kFailed;
        }
        const Date firstDate = settings.firstDate;
        settings = guess.settings;
        settings.firstDate = firstDate;
    }
    options.applyTo(settings);
    ImportHooks hooks;
    bool writeFailed = false;
    hooks.writeFailed = [&](const std::string& failed) {
        tell(context.err, "Symbol [" + failed + "]");
        writeFailed = true;
    };
    const ImportOutcome outcome = runImport({context.folder, context.clock, settings, symbol, lines}, hooks);
    if (!outcome.message.empty())
        tell(context.err, outcome.message + endAdvice(context, outcome.end, symbol));
    for (const std::string& error : outcome.writeErrors)
        tell(context.err, error);
    const bool ranThrough = outcome.end == ImportEnd::Completed || outcome.end == ImportEnd::ColumnCheckFailed;
    if (ranThrough && outcome.linesInserted == 0)
        tell(context.err, std::string(kNothingInsertedMessage) + "\n"
                              + toolCommand(context, "import " + shellWord(file) + " --detect")
                              + " prints options that fit the file");
    if (outcome.end == ImportEnd::Completed)
        tell(context.err, outcome.summary.text(settings.dateFormat));
    if (const auto& unknown = outcome.summary.unknownSymbols; !unknown.empty()) {
        const std::string code = unknown.size() == 1 ? shellWord(unknown.front()) : "CODE";
        tell(context.err, "lines of symbols without a file are written once the files exist: "
                              + toolCommand(context, "add-symbol --market " + marketWord(context) + " " + code)
                              + " lists a symbol and makes its file, then import again");
    }
    context.out << outcome.linesInserted << "\n";
    // A file with lines that wrote nothing, or a line that could not be written, is a failure a
    // script must notice.
    const bool wroteNothing = outcome.linesInserted == 0 && !lines.empty();
    return outcome.end == ImportEnd::Completed && !wroteNothing && !writeFailed ? kSuccess : kFailed;
}

// An option's description ending in a list, wrapped under the description's column.
std::string helpWithList(std::string_view lead, std::span<const std::string_view> items, std::string_view tail = "")
{
    constexpr std::size_t kColumn = 17, kWidth = 96;
    std::string text(lead);
    std::size_t column = kColumn + lead.size();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string item = std::string(items[i]) + (i + 1 < items.size() ? "," : std::string(tail));
        if (i > 0 && column + item.size() > kWidth) {
            text.back() = '\n';  // the blank after the previous item
            text += std::string(kColumn, ' ');
            column = kColumn;
        }
        text += item + ' ';
        column += item.size() + 1;
    }
    text.back() = '\n';
    return text;
}

const std::string& importHelp()
{
    static const std::string help =
        "Imports the daily bars of an ASCII quote file into the symbol files of the data folder, as the\n"
        "Update Database dialog does. Every option defaults to the dialog's settings in Files.ini, which\n"
        "this command never writes.\n\n"
        "  --separator    field separator: ';', '.', ',' or tab\n"
        "  --date-format  "
        + helpWithList("one of ", kDateLayoutItems) + "  --columns      "
        + helpWithList("the kinds of columns 1 to 10 in order, from ", kColumnKindItems, " (missing columns are None)")
        + "  --symbol       the symbol that receives every line of a file without a Symbol column\n"
          "  --first-date   lines dated before this day are not imported (default: the first date of\n"
          "                 Files.ini, else every date)\n"
          "  --decimal      ',' reads numbers with a decimal comma (the field separator may not be ',')\n"
          "  --detect       prints the options that fit the file as a command line; imports nothing\n"
          "  --auto         imports with the options that fit the file; options given still apply\n\n"
          "Prints the number of lines written. Messages go to standard error; the exit status is 1 when\n"
          "the run could not go through the file or a line could not be written.";
    return help;
}

}  // namespace

Command importCommand()
{
    return {"import",
            "import FILE [--separator ';'|'.'|','|tab] [--date-format LAYOUT] [--columns KIND,...] [--symbol CODE] "
            "[--first-date dd/mm/yyyy] [--decimal .|,] [--detect | --auto]",
            importHelp(), runImportCommand};
}

}  // namespace kiruvan::cli
