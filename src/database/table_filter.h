#pragma once

// Filter expressions of the table store: "name = 12 and other = 'it''s'".

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "database/table.h"

namespace kiruvan {

// The equality tests of an expression, as field positions and values of the fields' types; a
// quoted text against a date field is a date. Throws TableError quoting the expression.
std::vector<std::pair<int, Value>> parseFilter(const Table& table, const std::string& text, const Clock* clock);

// The text as a quoted literal of a filter expression: quotes inside are doubled.
std::string quotedForFilter(std::string_view text);

// An expression that keeps the rows whose field holds this number, or this text.
std::string fieldIs(std::string_view field, std::int64_t value);
std::string fieldIs(std::string_view field, std::string_view text);
// An expression that keeps the rows both expressions keep.
std::string bothOf(std::string_view first, std::string_view second);

}  // namespace kiruvan
