#pragma once

// Guesses the settings of a quote file from its first lines, so that a downloaded history can
// be imported without knowing its layout: the field separator, the decimal separator, the date
// layout and the kind of each column.

#include <string>
#include <string_view>
#include <vector>

#include "base/calendar_date.h"
#include "import/import_settings.h"

namespace kiruvan {

// How many lines of a file the guess looks at.
inline constexpr std::size_t kDetectorSampleLines = 200;

struct FormatGuess {
    // Separator, decimal comma, date layout and columns; the first date is left at its default.
    ImportSettings settings;
    bool hasHeader = false;
    bool hasSymbolColumn = false;
    // Every layout that reads each sampled date as a real day no later than today, in list order.
    std::vector<int> fittingLayouts;
    // Two fitting layouts read different days (dd/mm and mm/dd with every day up to 12).
    bool layoutAmbiguous = false;
    // Why no import can be made of the guess; empty when one can.
    std::string problem;

    bool sure() const { return problem.empty() && !layoutAmbiguous; }
    // Why the guess cannot be trusted, for the user; empty when it can.
    std::string doubt() const;
};

FormatGuess detectFormat(const std::vector<std::string>& lines, const Clock& clock);

// The layouts, in list order, whose written form every date field has and that read each as
// a real day from 1900 to today.
std::vector<int> layoutsReadingDates(const std::vector<std::string>& dateFields, const Clock& clock);

}  // namespace kiruvan
