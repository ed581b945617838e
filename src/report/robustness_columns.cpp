#include "report/robustness_columns.h"

#include "base/text_values.h"

namespace kiruvan {
namespace {

std::string percent(double value)
{
    return Format_Prix(value) + " %";
}

// dd/mm/yyyy as yyyymmdd, so that dates sort in time.
double dateKey(const std::string& date)
{
    if (date.size() != 10)
        return 0;
    return std::stod(date.substr(6, 4)) * 10000 + std::stod(date.substr(3, 2)) * 100 + std::stod(date.substr(0, 2));
}

std::string pair(const RobustnessRow& row)
{
    return std::to_string(row.Holdout_Opt1) + "/" + std::to_string(row.Holdout_Opt2);
}

}  // namespace

bool withoutTrades(const RobustnessRow& row)
{
    return row.PBO == 100 && row.Holdout_Rank == 50 && row.Holdout_Return == 0;
}

const std::array<RobustnessColumn, 8>& robustnessColumns()
{
    using R = RobustnessRow;
    static const std::array<RobustnessColumn, 8> columns = {{
        {"Code", [](const R& r) { return r.Code_Stock; }, nullptr},
        {"Backtest", [](const R& r) { return r.Date_BackTest; }, [](const R& r) { return dateKey(r.Date_BackTest); }},
        {"Hold-out from", [](const R& r) { return r.Holdout_Date; },
         [](const R& r) { return dateKey(r.Holdout_Date); }},
        {"Hold-out pair", pair, [](const R& r) { return r.Holdout_Opt1 * 1000.0 + r.Holdout_Opt2; }},
        {"Hold-out return %", [](const R& r) { return percent(r.Holdout_Return); },
         [](const R& r) { return r.Holdout_Return; }},
        {"Buy and hold %", [](const R& r) { return percent(r.Holdout_Buy_Hold); },
         [](const R& r) { return r.Holdout_Buy_Hold; }},
        {"Rank %", [](const R& r) { return Format_Prix(r.Holdout_Rank); }, [](const R& r) { return r.Holdout_Rank; }},
        {"Overfitting %", [](const R& r) { return withoutTrades(r) ? std::string("no trades") : percent(r.PBO); },
         [](const R& r) { return r.PBO; }},
    }};
    return columns;
}

}  // namespace kiruvan
