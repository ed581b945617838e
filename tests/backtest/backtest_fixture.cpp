#include "backtest_fixture.h"

#include "database/market_manager.h"
#include "database/master_table.h"
#include "database/symbol_files.h"
#include "database/table.h"
#include "sampledata/synthetic_bars.h"

namespace kiruvan::test {

BacktestFolder::BacktestFolder() = default;

void BacktestFolder::writeMarkets(const std::vector<Market>& markets) const
{
    Table table;
    defineMarketLayout(table);
    table.create();
    for (const Market& m : markets) {
        table.append();
        table.field("ID_Marche").setAsInteger(m.id);
        table.field("Nom_Marche").setAsString(m.name);
        table.post();
    }
    table.saveToFile(file("Markets.cds"));
}

void BacktestFolder::writeSymbols(const std::vector<SymbolSpec>& symbols) const
{
    Table table;
    defineMasterLayout(table);
    table.create();
    for (const SymbolSpec& s : symbols) {
        table.append();
        table.field("Code_Titre").setAsString(s.code);
        table.field("Nom_Titre").setAsString(s.name);
        table.field("Code_Marche").setAsInteger(s.market);
        table.post();
    }
    table.saveToFile(file("Master.cds"));
}

void BacktestFolder::writeBars(const std::string& code, int barCount, int seed) const
{
    appendToSymbolFile(folder(), code,
                       syntheticDailyBars({.seed = static_cast<std::uint64_t>(seed) + 1, .count = barCount}));
}

ResultRow sampleRow(std::int32_t market, const std::string& code, double salt)
{
    ResultRow row;
    row.Code_Market = market;
    row.Code_Stock = code;
    row.Nom_Market = "Market " + std::to_string(market);
    row.Nom_Stock = "Name of " + code;
    row.statistics.Date_Last_Trade = "02/03/2025";
    row.statistics.Sens_Last_trade = "Sell";
    row.statistics.cours_Last_trade = 12.34 + salt;
    row.Cours_backtest = 11.1 + salt;
    row.statistics.PV_Since_Last_trade = 1.0 / 3.0 + salt;
    row.Opt1 = 45;
    row.Opt2 = 31;
    row.First_Bar = 1800;
    row.Date_BackTest = "30/05/2025";
    row.statistics.Last_Top_Equity = 17;
    row.statistics.DateStr_Last_Top_Equity_Curve = "12/05/2025";
    row.statistics.Total_profit_pourcent = 42.5 + salt;
    row.statistics.NB_Trades = 23;
    row.statistics.Number_Winning_trades = 14;
    row.statistics.Number_Loosing_trades = 9;
    row.statistics.Percent_profitable = 14 * 100.0 / 23;
    row.statistics.Gross_Profit = 87.125 + salt;
    row.statistics.Gross_Loss = 30.0625;
    row.statistics.Profit_Factor = 999.99;
    row.statistics.Max_intraday_drawdown = 9.75;
    row.statistics.Updated_Max_intraday_drawdown = 0.1 + salt;
    row.statistics.date_UMDD = "01/01/1900";
    row.statistics.Updated_Account_size_required = 3.3;
    row.statistics.Updated_Return_On_Account = -7.5e-7;
    return row;
}

}  // namespace kiruvan::test
