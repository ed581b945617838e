#include "database/program_tables.h"

#include <string>

#include "base/ascii_text.h"

namespace kiruvan {

const ProgramTable* programTableOf(const std::filesystem::path& file)
{
    for (const ProgramTable& table : kProgramTables)
        if (file.filename() == table.file)
            return &table;
    return nullptr;
}

std::span<const std::string_view> requiredFieldsOf(const std::filesystem::path& file)
{
    const ProgramTable* table = programTableOf(file);
    return table ? table->requiredFields : std::span<const std::string_view>();
}

bool namesProgramTable(std::string_view code)
{
    const std::string fileName = std::string(code) + std::string(kTableFileExtension);
    for (const ProgramTable& table : kProgramTables)
        if (sameIgnoringAsciiCase(fileName, table.file))
            return true;
    return false;
}

}  // namespace kiruvan
