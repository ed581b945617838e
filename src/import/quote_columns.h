#pragma once

// What the format detector reads from a quote file's lines: separators and header words, the
// lines cut into fields, and which columns hold dates, numbers or symbol codes.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/calendar_date.h"
#include "import/import_settings.h"

namespace kiruvan::quote_columns {

using Rows = std::vector<std::vector<std::string>>;

bool isBlank(const std::string& line);
std::string trimmedField(std::string_view field);
// "<TICKER>", "Adj Close" and "open_int" become "ticker", "adjclose" and "openint".
std::string headerWord(std::string_view text);
std::optional<ColumnKind> kindOfHeaderWord(const std::string& word);
bool looksLikeHeader(const std::string& line, char separator);
// The separator that cuts every data line into the same number of fields, at least five.
std::optional<char> chooseSeparator(const std::vector<std::string>& lines);
Rows cutRows(const std::vector<std::string>& lines, char separator);
std::vector<std::string> columnOf(const Rows& rows, std::size_t column);
// Numbers written with a comma and none with a point mean a decimal comma.
bool usesDecimalComma(const Rows& rows, char separator);

struct DateColumn {
    std::vector<int> layouts;  // the layouts that fit
    bool ambiguous = false;    // two of them read different days
};
DateColumn dateColumn(const std::vector<std::string>& values, const Clock& clock);

bool isNumberColumn(const std::vector<std::string>& values, bool decimalComma);
bool isWholeNumberColumn(const std::vector<std::string>& values);
bool isCodeColumn(const std::vector<std::string>& values);

}  // namespace kiruvan::quote_columns
