#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/calendar_date.h"
#include "database/data_folder.h"
#include "database/table.h"

namespace kiruvan::test {

// One daily bar as a symbol file holds it; a missing value is null.
struct BarRow {
    std::optional<Date> date;
    std::optional<double> open, high, low, close, volume;
};

BarRow bar(int year, int month, int day, double open, double high, double low, double close,
           std::optional<double> volume = 1000);

// Creates the symbol file of a code with these rows, in the order given.
void writeSymbolFile(const DataFolder& folder, const std::string& code, const std::vector<BarRow>& rows);

// The rows of a symbol file in date order.
std::vector<BarRow> readSymbolFile(const DataFolder& folder, const std::string& code);

// One field of every row of a table file, in file order, as text.
std::vector<std::string> columnText(const std::filesystem::path& file, const std::string& field);

}  // namespace kiruvan::test
