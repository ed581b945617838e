#pragma once

#include <functional>
#include <iosfwd>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/calendar_date.h"
#include "base/text_values.h"
#include "database/data_folder.h"

namespace kiruvan::cli {

enum ExitStatus { kSuccess = 0, kFailed = 1, kUsage = 2 };

// A command line that does not fit the command's form (exit status 2).
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a command works with: the data folder, the clock, and where results and messages go.
struct Context {
    DataFolder folder;
    const Clock& clock;
    std::ostream& out;
    std::ostream& err;
    bool folderGiven = false;  // named with --data, so that printed command lines name it too
    // Set by a writing command that turned out to write nothing: a data folder made for it goes.
    bool wroteNothing = false;
};

// The arguments after the command name. Options are taken out by name; what is left are
// the positional arguments. finish() refuses anything not taken.
class Arguments {
public:
    explicit Arguments(std::vector<std::string> args) : args_(std::move(args)) {}

    std::optional<std::string> takeOption(std::string_view name);  // "--name VALUE" or "--name=VALUE"
    bool takeFlag(std::string_view name);
    std::optional<std::string> takePositional();
    std::string requirePositional(std::string_view what);
    void finish() const;
    const std::vector<std::string>& remaining() const { return args_; }

    // "--name N" with N a number within [low, high]; nullopt when the option is absent.
    template <class T>
    std::optional<T> takeNumber(std::string_view name, T low, T high = std::numeric_limits<T>::max())
    {
        const std::optional<std::string> text = takeOption(name);
        if (!text)
            return std::nullopt;
        const std::optional<T> value = exactNumber<T>(*text);
        if (!value || !(*value >= low && *value <= high))
            throw UsageError(std::string(name) + " needs " + rangeText(low, high) + ", not '" + *text + "'");
        return value;
    }

private:
    std::vector<std::string> args_;
    std::vector<std::string> asked_;  // the option names the command looked for, for suggestions

    template <class T>
    static std::string rangeText(T low, T high)
    {
        const std::string kind = std::numeric_limits<T>::is_integer ? "a whole number" : "a number";
        if (low == std::numeric_limits<T>::lowest() && high == std::numeric_limits<T>::max())
            return kind;
        if (high == std::numeric_limits<T>::max())
            return kind + " of at least " + numberText(low);
        return kind + " from " + numberText(low) + " to " + numberText(high);
    }
    template <class T>
    static std::string numberText(T value)
    {
        if constexpr (std::numeric_limits<T>::is_integer)
            return std::to_string(value);
        else
            return formatGeneral(value);
    }
};

struct Command {
    std::string_view name;
    std::string_view synopsis;  // "backtest --market NAME"
    std::string help;           // what it does, its options, what it prints
    std::function<int(Context&, Arguments&)> run;
    // A command that writes creates a missing data folder; one that only reads refuses it.
    bool writesData = false;
};

// Writes a message for the user, each of its lines behind "kiruvan-cli: ".
void tell(std::ostream& err, std::string_view message);

// A stored text as a field of a ';' listing: "\\", "\\;" and "\\xHH" for a backslash, a separator
// and a control character, so that no stored text can end a line or forge a field.
std::string listingField(std::string_view text);

// Every command of the batch tool, in the order --help lists them.
const std::vector<Command>& commands();

// Runs one command line (without the program name). Returns the exit status.
// --version also says which data folder a command would use and why (defaultReason).
int runCommandLine(const std::vector<std::string>& args, const std::string& defaultDataFolder, const Clock& clock,
                   std::ostream& out, std::ostream& err, std::string_view defaultReason = {});

}  // namespace kiruvan::cli
