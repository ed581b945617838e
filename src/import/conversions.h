#pragma once

// Turning the fields of a quote line into the texts the import writes: the field of a column,
// the date of the date column in the program's date form, and a price text.

#include <array>
#include <cstddef>
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
    DdMmYy,
    DdMmYyyy,
    DdMmYyCompact,
    DdMmYyyyCompact,
    MmDdYyyy,
    MmDdYy,
    YyMmDd,
    YyyyMmDd,
    DMYyDashed,
    YyyyMmDdIso,
    MmDdYyyySlashed,
};
inline constexpr int kDateLayoutCount = 11;

// How a two-digit year is read, and which of day and month is tested first.
enum class YearForm { Pivot, AsWritten };
enum class TestOrder { DayMonthYear, MonthDayYear };

// Where a layout keeps its parts (1-based positions) and how they are read.
struct LayoutRule {
    std::size_t dayAt = 0, monthAt = 0, yearAt = 0, yearLength = 0;
    YearForm yearForm = YearForm::AsWritten;
    TestOrder order = TestOrder::DayMonthYear;
    bool digitsOnly = false;  // every part must be plain digits; any other part rejects the line
};

struct DateLayoutForm {
    std::string_view name;  // as the settings' list shows it
    // The written form, so that a date is never detected with a layout that only happens to
    // find numbers at its positions ("07/09/1984" is not "dd/mm/yy").
    std::string_view shape;
    LayoutRule rule;  // unused for "dd/mm/yyyy", read as written
};

// Every layout, in DateLayout's order.
inline constexpr std::array<DateLayoutForm, kDateLayoutCount> kDateLayouts = {{
    {"dd/mm/yy", R"(\d\d\D\d\d\D\d\d)", {1, 4, 7, 2, YearForm::Pivot, TestOrder::DayMonthYear}},
    {"dd/mm/yyyy", R"(\d{1,2}/\d{1,2}/\d{4})", {}},
    {"ddmmyy", R"(\d{6})", {1, 3, 5, 2, YearForm::Pivot, TestOrder::DayMonthYear}},
    {"ddmmyyyy", R"(\d{8})", {1, 3, 5, 4, YearForm::AsWritten, TestOrder::DayMonthYear}},
    {"mmddyyyy", R"(\d{8})", {3, 1, 5, 4, YearForm::AsWritten, TestOrder::MonthDayYear}},
    {"mmddyy", R"(\d{6})", {3, 1, 5, 2, YearForm::Pivot, TestOrder::MonthDayYear}},
    {"aammdd", R"(\d{6})", {5, 3, 1, 2, YearForm::AsWritten, TestOrder::MonthDayYear}},
    {"aaaammdd", R"(\d{8})", {7, 5, 1, 4, YearForm::AsWritten, TestOrder::MonthDayYear}},
    {"d-m-aa", R"(\d{1,2}-\d\d-\d\d)", {1, 4, 7, 2, YearForm::Pivot, TestOrder::DayMonthYear}},
    {"yyyy-mm-dd", R"(\d{4}\D\d\d\D\d\d)", {9, 6, 1, 4, YearForm::AsWritten, TestOrder::DayMonthYear, true}},
    {"mm/dd/yyyy", R"(\d\d\D\d\d\D\d{4})", {4, 1, 7, 4, YearForm::AsWritten, TestOrder::MonthDayYear, true}},
}};

inline const DateLayoutForm& formOf(DateLayout layout)
{
    return kDateLayouts[static_cast<std::size_t>(layout)];
}

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
