#include <algorithm>
#include <ostream>

#include "base/ascii_text.h"
#include "cli/advice.h"
#include "cli/cmd_database.h"
#include "database/program_tables.h"
#include "database/symbol_data_edits.h"
#include "database/symbol_files.h"
#include "database/symbol_manager.h"
#include "database/table_file.h"

namespace kiruvan::cli {
namespace {

std::vector<std::filesystem::path> tableFiles(const DataFolder& folder, const std::vector<std::string>& codes)
{
    std::vector<std::filesystem::path> files;
    for (const std::string& code : codes)
        files.push_back(folder.findSymbolFile(code).value_or(folder.symbolFileFor(code)));
    if (!files.empty())
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.root()))
        if (entry.path().extension() == kTableFileExtension)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// What the readers of a symbol file's bars rely on, then the data editor's row check, which
// would only repeat a value already named.
void addSymbolFileProblems(Table& table, const Clock& clock, std::vector<std::string>& problems)
{
    for (const auto& found : {symbolLayoutProblems(table.fields()), symbolValueProblems(table)})
        problems.insert(problems.end(), found.begin(), found.end());
    if (!problems.empty())
        return;
    table.setSortOrder(std::string(barColumnField(kDateColumn)));
    if (const auto failure = verifyBars(table, clock))
        problems.push_back("row " + std::to_string(failure->recNo) + " in date order, field "
                           + std::string(barColumnField(failure->column)) + ": fails the data editor's check");
}

// What every load of the file refuses, through the load itself; then for a symbol file what its
// readers rely on.
std::vector<std::string> fileProblems(const std::filesystem::path& file, const Clock& clock)
{
    try {
        std::vector<std::string> problems = TableFile::open(file)->integrityProblems();
        Table table;
        table.loadFromFile(file, &problems);
        if (!programTableOf(file))
            addSymbolFileProblems(table, clock, problems);
        return problems;
    } catch (const std::exception& e) {
        return {e.what()};
    }
}

// What an interrupted symbol add or another program left: symbol files that no symbol lists
// and that hold nothing, and symbols listed without a file. Empty when Master.cds is unreadable,
// since nothing is known then.
struct Leftovers {
    std::vector<std::filesystem::path> unlistedEmptyFiles;
    std::vector<std::string> codesWithoutFile;
};

bool holdsNoRows(const std::filesystem::path& file)
{
    std::error_code ec;
    if (std::filesystem::file_size(file, ec) == 0 && !ec)
        return true;
    try {
        Table table;
        table.loadFromFile(file);
        return table.isEmpty();
    } catch (const std::exception&) {
        return false;
    }
}

// With codes given, only their symbols and files are looked at.
Leftovers findLeftovers(const DataFolder& folder, const std::vector<std::filesystem::path>& files,
                        const std::vector<std::string>& codes)
{
    Leftovers found;
    std::vector<Symbol> symbols;
    try {
        symbols = listSymbols(folder);
    } catch (const std::exception&) {
        return found;
    }
    const auto listed = [&](const std::filesystem::path& file) {
        return std::any_of(symbols.begin(), symbols.end(),
                           [&](const Symbol& s) { return folder.findSymbolFile(s.code) == file; });
    };
    for (const std::filesystem::path& file : files)
        if (!programTableOf(file) && !listed(file) && holdsNoRows(file))
            found.unlistedEmptyFiles.push_back(file);
    const auto asked = [&](const std::string& code) {
        return codes.empty() || std::any_of(codes.begin(), codes.end(), [&](const std::string& c) {
                   return sameIgnoringAsciiCase(c, code);
               });
    };
    for (const Symbol& symbol : symbols)
        if (asked(symbol.code) && !savedSymbolCodeProblem(symbol.code) && !folder.findSymbolFile(symbol.code)
            && std::find(found.codesWithoutFile.begin(), found.codesWithoutFile.end(), symbol.code)
                   == found.codesWithoutFile.end())
            found.codesWithoutFile.push_back(symbol.code);
    return found;
}

// Prints the leftovers, removing or creating what --repair asks for; returns whether any is left.
bool reportLeftovers(Context& context, const Leftovers& leftovers, bool repair)
{
    bool left = false;
    for (const std::filesystem::path& file : leftovers.unlistedEmptyFiles) {
        std::error_code ec;
        const bool removed = repair && std::filesystem::remove(file, ec);
        context.out << escapedControls(file.string()) << ": no symbol lists this file and it holds no rows"
                    << (removed ? "; removed" : "") << '\n';
        left |= !removed;
    }
    for (const std::string& code : leftovers.codesWithoutFile) {
        const std::filesystem::path file = context.folder.symbolFileFor(code);
        const bool created = repair && Creation_d1_Fichier_Data(context.folder, code);
        context.out << escapedControls(file.string()) << ": the symbol " << quotedText(code)
                    << " is listed but has no file" << (created ? "; created empty" : "") << '\n';
        left |= !created;
    }
    return left;
}

int runCheck(Context& context, Arguments& args)
{
    const bool repair = args.takeFlag("--repair");
    std::vector<std::string> codes;
    while (auto code = args.takePositional())
        codes.push_back(*code);
    args.finish();
    if (repair)
        Verification_existance_des_Fichiers(context.folder);
    const Leftovers leftovers = findLeftovers(context.folder, tableFiles(context.folder, codes), codes);
    bool found = reportLeftovers(context, leftovers, repair);
    if (found && !repair) {
        std::string again = "check --repair";
        for (const std::string& code : codes)
            again += " " + shellWord(code);
        tell(context.err,
             toolCommand(context, again) + " removes the empty unlisted files and creates the missing ones");
    }
    // Listed again: a repair removed files and made others.
    for (const std::filesystem::path& file : tableFiles(context.folder, codes))
        for (const std::string& problem : fileProblems(file, context.clock)) {
            context.out << escapedControls(file.string()) << ": " << escapedControls(problem) << '\n';
            found = true;
        }
    return found ? kFailed : kSuccess;
}

}  // namespace

Command checkCommand()
{
    return {"check", "check [--repair] [CODE...]",
            "Checks every table file of the data folder, or the symbol files of the given codes, without\n"
            "changing them: the engine's integrity check, every value a load refuses (a value of another\n"
            "type than its field's, a number that is not finite, a text longer than its field or not\n"
            "UTF-8, a required field left empty), for symbol files the fields their readers use and the\n"
            "data editor's row check, and what an interrupted symbol add leaves: a symbol file that no\n"
            "symbol lists and that holds no rows, a listed symbol without a file. Prints 'FILE: problem'\n"
            "per problem; the exit status is 1 when it found one.\n"
            "--repair  removes those empty unlisted files and creates the missing ones (and what killed\n"
            "          saves left behind); nothing else is changed. The exit status is 1 when a problem\n"
            "          is left.",
            runCheck};
}

}  // namespace kiruvan::cli
