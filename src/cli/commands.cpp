#include "cli/cli.h"
#include "cli/cmd_database.h"

namespace kiruvan::cli {

Command backtestCommand();
Command reportCommand();
Command importCommand();
Command demoCommand();
Command tradesCommand();
Command evaluateCommand();
#ifdef KIRUVAN_CHART_COMMAND
Command chartCommand();
#endif

namespace {

Command writing(Command command)
{
    command.writesData = true;
    return command;
}

}  // namespace

// Each command lives in a file of its own (cmd_*.cpp) and is listed here.
const std::vector<Command>& commands()
{
    static const std::vector<Command> list = {
        marketsCommand(),
        writing(addMarketCommand()),
        symbolsCommand(),
        writing(addSymbolCommand()),
        exportCommand(),
        checkCommand(),
        writing(backtestCommand()),
        reportCommand(),
        tradesCommand(),
        evaluateCommand(),
        writing(importCommand()),
        writing(demoCommand()),
#ifdef KIRUVAN_CHART_COMMAND
        chartCommand(),
#endif
    };
    return list;
}

}  // namespace kiruvan::cli
