#include "import/format_detector.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/text_values.h"
#include "import/conversions.h"
#include "import/quote_columns.h"

namespace kiruvan {
namespace {

using namespace quote_columns;

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
