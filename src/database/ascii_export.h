#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

#include "database/table.h"

namespace kiruvan {

// The ASCII export of a symbol's bars: one line per row, "date;open;high;low;close;volume",
// numbers in the general format, an empty field for a null value, every line ended by CR LF.

// The export line of the current row, without its line end.
std::string asciiExportLine(Table& bars);

// Writes every row from the first to the last; the last row is current afterwards.
void writeAsciiExport(Table& bars, std::ostream& out);

// Writes the export to a file, replacing it without asking. Throws naming the file on failure.
void writeAsciiExportFile(Table& bars, const std::filesystem::path& file);

}  // namespace kiruvan
