#include "import/format_detector.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <regex>

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "database/data_folder.h"
#include "import/conversions.h"

namespace kiruvan {
namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr std::size_t kMinimumFields = 5;  // a date and four prices at least
constexpr std::array<char, 4> kSeparatorCandidates = {';', '\t', ',', '.'};
// Years before this are a layout read wrongly ("20040305" as day 20, month 04, year 0305).
constexpr int kEarliestQuoteYear = 1900;

bool isBlank(const std::string& line)
{
    return trimmed(line).empty();
}

std::string trimmedField(std::string_view field)
{
    return std::string(trimmed(field));
}

// "<TICKER>", "Adj Close" and "open_int" become "ticker", "adjclose" and "openint".
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

// The separator that cuts every data line into the same number of fields, at least five.
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

// Numbers written with a comma and none with a point mean a decimal comma.
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

struct DateColumn {
    std::vector<int> layouts;  // the layouts that fit
    bool ambiguous = false;    // two of them read different days
};

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

class Detector {
public:
    Detector(const std::vector<std::string>& lines, const Clock& clock) : clock_(clock)
    {
        for (const std::string& line : lines) {
            if (!isBlank(line))
                sample_.push_back(line);
            if (sample_.size() == kDetectorSampleLines)
                break;
        }
    }

    FormatGuess run()
    {
        if (sample_.empty())
            return noted("the file holds no quote lines");
        const auto separator = chooseSeparator(sample_.size() > 1 ? dropFirst(sample_) : sample_);
        if (!separator)
            return noted("no field separator (';', tab, ',' or '.') cuts every line into the same "
                         "number of fields, five or more");
        guess_.hasHeader = looksLikeHeader(sample_.front(), *separator);
        const auto data = guess_.hasHeader ? dropFirst(sample_) : sample_;
        if (data.empty() || !chooseSeparator(data))
            return noted("the file holds no quote lines");
        guess_.settings.fieldSeparator = separatorIndex(*separator);
        rows_ = cutRows(data, *separator);
        guess_.settings.decimalComma = usesDecimalComma(rows_, *separator);
        guess_.settings.decimalSeparator = guess_.settings.decimalComma ? 1 : 0;
        kinds_.assign(rows_.front().size(), kNone);
        const bool dated =
            guess_.hasHeader ? kindsFromHeader(cutRows({sample_.front()}, *separator).front()) : kindsFromValues();
        if (dated)
            settle();
        return guess_;
    }

private:
    static std::vector<std::string> dropFirst(const std::vector<std::string>& lines)
    {
        return {lines.begin() + 1, lines.end()};
    }

    // Keeps the first reason: it is the one the user can act on.
    FormatGuess noted(std::string why)
    {
        if (guess_.problem.empty())
            guess_.problem = std::move(why);
        return guess_;
    }

    static int separatorIndex(char separator)
    {
        return separator == '\t' ? 3 : static_cast<int>(std::string_view(";.,").find(separator));
    }

    std::vector<std::string> values(std::size_t column) const { return columnOf(rows_, column); }

    bool kindsFromHeader(const std::vector<std::string>& titles)
    {
        for (std::size_t c = 0; c < titles.size() && c < kinds_.size(); ++c) {
            const auto kind = kindOfHeaderWord(headerWord(titles[c]));
            if (kind && std::find(kinds_.begin(), kinds_.end(), *kind) == kinds_.end())
                kinds_[c] = *kind;
        }
        const auto date = positionOf(kDate);
        if (date == kinds_.size()) {
            noted("the header names no date column");
            return false;
        }
        return chooseLayout(date);
    }

    bool kindsFromValues()
    {
        std::size_t date = 0;
        while (date < kinds_.size() && dateColumn(values(date), clock_).layouts.empty())
            ++date;
        if (date == kinds_.size()) {
            noted("no column holds dates in a known layout");
            return false;
        }
        kinds_[date] = kDate;
        chooseLayout(date);
        if (!findPrices()) {
            noted("no four columns hold prices with low <= open, close <= high");
            return false;
        }
        findVolume();
        findSymbol();
        return true;
    }

    bool chooseLayout(std::size_t column)
    {
        const DateColumn dates = dateColumn(values(column), clock_);
        guess_.fittingLayouts = dates.layouts;
        if (dates.layouts.empty()) {
            noted("the dates of column " + std::to_string(column + 1) + " fit no known layout");
            return false;
        }
        guess_.settings.dateFormat = dates.layouts.front();
        guess_.layoutAmbiguous = dates.ambiguous;
        return true;
    }

    std::size_t positionOf(ColumnKind kind) const
    {
        return static_cast<std::size_t>(std::find(kinds_.begin(), kinds_.end(), kind) - kinds_.begin());
    }

