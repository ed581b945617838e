#pragma once

// Turning the fields of a quote line into the texts the import writes: the field of a column,
// the date of the date column in the program's date form, and a price text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/calendar_date.h"

namespace kiruvan {

// The date layouts of a quote file, in the order of the settings' list. The last two read the
// layouts of common downloads; they come after the first nine so that stored indexes keep their
// meaning.
enum class DateLayout {
    DdMmYy,           // "dd/mm/yy"
    DdMmYyyy,         // "dd/mm/yyyy"
    DdMmYyCompact,    // "ddmmyy"
    DdMmYyyyCompact,  // "ddmmyyyy"
    MmDdYyyy,         // "mmddyyyy"
    MmDdYy,           // "mmddyy"
    YyMmDd,           // "aammdd"
    YyyyMmDd,         // "aaaammdd"
    DMYyDashed,       // "d-m-aa"
    YyyyMmDdIso,      // "yyyy-mm-dd"
    MmDdYyyySlashed,  // "mm/dd/yyyy"
};
inline constexpr int kDateLayoutCount = 11;

// The fields of one line cut at every separator character; an empty separator leaves the whole
// line as one field. There is no quoting: blanks and quotes belong to the field.
std::vector<std::string_view> splitFields(std::string_view line, std::string_view separator);
// The same into `fields`, whose storage is kept from line to line.
void splitFields(std::string_view line, std::string_view separator, std::vector<std::string_view>& fields);

// The field of a 1-based column; an empty text when the line has fewer fields, and no value
// for column 0 (a kind that no column holds), which every check then rejects.
std::optional<std::string> Get_Chaine(int column, std::string_view line, std::string_view separator);
std::optional<std::string> fieldOf(const std::vector<std::string_view>& fields, int column);

// The date text of the date column in the form "dd/mm/yyyy" ("dd/mm/yy" for "aammdd", the
// text itself for "dd/mm/yyyy"); an empty text when the first two parts tested are not numbers,
// "00/00/0000" when the year part is not; "yyyy-mm-dd" and "mm/dd/yyyy" give an empty text when
// any part is not all digits. Two-character years take the century from the clock:
// the current century unless that would put the year after the current one.
std::string Formatage_de_la_date(std::string text, std::optional<DateLayout> layout, const Clock& clock);

// The year of a two-character year part, or nullopt when the part is not a plain whole number.
std::optional<int> pivotYear(std::string_view part, const Clock& clock);

// The text with "Jan" to "Dec" (exactly so written) replaced by "01" to "12".
std::string monthNamesAsNumbers(std::string text);

// A price text with every "," replaced by ".".
std::string To_Float(std::string text);

}  // namespace kiruvan
