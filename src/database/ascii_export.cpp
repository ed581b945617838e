#include "database/ascii_export.h"

#include <fstream>
#include <ostream>
#include <sstream>

#include "base/text_values.h"
#include "database/symbol_data_edits.h"

namespace kiruvan {
namespace {

constexpr char kSeparator = ';';
constexpr std::string_view kLineEnd = "\r\n";

std::string exportField(const FieldRef& field)
{
    if (field.isNull())
        return {};
    if (field.def().type == FieldType::Date)
        return field.asDate().toText();
    return formatGeneral(field.asFloat());
}

}  // namespace

std::string asciiExportLine(Table& bars)
{
    std::string line;
    for (int column = kDateColumn; column < kBarColumnCount; ++column) {
        if (column != kDateColumn)
            line += kSeparator;
        line += exportField(bars.field(barColumnField(column)));
    }
    return line;
}

void writeAsciiExport(Table& bars, std::ostream& out)
{
    DisplayUpdatesSuspended hold(bars);
    for (bars.first(); !bars.eof() && !bars.isEmpty(); bars.next())
        out << asciiExportLine(bars) << kLineEnd;
}

void writeAsciiExportFile(Table& bars, const std::filesystem::path& file)
{
    std::ostringstream text;
    writeAsciiExport(bars, text);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text.str();
    out.close();
    if (!out)
        throw std::runtime_error("Cannot write the file '" + file.string() + "'.");
}

}  // namespace kiruvan
