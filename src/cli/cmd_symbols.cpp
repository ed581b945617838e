#include <ostream>
#include <stdexcept>

#include "base/ascii_text.h"
#include "cli/cmd_database.h"
#include "cli/market_argument.h"
#include "database/symbol_files.h"
#include "database/symbol_manager.h"

namespace kiruvan::cli {
namespace {

int listSymbolsCommand(Context& context, Arguments& args)
{
    const std::optional<std::string> marketName = args.takeOption("--market");
    args.finish();
    std::optional<std::int32_t> marketId;
    if (marketName)
        marketId = requireMarket(context, *marketName).id;
    for (const Symbol& symbol : listSymbols(context.folder, marketId))
        context.out << listingField(symbol.code) << ';' << listingField(symbol.name) << ';' << symbol.marketId << '\n';
    return kSuccess;
}

// A code listed twice in one market would be backtested and reported twice; in two markets it
// is one symbol file that both share, which may be meant.
bool noteSharedCode(Context& context, const std::string& code, std::int32_t marketId)
{
    for (const Symbol& listed : listSymbols(context.folder)) {
        if (!sameIgnoringAsciiCase(listed.code, code))
            continue;
        if (listed.marketId == marketId) {
            tell(context.err, "the market already lists the symbol " + quotedText(listed.code)
                                  + "; choose another code, or use that one as it stands");
            return false;
        }
        context.err << "kiruvan-cli: " << quotedText(code) << " is also listed in market " << listed.marketId
                    << "; both share one symbol file\n";
    }
    return true;
}

int addSymbol(Context& context, Arguments& args)
{
    const std::optional<std::string> marketName = args.takeOption("--market");
    if (!marketName)
        throw UsageError("add-symbol needs --market NAME");
    const std::string code = args.requirePositional("symbol code");
    const std::string name = args.takePositional().value_or(code);
    args.finish();
    if (auto refusal = symbolTextProblem(code, name)) {
        tell(context.err, refusal->message);
        return kFailed;
    }
    Verification_existance_des_Fichiers(context.folder);  // as the program does at start-up
    const std::int32_t marketId = requireMarket(context, *marketName).id;
    if (!noteSharedCode(context, code, marketId))
        return kFailed;
    ApplyOutcome outcome;
    // Another program's save of Master.cds since it was read: read it again and add anew.
    retryWhileChanged([&] {
        SymbolManager manager(context.folder);
        manager.add();
        manager.setCode(code);
        manager.setName(name);
        manager.setMarket(marketId);
        bool validationOK = true;
        outcome = manager.apply(validationOK);
    });
    if (!outcome.saved) {
        tell(context.err, outcome.problem.empty() ? "The symbol is incomplete." : outcome.problem);
        return kFailed;
    }
    return kSuccess;
}

}  // namespace

Command symbolsCommand()
{
    return {"symbols", "symbols [--market NAME]",
            "Lists the symbols as 'code;name;market id', by market number and then name.\n"
            "--market NAME  only the symbols of that market.",
            listSymbolsCommand};
}

Command addSymbolCommand()
{
    return {"add-symbol", "add-symbol --market NAME CODE [SYMBOL_NAME]",
            "Adds the symbol CODE to the market NAME, saves Master.cds and creates the empty\n"
            "symbol file CODE.cds when it is missing. The symbol's name defaults to its code.\n"
            "Codes that name the program's own tables (markets, master, optimization, in any\n"
            "case) or that are no plain file name (blank, * or ?, a path separator, a control\n"
            "character, not UTF-8) are refused; code and name hold at most 30 characters.",
            addSymbol};
}

}  // namespace kiruvan::cli
