#pragma once

// Text rules that ignore the locale: only the ASCII letters A-Z have a case, and only the
// given blanks are trimmed, so that names and codes compare the same on every machine.

#include <string>
#include <string_view>

namespace kiruvan {

char asciiLower(char c);
std::string asciiLower(std::string_view text);

// Equal when only the case of A-Z differs.
bool sameIgnoringAsciiCase(std::string_view a, std::string_view b);

// True when the text holds a byte below 0x20 or 0x7F: it could end or rewrite a printed line.
bool holdsControlCharacter(std::string_view text);

// The text without the given blanks at either end.
std::string_view trimmed(std::string_view text, std::string_view blanks = " \t");

// Whether the text holds a digit 0 to 9.
bool hasDigit(std::string_view text);

}  // namespace kiruvan
