#include "database/field_text.h"

#include <cmath>

#include "base/ascii_text.h"
#include "base/text_values.h"

namespace kiruvan {
namespace {

const char* typeText(FieldType type)
{
    switch (type) {
    case FieldType::String:
        return "text";
    case FieldType::Integer:
        return "integer";
    case FieldType::Float:
        return "floating point";
    case FieldType::Date:
        return "date";
    }
    return "";
}

}  // namespace

std::string truncateCharacters(std::string_view text, int limit)
{
    if (limit <= 0)
        return std::string(text);
    int characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80 && ++characters > limit)
            return std::string(text.substr(0, i));
    }
    return std::string(text);
}

std::optional<std::int32_t> parseInteger(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 10)
        return std::nullopt;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    v = negative ? -v : v;
    if (v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

Value valueFromText(const FieldDef& field, std::string_view text, const Clock* clock)
{
    if (text.empty())
        return std::monostate{};
    switch (field.type) {
    case FieldType::String:
        return truncateCharacters(text, field.size);
    case FieldType::Integer:
        if (auto i = parseInteger(text))
            return *i;
        break;
    case FieldType::Float:
        if (auto f = parseFloat(text); f && std::isfinite(*f))
            return *f;
        break;
    case FieldType::Date:
        if (auto d = dateFromText(text, clock))
            return *d;
        break;
    }
    throw TableError("'" + std::string(text) + "' is not a valid " + typeText(field.type) + " value for field '"
                     + field.name + "'.");
}

std::optional<Date> dateFromText(std::string_view text, const Clock* clock)
{
    if (!clock)
        throw TableError("Cannot read the date '" + std::string(text) + "': the table was given no clock.");
    return parseDate(text, *clock);
}

}  // namespace kiruvan
