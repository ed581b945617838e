#include "import/import_summary.h"

#include <algorithm>

#include "base/ascii_text.h"
#include "import/format_detector.h"

namespace kiruvan {
namespace {

constexpr std::array<const char*, static_cast<std::size_t>(SkipReason::Count)> kReasonTexts = {
    "header or blank",      "before the first date", "date not readable",   "number not readable",
    "inconsistent prices",  "symbol without a file", "symbol code refused", "not text",
    "could not be written",
};

bool hasTwoDigitYear(int layout)
{
    static constexpr std::array<int, 5> twoDigit = {0, 2, 5, 6, 8};
    return std::find(twoDigit.begin(), twoDigit.end(), layout) != twoDigit.end();
}

std::string layoutName(int layout)
{
    return "\"" + std::string(kDateLayoutItems[static_cast<std::size_t>(layout)]) + "\"";
}

// 1250 as "1,250": the sentence is read by a person, not by a program.
std::string withThousands(int count)
{
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

// Lines skipped for the first date get a sentence of their own: a first date left later than
// a file's history is the usual reason for a run that writes little or nothing.
std::string firstDateSentence(int count, Date firstDate)
{
    return withThousands(count) + (count == 1 ? " line" : " lines") + " older than First Date " + firstDate.toText()
           + (count == 1 ? " was" : " were") + " skipped\n";
}

}  // namespace

void ImportSummary::noteUnknownSymbol(const std::string& code)
{
    if (std::find(unknownSymbols.begin(), unknownSymbols.end(), code) != unknownSymbols.end())
        return;
    if (unknownSymbols.size() < kShownUnknownSymbols)
        unknownSymbols.push_back(code);
    else
        ++moreUnknownSymbols;
}

std::string ImportSummary::text(int chosenLayout) const
{
    std::string text = "Lines read: " + std::to_string(linesRead) + "\nBars written: " + std::to_string(barsWritten())
                       + " (" + std::to_string(newDays) + " new days, " + std::to_string(replacedDays) + " replaced)\n";
    std::string skips;
    for (std::size_t r = 0; r < skipped.size(); ++r)
        if (skipped[r] > 0 && r != static_cast<std::size_t>(SkipReason::BeforeFirstDate))
            skips += (skips.empty() ? "" : ", ") + std::to_string(skipped[r]) + " " + kReasonTexts[r];
    if (!skips.empty())
        text += "Lines skipped: " + skips + "\n";
    if (const int older = skippedFor(SkipReason::BeforeFirstDate); older > 0)
        text += firstDateSentence(older, firstDate);
    if (!unknownSymbols.empty()) {
        std::string codes;
        for (const std::string& code : unknownSymbols)
            codes += (codes.empty() ? "" : ", ") + escapedControls(code);
        if (moreUnknownSymbols > 0)
            codes += " and " + std::to_string(moreUnknownSymbols) + " more";
        text += "Symbols without a file: " + codes + "\n";
    }
    if (!firstCodeRefusal.empty())
        text += "First symbol code refused: " + firstCodeRefusal + "\n";
    if (betterLayout)
        text += "The dates hold four-digit years, which the layout " + layoutName(chosenLayout)
                + " reads wrongly; the layout " + layoutName(*betterLayout) + " fits them.\n";
    return text;
}

std::optional<int> fourDigitYearLayout(int chosenLayout, const std::vector<std::string>& dateFields, const Clock& clock)
{
    if (!hasTwoDigitYear(chosenLayout) || dateFields.empty())
        return std::nullopt;
    // How many fields each layout reads on its own: a few bad dates must not hide the sign.
    std::array<std::size_t, kDateLayoutCount> reads{};
    for (const std::string& field : dateFields)
        for (int layout : layoutsReadingDates({field}, clock))
            ++reads[static_cast<std::size_t>(layout)];
    const std::size_t most = dateFields.size() / 2 + 1;
    if (reads[static_cast<std::size_t>(chosenLayout)] >= most)
        return std::nullopt;
    std::optional<int> best;
    for (int layout = 0; layout < kDateLayoutCount; ++layout) {
        const std::size_t count = reads[static_cast<std::size_t>(layout)];
        if (!hasTwoDigitYear(layout) && count >= most && (!best || count > reads[static_cast<std::size_t>(*best)]))
            best = layout;
    }
    return best;
}

}  // namespace kiruvan
