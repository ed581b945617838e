#include "cli/cli.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <ostream>

#include "base/ascii_text.h"
#include "base/version.h"
#include "cli/advice.h"
#include "database/symbol_files.h"
#include "database/table.h"

namespace kiruvan::cli {

std::optional<std::string> Arguments::takeOption(std::string_view name)
{
    asked_.emplace_back(name);
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
    asked_.emplace_back(name);
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

std::string listingField(std::string_view text)
{
    std::string separated;
    separated.reserve(text.size());
    for (char c : text) {
        if (c == '\\' || c == ';')
            separated += '\\';
        separated += c;
    }
    return escapedControls(separated);
}

std::string Arguments::requirePositional(std::string_view what)
{
    if (auto value = takePositional())
        return *value;
    throw UsageError("missing " + std::string(what));
}

namespace {

// The known option nearest to a mistyped one, when it is near enough to be meant.
std::optional<std::string> nearestOption(std::string_view typed, const std::vector<std::string>& known)
{
    const std::vector<std::string> nearest = nearestWords(typed.substr(0, typed.find('=')), known);
    return nearest.empty() ? std::nullopt : std::optional(nearest.front());
}

// "unknown option '--datta'; did you mean '--data'?", or the names to choose from.
UsageError unknownName(std::string_view kind, std::string_view typed, const std::vector<std::string>& known)
{
    const std::string refusal = "unknown " + std::string(kind) + " " + quotedText(typed);
    if (const auto nearest = nearestOption(typed, known))
        return UsageError(refusal + "; did you mean '" + *nearest + "'?");
    std::vector<std::string> names;
    for (const std::string& name : known)
        if (name != "-h" && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    return UsageError(refusal + "; the " + std::string(kind) + "s are: " + namesList(names, names.size()));
}

}  // namespace

void Arguments::finish() const
{
    if (args_.empty())
        return;
    const std::string& first = args_.front();
    if (!first.starts_with("--"))
        throw UsageError("unexpected argument " + quotedText(first));
    throw unknownName("option", first, asked_);
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

void tell(std::ostream& err, std::string_view message)
{
    // Every line is escaped as well: a message may quote input that its author did not escape.
    while (!message.empty()) {
        const std::size_t end = message.find('\n');
        err << "kiruvan-cli: " << escapedControls(message.substr(0, end)) << '\n';
        message = end == std::string_view::npos ? std::string_view() : message.substr(end + 1);
    }
}

namespace {

bool isHelp(std::string_view arg)
{
    return arg == "--help" || arg == "-h";
}

std::string tryHelp(const Command* command)
{
    return command ? "Try 'kiruvan-cli " + std::string(command->name) + " --help'." : "Try 'kiruvan-cli --help'.";
}

// A command that only reads needs the folder; one that writes makes it, with the two tables
// the program creates at start-up. Returns whether it made the folder.
bool prepareDataFolder(const Command& command, const Context& context)
{
    const DataFolder& folder = context.folder;
    if (std::filesystem::is_directory(folder.root())) {
        if (command.writesData)
            Verification_existance_des_Fichiers(folder);
        return false;
    }
    if (!command.writesData)
        throw std::runtime_error("the data folder " + folder.root().string()
                                 + " does not exist; name the right one with --data DIR, or make this one with "
                                 + toolCommand(context, "add-market NAME"));
    std::filesystem::create_directories(folder.root());
    Verification_existance_des_Fichiers(folder);
    return true;
}

// A failed command leaves no data folder behind that it made itself (a mistyped market name
// must not leave a stray folder), unless something else has been written into it meanwhile.
void removeMadeFolder(const DataFolder& folder)
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder.root(), ec)) {
        const std::string name = entry.path().filename().string();
        if (name != kMasterFile && name != kMarketsFile)
            return;
    }
    std::filesystem::remove_all(folder.root(), ec);
}

// A table the store refuses: the check command names what is wrong with it; a save that met
// another program's only needs the command again.
int runWithAdvice(const Command& command, Context& context, Arguments& args)
{
    try {
        return command.run(context, args);
    } catch (const FileChangedError& e) {
        throw std::runtime_error(std::string(e.what()) + "\nrun the command again: it reads the file anew");
    } catch (const TableError& e) {
        throw std::runtime_error(std::string(e.what()) + "\n" + toolCommand(context, "check")
                                 + " lists what is wrong with the data folder's tables");
    }
}

int runCommand(const Command& command, Arguments& args, const std::string& folder, bool folderGiven, const Clock& clock,
               std::ostream& out, std::ostream& err)
{
    if (args.takeFlag("--help") || args.takeFlag("-h")) {
        out << "Usage: kiruvan-cli [--data DIR] " << command.synopsis << "\n\n" << command.help << "\n";
        return kSuccess;
    }
    Context context{DataFolder(folder), clock, out, err, folderGiven};
    const bool madeFolder = prepareDataFolder(command, context);
    int status = kFailed;
    try {
        status = runWithAdvice(command, context, args);
    } catch (...) {
        if (madeFolder)
            removeMadeFolder(context.folder);
        throw;
    }
    if (madeFolder && (status != kSuccess || context.wroteNothing))
        removeMadeFolder(context.folder);
    else if (madeFolder)
        tell(err, "created the data folder " + context.folder.root().string());
    return status;
}

// The options the tool itself takes before the command name; any other is a mistake, never
// silently dropped (a misspelt --data would run on another folder).
void refuseUnknownGlobalOptions(const std::vector<std::string>& beforeCommand)
{
    static const std::vector<std::string> known = {"--data", "--version", "--help", "-h"};
    for (const std::string& option : beforeCommand) {
        if (std::find(known.begin(), known.end(), option) != known.end())
            continue;
        throw unknownName("option", option, known);
    }
}

std::vector<std::string> commandNames()
{
    std::vector<std::string> names;
    for (const Command& c : commands())
        names.emplace_back(c.name);
    return names;
}

}  // namespace

int runCommandLine(const std::vector<std::string>& argv, const std::string& defaultDataFolder, const Clock& clock,
                   std::ostream& out, std::ostream& err, std::string_view defaultReason)
{
    Arguments global(argv);
    const Command* command = nullptr;
    try {
        const std::optional<std::string> given = global.takeOption("--data");
        std::string folder = given.value_or(defaultDataFolder);
        const std::vector<std::string>& rest = global.remaining();
        // Everything from the command name on belongs to the command.
        auto name = std::find_if(rest.begin(), rest.end(), [](const std::string& a) { return !a.starts_with("-"); });
        if (std::find(rest.begin(), name, "--version") != name) {
            out << "kiruvan-cli " << kVersion << "\n";
            if (given || !defaultReason.empty())
                out << "data folder: " << folder << " ("
                    << (given ? std::string_view("given with --data") : defaultReason) << ")\n";
            return kSuccess;
        }
        refuseUnknownGlobalOptions({rest.begin(), name});
        const bool wantsHelp = std::find_if(rest.begin(), name, isHelp) != name;
        if (wantsHelp || name == rest.end()) {
            printHelp(wantsHelp ? out : err);
            return wantsHelp ? kSuccess : kUsage;
        }
        command = findCommand(*name);
        if (!command)
            throw unknownName("command", *name, commandNames());
        Arguments args({std::next(name), rest.end()});
        return runCommand(*command, args, folder, given.has_value(), clock, out, err);
    } catch (const UsageError& e) {
        tell(err, e.what());
        err << tryHelp(command) << "\n";
        return kUsage;
    } catch (const std::exception& e) {
        tell(err, e.what());
        return kFailed;
    }
}

}  // namespace kiruvan::cli
