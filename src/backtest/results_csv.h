#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "backtest/results_table.h"

namespace kiruvan {

// A double with 17 significant digits and "." whatever the locale, so that reading the text
// back gives the same double.
std::string csvNumber(double value);

// A text as it stands, quoted with doubled quotes when it holds a comma, a quote or a line break.
std::string csvText(std::string_view text);

// A header line with the field names in table order, then one line per row.
void writeResultsCsv(std::ostream& out, const std::vector<ResultRow>& rows);

// The same text in a file, written beside it first and renamed over it, so that a failed
// export leaves any earlier file whole. Throws std::runtime_error naming the file.
void writeResultsCsvFile(const std::filesystem::path& file, const std::vector<ResultRow>& rows);

}  // namespace kiruvan
