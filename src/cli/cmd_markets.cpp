#include <ostream>

#include "cli/advice.h"
#include "cli/cmd_database.h"
#include "database/market_manager.h"
#include "database/symbol_files.h"

namespace kiruvan::cli {
namespace {

int listMarkets(Context& context, Arguments& args)
{
    args.finish();
    for (const Market& market : readMarkets(context.folder))
        context.out << market.id << ';' << listingField(market.name) << '\n';
    return kSuccess;
}

int addMarket(Context& context, Arguments& args)
{
    const std::string name = args.requirePositional("market name");
    args.finish();
    Verification_existance_des_Fichiers(context.folder);  // as the program does at start-up
    AddMarketResult result;
    // Another program's save of Markets.cds since it was read: read it again and add anew.
    retryWhileChanged([&] {
        MarketManager manager(context.folder);
        result = manager.add(name);
        if (result.outcome == AddMarketOutcome::Added)
            manager.save();
    });
    if (result.outcome == AddMarketOutcome::Duplicate) {
        tell(context.err, addMarketMessage(result, name) + " Choose another name; " + toolCommand(context, "markets")
                              + " lists the markets.");
        return kFailed;
    }
    if (result.outcome != AddMarketOutcome::Added) {
        tell(context.err, addMarketMessage(result, name));
        return kFailed;
    }
    context.out << result.id << '\n';
    return kSuccess;
}

}  // namespace

Command marketsCommand()
{
    return {"markets", "markets", "Lists every market of Markets.cds as 'id;name', in name order.", listMarkets};
}

Command addMarketCommand()
{
    return {"add-market", "add-market NAME",
            "Adds a market named NAME (at most 30 characters) under a new number, saves Markets.cds\n"
            "and prints the number. An empty name, or one already used (A to Z compared without\n"
            "regard to case), is refused.",
            addMarket};
}

}  // namespace kiruvan::cli
