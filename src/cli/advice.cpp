#include "cli/advice.h"

#include <algorithm>
#include <cctype>

#include "backtest/backtest_run.h"
#include "base/ascii_text.h"

namespace kiruvan::cli {
namespace {

// Farther than this, a typed word is no longer taken for a slip of a known one.
constexpr std::size_t kNearEnough = 2;

std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string shellWord(std::string_view word)
{
    const bool plain = std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c))
               || std::string_view(",._-/+").find(c) != std::string_view::npos;
    });
    if (plain && !word.empty())
        return std::string(word);
    // Inside single quotes only a quote needs care: close, an escaped quote, reopen.
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string toolCommand(const Context& context, std::string_view words)
{
    std::string command = "`kiruvan-cli ";
    if (context.folderGiven)
        command += "--data " + shellWord(context.folder.root().string()) + " ";
    return command + std::string(words) + "`";
}

std::vector<std::string> nearestWords(std::string_view typed, const std::vector<std::string>& known)
{
    std::vector<std::string> nearest;
    std::size_t best = kNearEnough + 1;
    for (const std::string& word : known) {
        const std::size_t distance = editDistance(typed, word);
        if (distance < best) {
            best = distance;
            nearest.clear();
        }
        if (distance == best)
            nearest.push_back(word);
    }
    return nearest;
}

std::string namesList(const std::vector<std::string>& names, std::size_t most)
{
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < most; ++i)
        list += (i == 0 ? "" : ", ") + names[i];
    if (names.size() > most)
        list += " and " + std::to_string(names.size() - most) + " more";
    return list;
}

std::string didYouMean(std::string_view option, std::string_view typed, const std::vector<std::string>& known)
{
    // Every word is near a word of one or two characters.
    if (typed.size() <= kNearEnough)
        return {};
    std::vector<std::string> low;
    for (const std::string& word : known)
        low.push_back(asciiLower(word));
    std::vector<std::string> nearest = nearestWords(asciiLower(typed), low);
    // A slip that keeps the length (dd.mm.yyyy) is likelier meant than a word one longer or shorter.
    const auto sameLength = [&](const std::string& word) { return word.size() == typed.size(); };
    if (std::any_of(nearest.begin(), nearest.end(), sameLength))
        std::erase_if(nearest, [&](const std::string& word) { return !sameLength(word); });
    std::string guesses;
    for (const std::string& guess : nearest) {
        const auto at = std::find(low.begin(), low.end(), guess) - low.begin();
        const std::string value = shellWord(known[static_cast<std::size_t>(at)]);
        guesses += (guesses.empty() ? "" : " or ") + (option.empty() ? value : std::string(option) + " " + value);
    }
    return guesses.empty() ? "" : "did you mean " + guesses + "?";
}

std::string tooFewBarsMessage(std::string_view code, int barCount)
{
    return std::string(code) + " has " + std::to_string(barCount) + " bars, a backtest needs "
           + std::to_string(kMinimumBacktestBars);
}

std::string noFileAdvice(const Context& context, std::string_view code)
{
    // An import writes only into existing symbol files, so the file is made first.
    return "create it with " + toolCommand(context, "check --repair " + shellWord(code))
           + ", then import its bars with " + toolCommand(context, "import FILE");
}

}  // namespace kiruvan::cli
