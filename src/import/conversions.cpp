#include "import/conversions.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "base/text_values.h"

namespace kiruvan {
namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Month names are matched exactly as written: "JAN" or "jan" stay as they are.
void replaceMonthNames(std::string& text)
{
    static constexpr std::array<std::string_view, 12> names = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static constexpr std::array<std::string_view, 12> numbers = {"01", "02", "03", "04", "05", "06",
                                                                 "07", "08", "09", "10", "11", "12"};
    // Most dates are all digits: they hold no name to look for.
    if (std::none_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
        return;
    for (std::size_t m = 0; m < names.size(); ++m)
        replaceAll(text, names[m], numbers[m]);
}

// "5-3-04" becomes "05/3/04": dashes turn into slashes and a one-digit day gets its zero.
void normaliseDashedDate(std::string& text)
{
    replaceAll(text, "-", "/");
    for (char k = '1'; k <= '9'; ++k) {
        if (text.size() >= 2 && text[0] == k && text[1] == '/')
            text.insert(text.begin(), '0');
    }
}

// The byte after `characters` UTF-8 characters from `byte`, or the end of the text: a byte
// above 0x7F read from a Windows-1252 file is two or three bytes here but one character.
std::size_t afterCharacters(const std::string& text, std::size_t byte, std::size_t characters)
{
    for (; characters > 0 && byte < text.size(); --characters)
        do
            ++byte;
        while (byte < text.size() && (static_cast<unsigned char>(text[byte]) & 0xC0) == 0x80);
    return byte;
}

// Characters first..first+count-1 (1-based), as far as the text reaches.
std::string part(const std::string& text, std::size_t first, std::size_t count)
{
    const std::size_t begin = afterCharacters(text, 0, first - 1);
    return text.substr(begin, afterCharacters(text, begin, count) - begin);
}

bool isPlainWholeNumber(std::string_view text)
{
    std::size_t at = text.find_first_not_of(' ');
    if (at == std::string_view::npos)
        return false;
    if (text[at] == '+' || text[at] == '-')
        ++at;
    if (at == text.size())
        return false;
    for (; at < text.size(); ++at)
        if (text[at] < '0' || text[at] > '9')
            return false;
    return true;
}

bool isDigits(std::string_view text, std::size_t length)
{
    return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::vector<std::string_view> splitFields(std::string_view line, std::string_view separator)
{
    std::vector<std::string_view> fields;
    splitFields(line, separator, fields);
    return fields;
}

void splitFields(std::string_view line, std::string_view separator, std::vector<std::string_view>& fields)
{
    fields.clear();
    if (separator.empty()) {
        fields.push_back(line);
        return;
    }
    const char sep = separator.front();
    std::size_t start = 0;
    for (std::size_t at = line.find(sep); at != std::string_view::npos; at = line.find(sep, start)) {
        fields.push_back(line.substr(start, at - start));
        start = at + 1;
    }
    fields.push_back(line.substr(start));
}

std::optional<std::string> fieldOf(const std::vector<std::string_view>& fields, int column)
{
    if (column <= 0)
        return std::nullopt;
    const auto index = static_cast<std::size_t>(column - 1);
    return index < fields.size() ? std::string(fields[index]) : std::string();
}

std::optional<std::string> Get_Chaine(int column, std::string_view line, std::string_view separator)
{
    return fieldOf(splitFields(line, separator), column);
}

std::optional<int> pivotYear(std::string_view part, const Clock& clock)
{
    if (!isPlainWholeNumber(part))
        return std::nullopt;
    const std::string digits(part.substr(part.find_first_not_of(' ')));
    int yy = 0;
    const char* begin = digits.data() + (digits.front() == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(begin, digits.data() + digits.size(), yy);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    const int thisCentury = 2000 + yy;
    return thisCentury <= clock.currentYear() ? thisCentury : 1900 + yy;
}

std::string Formatage_de_la_date(std::string text, std::optional<DateLayout> layout, const Clock& clock)
{
    replaceMonthNames(text);
    if (!layout)
        return std::string();
    if (*layout == DateLayout::DdMmYyyy)
        return text;
    if (*layout == DateLayout::DMYyDashed)
        normaliseDashedDate(text);

    const LayoutRule& rule = formOf(*layout).rule;
    const std::string day = part(text, rule.dayAt, 2);
    const std::string month = part(text, rule.monthAt, 2);
    const std::string year = part(text, rule.yearAt, rule.yearLength);
    if (rule.digitsOnly)
        return isDigits(day, 2) && isDigits(month, 2) && isDigits(year, 4) ? day + "/" + month + "/" + year
                                                                           : std::string();
    const bool monthFirst = rule.order == TestOrder::MonthDayYear;
    const std::string& firstTested = monthFirst ? month : day;
    const std::string& secondTested = monthFirst ? day : month;
    if (!Prix_Valide(firstTested) || !Prix_Valide(secondTested))
        return std::string();
    static const std::string failedYear = "00/00/0000";
    if (!Prix_Valide(year))
        return failedYear;
    std::string yearText = year;
    if (rule.yearForm == YearForm::Pivot) {
        // A part such as "5." reads as a number but names no year: the line fails, not the run.
        const auto full = pivotYear(year, clock);
        if (!full)
            return failedYear;
        yearText = std::to_string(*full);
    }
    return day + "/" + month + "/" + yearText;
}

std::string monthNamesAsNumbers(std::string text)
{
    replaceMonthNames(text);
    return text;
}

std::string To_Float(std::string text)
{
    for (char& c : text)
        if (c == ',')
            c = '.';
    return text;
}

}  // namespace kiruvan
