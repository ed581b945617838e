#pragma once

// What an import run did with each line, told the same way by the dialog and the batch tool.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/calendar_date.h"
#include "import/import_settings.h"

namespace kiruvan {

enum class SkipReason {
    HeaderOrBlank,  // an empty line, or one whose date field holds no digit
    BeforeFirstDate,
    DateUnreadable,
    NumberUnreadable,
    InconsistentPrices,  // low above open, close or high, or high below them
    UnknownSymbol,       // no symbol file for the line's symbol
    CodeRefused,         // a symbol code that cannot name a symbol file (symbolCodeProblem)
    NotText,             // control characters other than the tab
    WriteFailed,
    Count
};

inline constexpr std::size_t kShownUnknownSymbols = 5;

struct ImportSummary {
    int linesRead = 0;
    int newDays = 0;
    int replacedDays = 0;
    std::array<int, static_cast<std::size_t>(SkipReason::Count)> skipped{};
    std::vector<std::string> unknownSymbols;  // the first few, in file order
    int moreUnknownSymbols = 0;
    std::string firstCodeRefusal;  // why the first refused code was refused
    // A layout with four-digit years that reads the dates, when the run's two-digit layout
    // read them wrongly.
    std::optional<int> betterLayout;
    Date firstDate;  // the run's first date, named with the lines skipped for it

    void skip(SkipReason reason) { ++skipped[static_cast<std::size_t>(reason)]; }
    int skippedFor(SkipReason reason) const { return skipped[static_cast<std::size_t>(reason)]; }
    void noteUnknownSymbol(const std::string& code);
    int barsWritten() const { return newDays + replacedDays; }

    // A few lines for the user; reasons without lines are left out.
    std::string text(int chosenLayout) const;
};

// The layout that reads a sample of date fields with four-digit years, when the chosen layout
// has two-digit years and does not itself fit them; nullopt otherwise.
std::optional<int> fourDigitYearLayout(int chosenLayout, const std::vector<std::string>& dateFields,
                                       const Clock& clock);

}  // namespace kiruvan
