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

// True when the text holds a control character (below 0x20, 0x7F, or U+0080 to U+009F): it
// could end or rewrite a printed line.
bool holdsControlCharacter(std::string_view text);

// Number of characters of a UTF-8 text; limits on names count characters, not bytes.
std::size_t characterCount(std::string_view text);

// True when the text is well-formed UTF-8 (no stray, overlong or surrogate sequences).
bool isValidUtf8(std::string_view text);

// The text with every control character and every byte that is not part of valid UTF-8 written
// as \xHH, so that quoting input back can never move the cursor or forge a line.
std::string escapedControls(std::string_view text);

// The text between single quotes with its control characters escaped: input quoted in a message.
std::string quotedText(std::string_view text);

// The text without the given blanks at either end.
std::string_view trimmed(std::string_view text, std::string_view blanks = " \t");

// Whether the text holds a digit 0 to 9.
bool hasDigit(std::string_view text);

}  // namespace kiruvan
