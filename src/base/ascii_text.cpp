#include "base/ascii_text.h"

#include <algorithm>

namespace kiruvan {

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string asciiLower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = asciiLower(c);
    return lower;
}

bool sameIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

std::string_view trimmed(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of the text, 0 when there is none.
std::size_t sequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    // The ranges of the second byte exclude overlong forms, surrogates and code points past U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    if (length == 0 || text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

bool isControlSequence(std::string_view sequence)
{
    const auto lead = static_cast<unsigned char>(sequence[0]);
    if (sequence.size() == 1)
        return lead < 0x20 || lead == 0x7F;
    return sequence.size() == 2 && lead == 0xC2 && static_cast<unsigned char>(sequence[1]) < 0xA0;
}

// Calls visit(sequence, valid) for each UTF-8 sequence of the text, or for each stray byte.
template <class Visit>
void forEachSequence(std::string_view text, Visit visit)
{
    while (!text.empty()) {
        const std::size_t length = sequenceLength(text);
        visit(text.substr(0, std::max<std::size_t>(length, 1)), length != 0);
        text.remove_prefix(std::max<std::size_t>(length, 1));
    }
}

}  // namespace

bool holdsControlCharacter(std::string_view text)
{
    bool found = false;
    forEachSequence(text,
                    [&](std::string_view sequence, bool valid) { found |= valid && isControlSequence(sequence); });
    return found;
}

std::size_t characterCount(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool isValidUtf8(std::string_view text)
{
    // Whole quote files pass here: plain ASCII takes one comparison a byte.
    std::size_t i = 0;
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t length = sequenceLength(text.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string escapedControls(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    forEachSequence(text, [&](std::string_view sequence, bool valid) {
        if (valid && !isControlSequence(sequence)) {
            out += sequence;
            return;
        }
        for (char c : sequence) {
            const auto byte = static_cast<unsigned char>(c);
            out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        }
    });
    return out;
}

std::string quotedText(std::string_view text)
{
    return "'" + escapedControls(text) + "'";
}

bool hasDigit(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace kiruvan
