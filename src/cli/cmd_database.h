#pragma once

#include "cli/cli.h"

namespace kiruvan::cli {

// Markets, symbols and a symbol's bars, with the rules of the market and symbol managers.
Command marketsCommand();
Command addMarketCommand();
Command symbolsCommand();
Command addSymbolCommand();
Command exportCommand();
Command checkCommand();

}  // namespace kiruvan::cli
