#include "import/quote_columns.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <regex>

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "database/data_folder.h"
#include "import/conversions.h"

namespace kiruvan::quote_columns {
namespace {

constexpr std::size_t kMinimumFields = 5;  // a date and four prices at least
constexpr std::array<char, 4> kSeparatorCandidates = {';', '\t', ',', '.'};
// Years before this are a layout read wrongly ("20040305" as day 20, month 04, year 0305).
constexpr int kEarliestQuoteYear = 1900;

const std::regex& layoutShape(int layout)
{
    static const auto shapes = [] {
        std::vector<std::regex> built;
        for (const DateLayoutForm& form : kDateLayouts)
            built.emplace_back(form.shape.begin(), form.shape.end());
        return built;
    }();
    return shapes[static_cast<std::size_t>(layout)];
}

// The days a layout reads from a column, or nullopt when one value does not fit it.
std::optional<std::vector<Date>> daysUnder(int layout, const std::vector<std::string>& values, const Clock& clock)
{
    std::vector<Date> days;
    for (const std::string& value : values) {
        if (!std::regex_match(monthNamesAsNumbers(value), layoutShape(layout)))
            return std::nullopt;
        const auto day = parseDate(Formatage_de_la_date(value, static_cast<DateLayout>(layout), clock), clock);
        if (!day || day->year() < kEarliestQuoteYear || *day > clock.today())
            return std::nullopt;
        days.push_back(*day);
    }
    return days;
}

}  // namespace

bool isBlank(const std::string& line)
{
    return trimmed(line).empty();
}

std::string trimmedField(std::string_view field)
{
    return std::string(trimmed(field));
}

std::string headerWord(std::string_view text)
{
    std::string word;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z')
            word += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            word += c;
    }
    return word;
}

std::optional<ColumnKind> kindOfHeaderWord(const std::string& word)
{
    static const std::map<std::string, ColumnKind> words = {{"date", kDate},
                                                            {"day", kDate},
                                                            {"time", kTime},
                                                            {"open", kOpen},
                                                            {"o", kOpen},
                                                            {"high", kHigh},
                                                            {"h", kHigh},
                                                            {"low", kLow},
                                                            {"l", kLow},
                                                            {"close", kClose},
                                                            {"c", kClose},
                                                            {"last", kClose},
                                                            {"vol", kVolume},
                                                            {"volume", kVolume},
                                                            {"v", kVolume},
                                                            {"ticker", kSymbol},
                                                            {"symbol", kSymbol},
                                                            {"code", kSymbol},
                                                            {"openint", kOpenInterest},
                                                            {"openinterest", kOpenInterest},
                                                            {"oi", kOpenInterest},
                                                            {"name", kName}};
    const auto found = words.find(word);
    return found == words.end() ? std::nullopt : std::optional(found->second);
}

bool looksLikeHeader(const std::string& line, char separator)
{
    if (!hasDigit(line))
        return true;
    int known = 0;
    for (std::string_view field : splitFields(line, std::string(1, separator)))
        known += kindOfHeaderWord(headerWord(field)).has_value() ? 1 : 0;
    return known >= 2;
}

std::optional<char> chooseSeparator(const std::vector<std::string>& lines)
{
    for (char candidate : kSeparatorCandidates) {
        const std::string separator(1, candidate);
        const std::size_t count = splitFields(lines.back(), separator).size();
        const bool consistent = std::all_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return splitFields(line, separator).size() == count;
        });
        if (consistent && count >= kMinimumFields)
            return candidate;
    }
    return std::nullopt;
}

Rows cutRows(const std::vector<std::string>& lines, char separator)
{
    Rows rows;
    for (const std::string& line : lines) {
        std::vector<std::string> row;
        for (std::string_view field : splitFields(line, std::string(1, separator)))
            row.push_back(trimmedField(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::string> columnOf(const Rows& rows, std::size_t column)
{
    std::vector<std::string> values;
    for (const auto& row : rows)
        values.push_back(row[column]);
    return values;
}

bool usesDecimalComma(const Rows& rows, char separator)
{
    if (separator == ',')
        return false;
    static const std::regex comma(R"([+-]?\d+,\d+)"), point(R"([+-]?\d+\.\d+)");
    bool anyComma = false;
    for (const auto& row : rows)
        for (const std::string& field : row) {
            if (std::regex_match(field, point))
                return false;
            anyComma = anyComma || std::regex_match(field, comma);
        }
    return anyComma;
}

DateColumn dateColumn(const std::vector<std::string>& values, const Clock& clock)
{
    DateColumn result;
    std::optional<std::vector<Date>> firstReading;
    for (int layout = 0; layout < kDateLayoutCount; ++layout) {
        const auto days = daysUnder(layout, values, clock);
        if (!days)
            continue;
        result.layouts.push_back(layout);
        if (!firstReading)
            firstReading = days;
        else if (*firstReading != *days)
            result.ambiguous = true;
    }
    return result;
}

bool isNumberColumn(const std::vector<std::string>& values, bool decimalComma)
{
    return std::all_of(values.begin(), values.end(),
                       [&](const std::string& value) { return Prix_Valide(decimalComma ? To_Float(value) : value); });
}

bool isWholeNumberColumn(const std::vector<std::string>& values)
{
    static const std::regex whole(R"(\+?\d+(\.0*)?)");
    return std::all_of(values.begin(), values.end(), [](const std::string& v) { return std::regex_match(v, whole); });
}

bool isCodeColumn(const std::vector<std::string>& values)
{
    return std::all_of(values.begin(), values.end(),
                       [](const std::string& v) { return v.size() <= 30 && !symbolCodeProblem(v); });
}

}  // namespace kiruvan::quote_columns
