#include "cli/cli.h"

#include <algorithm>
#include <exception>
#include <ostream>

namespace kiruvan::cli {

std::optional<std::string> Arguments::takeOption(std::string_view name)
{
    for (auto it = args_.begin(); it != args_.end(); ++it) {
        if (*it == name) {
            if (std::next(it) == args_.end())
                throw UsageError("option " + std::string(name) + " needs a value");
            std::string value = *std::next(it);
            args_.erase(it, std::next(it, 2));
            return value;
        }
        const std::string prefix = std::string(name) + "=";
        if (it->starts_with(prefix)) {
            std::string value = it->substr(prefix.size());
            args_.erase(it);
            return value;
        }
    }
    return std::nullopt;
}

bool Arguments::takeFlag(std::string_view name)
{
    const auto it = std::find(args_.begin(), args_.end(), name);
    if (it == args_.end())
        return false;
    args_.erase(it);
    return true;
}

std::optional<std::string> Arguments::takePositional()
{
    for (auto it = args_.begin(); it != args_.end(); ++it) {
        if (it->size() > 2 && it->starts_with("--"))
            continue;
        std::string value = *it;
        args_.erase(it);
        return value;
    }
    return std::nullopt;
}

std::string Arguments::requirePositional(std::string_view what)
{
    if (auto value = takePositional())
        return *value;
    throw UsageError("missing " + std::string(what));
}

void Arguments::finish() const
{
    if (!args_.empty())
        throw UsageError("unexpected argument '" + args_.front() + "'");
}

namespace {

void printHelp(std::ostream& out)
{
    out << "Usage: kiruvan-cli [--data DIR] COMMAND [ARGS]\n\n"
           "Works on the data folder of Kiruvan (by default the folder of this program).\n"
           "Results go to standard output, messages to standard error.\n"
           "Exit status: 0 success, 1 the command failed, 2 a usage error.\n\n"
           "Commands:\n";
    for (const Command& c : commands())
        out << "  " << c.synopsis << "\n";
    out << "\n'kiruvan-cli COMMAND --help' describes a command.\n";
}

const Command* findCommand(std::string_view name)
{
    for (const Command& c : commands())
        if (c.name == name)
            return &c;
    return nullptr;
}

}  // namespace

int runCommandLine(const std::vector<std::string>& argv, const std::string& defaultDataFolder, const Clock& clock,
                   std::ostream& out, std::ostream& err)
{
    Arguments global(argv);
    try {
        std::string folder = global.takeOption("--data").value_or(defaultDataFolder);
        const std::vector<std::string>& rest = global.remaining();
        // Everything from the command name on belongs to the command.
        auto name = std::find_if(rest.begin(), rest.end(), [](const std::string& a) { return !a.starts_with("--"); });
        const bool wantsHelp = std::find(rest.begin(), name, "--help") != name;
        if (wantsHelp || name == rest.end()) {
            printHelp(wantsHelp ? out : err);
            return wantsHelp ? kSuccess : kUsage;
        }
        const Command* command = findCommand(*name);
        if (!command) {
            err << "kiruvan-cli: unknown command '" << *name << "'\n";
            return kUsage;
        }
        Arguments args({std::next(name), rest.end()});
        if (args.takeFlag("--help")) {
            out << "Usage: kiruvan-cli [--data DIR] " << command->synopsis << "\n\n" << command->help << "\n";
            return kSuccess;
        }
        Context context{DataFolder(folder), clock, out, err};
        return command->run(context, args);
    } catch (const UsageError& e) {
        err << "kiruvan-cli: " << e.what() << "\n";
        return kUsage;
    } catch (const std::exception& e) {
        err << "kiruvan-cli: " << e.what() << "\n";
        return kFailed;
    }
}

}  // namespace kiruvan::cli
