#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

namespace kiruvan::cli {

// What a refusal tells the user to do next: commands to paste, the names to choose from.

// A word as a shell reads it back: quoted when it holds anything but plain characters.
std::string shellWord(std::string_view word);

// "`kiruvan-cli add-market NYSE`", naming the data folder when the user named one, so that the
// command works on the same folder when pasted.
std::string toolCommand(const Context& context, std::string_view words);

// The known words nearest to a mistyped one, when they are near enough to be meant; several
// when they are equally near, in the order of `known`.
std::vector<std::string> nearestWords(std::string_view typed, const std::vector<std::string>& known);

// "A, B, C" or, beyond `most` names, "A, B, C and 9 more".
std::string namesList(const std::vector<std::string>& names, std::size_t most);

// "did you mean --date-format dd/mm/yyyy?" for a value near the known ones, else empty; without
// an option, the value alone. Letters are compared without regard to case, as values are matched.
std::string didYouMean(std::string_view option, std::string_view typed, const std::vector<std::string>& known);

// "AAPL has 1800 bars, a backtest needs 2250".
std::string tooFewBarsMessage(std::string_view code, int barCount);

// How a listed symbol without a file gets one and its bars.
std::string noFileAdvice(const Context& context, std::string_view code);

}  // namespace kiruvan::cli