    bool consistentPrices(std::size_t open, std::size_t high, std::size_t low, std::size_t close) const
    {
        const bool comma = guess_.settings.decimalComma;
        auto number = [&](const std::vector<std::string>& row, std::size_t c) {
            return parseFloat(comma ? To_Float(row[c]) : row[c]).value_or(-1.0);
        };
        return std::all_of(rows_.begin(), rows_.end(), [&](const std::vector<std::string>& row) {
            const double o = number(row, open), h = number(row, high), l = number(row, low), c = number(row, close);
            return l >= 0 && l <= o && l <= c && o <= h && c <= h;
        });
    }

    // Four neighbouring number columns; the usual orders first, open before close otherwise.
    bool findPrices()
    {
        static constexpr std::array<std::array<std::size_t, 4>, 4> orders = {{
            {0, 1, 2, 3},  // open, high, low, close
            {0, 2, 1, 3},  // open, low, high, close
            {1, 2, 3, 0},  // high, low, close, open
            {2, 1, 3, 0},  // low, high, close, open
        }};
        for (const auto& order : orders)
            for (std::size_t first = 0; first + 4 <= kinds_.size(); ++first) {
                if (!priceRun(first))
                    continue;
                if (consistentPrices(first + order[0], first + order[1], first + order[2], first + order[3])) {
                    kinds_[first + order[0]] = kOpen;
                    kinds_[first + order[1]] = kHigh;
                    kinds_[first + order[2]] = kLow;
                    kinds_[first + order[3]] = kClose;
                    return true;
                }
            }
        return false;
    }

    bool priceRun(std::size_t first) const
    {
        for (std::size_t c = first; c < first + 4; ++c)
            if (kinds_[c] != kNone || !isNumberColumn(values(c), guess_.settings.decimalComma))
                return false;
        return true;
    }

    void findVolume()
    {
        const std::size_t c =
            std::max({positionOf(kOpen), positionOf(kHigh), positionOf(kLow), positionOf(kClose)}) + 1;
        if (c < kinds_.size() && isWholeNumberColumn(values(c)))
            kinds_[c] = kVolume;
    }

    void findSymbol()
    {
        for (std::size_t c = 0; c < kinds_.size(); ++c)
            if (kinds_[c] == kNone && !isNumberColumn(values(c), false) && isCodeColumn(values(c))) {
                kinds_[c] = kSymbol;
                return;
            }
    }

    // Unused columns before a used one take a kind that is accepted and not read.
    void settle()
    {
        for (ColumnKind needed : {kOpen, kHigh, kLow, kClose, kVolume})
            if (positionOf(needed) == kinds_.size())
                return void(noted("no column holds the " + std::string(kColumnKindItems[needed]) + " values"));
        const auto lastUsed = std::find_if(kinds_.rbegin(), kinds_.rend(), [](int k) { return k != kNone; });
        kinds_.resize(static_cast<std::size_t>(kinds_.rend() - lastUsed));
        if (kinds_.size() > static_cast<std::size_t>(kImportColumns))
            return void(noted("a needed column lies beyond column " + std::to_string(kImportColumns)));
        for (int& kind : kinds_)
            if (kind == kNone && !fillUnused(kind))
                return void(noted("too many unused columns stand before the used ones"));
        std::copy(kinds_.begin(), kinds_.end(), guess_.settings.columns.begin());
        guess_.hasSymbolColumn = positionOf(kSymbol) != kinds_.size();
        const ColumnCheck check = Verification_CBX(guess_.settings);
        if (!check.passed())
            noted(check.message);
    }

    bool fillUnused(int& kind) const
    {
        for (ColumnKind filler : {kName, kTime, kOpenInterest})
            if (std::find(kinds_.begin(), kinds_.end(), filler) == kinds_.end()) {
                kind = filler;
                return true;
            }
        return false;
    }

    const Clock& clock_;
    std::vector<std::string> sample_;
    Rows rows_;
    std::vector<int> kinds_;
    FormatGuess guess_;
};

}  // namespace

std::vector<int> layoutsReadingDates(const std::vector<std::string>& dateFields, const Clock& clock)
{
    std::vector<std::string> trimmedFields;
    for (const std::string& field : dateFields)
        trimmedFields.push_back(trimmedField(field));
    return dateColumn(trimmedFields, clock).layouts;
}

std::string FormatGuess::doubt() const
{
    if (!problem.empty() || !layoutAmbiguous)
        return problem;
    std::string list;
    for (int layout : fittingLayouts)
        list += (list.empty() ? "" : ", ") + std::string(kDateLayoutItems[static_cast<std::size_t>(layout)]);
    return "the dates fit more than one layout (" + list + ")";
}

FormatGuess detectFormat(const std::vector<std::string>& lines, const Clock& clock)
{
    return Detector(lines, clock).run();
}

}  // namespace kiruvan
