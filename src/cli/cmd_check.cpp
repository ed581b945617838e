#include <algorithm>
#include <ostream>

#include "cli/cmd_database.h"
#include "database/symbol_data_edits.h"
#include "database/symbol_files.h"
#include "database/symbol_manager.h"
#include "database/table_file.h"

namespace kiruvan::cli {
namespace {

std::vector<std::filesystem::path> tableFiles(const DataFolder& folder, Arguments& args)
{
    std::vector<std::filesystem::path> files;
    while (auto code = args.takePositional()) {
        const auto file = folder.findSymbolFile(*code);
        files.push_back(file.value_or(folder.symbolFileFor(*code)));
    }
    if (!files.empty())
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.root()))
        if (entry.path().extension() == kTableFileExtension)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The value checks of a symbol file: what a load relies on, then the data editor's row check.
std::vector<std::string> symbolFileProblems(Table& table, const Clock& clock)
{
    std::vector<std::string> problems = symbolValueProblems(table);
    if (!problems.empty() || table.fieldIndex(barColumnField(kVolumeColumn)) < 0)
        return problems;
    table.setSortOrder(std::string(barColumnField(kDateColumn)));
    if (const auto failure = verifyBars(table, clock))
        problems.push_back("row " + std::to_string(failure->recNo) + " in date order, field "
                           + std::string(barColumnField(failure->column)) + ": fails the data editor's check");
    return problems;
}

std::vector<std::string> fileProblems(const std::filesystem::path& file, const Clock& clock)
{
    try {
        std::vector<std::string> problems = TableFile::open(file)->integrityProblems();
        Table table;
        table.loadFromFile(file);
        if (!isReservedSymbolCode(file.stem().string())) {
            const std::vector<std::string> values = symbolFileProblems(table, clock);
            problems.insert(problems.end(), values.begin(), values.end());
        }
        return problems;
    } catch (const std::exception& e) {
        return {e.what()};
    }
}

int runCheck(Context& context, Arguments& args)
{
    const std::vector<std::filesystem::path> files = tableFiles(context.folder, args);
    args.finish();
    bool found = false;
    for (const std::filesystem::path& file : files)
        for (const std::string& problem : fileProblems(file, context.clock)) {
            context.out << file.string() << ": " << problem << '\n';
            found = true;
        }
    return found ? kFailed : kSuccess;
}

}  // namespace

Command checkCommand()
{
    return {"check", "check [CODE...]",
            "Checks every table file of the data folder, or the symbol files of the given codes, without\n"
            "changing them: the engine's integrity check, the table layout, and for symbol files the values\n"
            "a load relies on and the data editor's row check. Prints 'FILE: problem' per problem; the exit\n"
            "status is 1 when it found one.",
            runCheck};
}

}  // namespace kiruvan::cli
