#pragma once

// Locale-free reading and writing of the program's number and date text, and the value
// checks built on them. The table store converts text with these same routines, so a value
// that passes a check is always accepted by the store, and the reverse.

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "base/calendar_date.h"

namespace kiruvan {

// The process date format: "d/m[/y]" with the rules of the date check (blanks before each
// number, at most four digits read, two-number form in the current year, two-digit year
// window around the current year, trailing "/" and blanks, calendar check).
std::optional<Date> parseDate(std::string_view text, const Clock& clock);

// The process number format: blanks, sign, digits with at most one ".", optional exponent,
// blanks. No thousands separators; the empty text is not a number.
std::optional<double> parseFloat(std::string_view text);

// The same grammar read in extended precision, for conversions that round afterwards.
std::optional<long double> parseLongDouble(std::string_view text);

// The general number format: at most 15 significant digits, no trailing zeros, "." as
// decimal separator, exponent form "1E15" / "1.5E-7" where the fixed form would not fit.
std::string formatGeneral(long double value);

// The whole text as a number of type T, as the standard library reads it ("12", "-3", "26.5"
// for a floating type): no blanks, no sign "+", nothing after the number.
template <class T>
std::optional<T> exactNumber(std::string_view text)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool Date_Valide(std::string_view text, const Clock& clock);
bool Prix_Valide(std::string_view text);
bool Volume_Valide(std::string_view text);
std::string Format_Prix(double value);

}  // namespace kiruvan
