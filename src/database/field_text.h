#pragma once

// Text to field values with the program's own locale-free readers, for the table store.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "database/table.h"

namespace kiruvan {

// At most `limit` characters of UTF-8 text; a string field of size N holds N characters.
std::string truncateCharacters(std::string_view text, int limit);

// A whole number of the int32 range, blanks around it allowed.
std::optional<std::int32_t> parseInteger(std::string_view text);

// Converts text to a field's type; the empty text is null. Throws TableError naming the field.
// A date needs the clock ("today" completes short forms); without one a date is refused.
Value valueFromText(const FieldDef& field, std::string_view text, const Clock* clock);

// A date read from text with today's date from the clock; throws TableError without a clock.
std::optional<Date> dateFromText(std::string_view text, const Clock* clock);

}  // namespace kiruvan
