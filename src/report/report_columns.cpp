#include "report/report_columns.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "backtest/results_csv.h"
#include "base/ascii_text.h"
#include "base/text_values.h"

namespace kiruvan {

const std::array<ReportColumn, kReportColumnCount>& reportColumns()
{
    using enum ReportFormat;
    static const std::array<ReportColumn, kReportColumnCount> columns = {{
        {"Nom_Stock", "Name", "Name", true, true, 129, 129, Plain},
        {"Date_Last_Trade", "Entry", "Entry", false, true, 0, 64, Plain},
        {"cours_Last_trade", "Entry Price", "Entry Price", false, true, 0, 0, TwoDecimals},
        {"Date_BackTest", "Backtest", "Backtest", false, true, 0, 0, Plain},
        {"Cours_backtest", "Backtest Price", "Backtest Price", false, true, 0, 82, TwoDecimals},
        {"Sens_Last_trade", "Feel", "Type", false, true, 0, 64, Plain},
        {"PV_Since_Last_trade", "% Profit", "% Profit", false, true, 0, 0, Percent},
        {"Total_profit_pourcent", "Total  Profit", "Total  Profit", true, false, 0, 0, Percent},
        {"Nom_Market", "Market", "Market", false, true, 0, 0, Plain},
        {"NB_Trades", "Nb Trades", "Nb Trades", true, false, 0, 0, Plain},
        {"Number_Winning_trades", "Win. Trades", "Win. Trades", true, false, 0, 0, Plain},
        {"Number_Loosing_trades", "Loos.Trades", "Loos.Trades", true, false, 0, 0, Plain},
        {"Percent_profitable", "% Profitable", "% Profitable", true, false, 0, 0, Percent},
        {"Gross_Profit", "Gross Profit", "Gross Profit", true, false, 0, 0, Dollars},
        {"Gross_Loss", "Gross Loss", "Gross Loss", true, false, 0, 0, Dollars},
        {"Profit_Factor", "Profit Factor", "Profit Factor", true, false, 0, 0, TwoDecimals},
        {"Max_intraday_drawdown", "MIDD", "MIDD", true, false, 0, 0, Dollars},
        {"Last_Top_Equity", "Last Top", "Last Top", true, true, 0, 58, Days},
        {"Updated_Max_intraday_drawdown", "% UMDD", "% UMDD", true, false, 0, 0, Percent},
        {"date_UMDD", "", "", false, false, 0, 0, Plain},
        {"Updated_Account_size_required", "ASR", "ASR", true, false, 0, 0, Dollars},
        {"Updated_Return_On_Account", "UROA", "UROA", true, false, 61, 0, Percent},
        // The pair behind the row, so that a user can reproduce it (kiruvan-cli evaluate).
        {"Opt1", "Opt1", "Opt1", true, true, 48, 48, Plain},
        {"Opt2", "Opt2", "Opt2", true, true, 48, 48, Plain},
    }};
    return columns;
}

bool reportCellCentred(int column)
{
    return column != 0;
}

bool reportTitleCentred(int column)
{
    return column < 13 || column > 15;
}

namespace {

std::string signedWithPrefix(double value, std::string_view prefix, std::string_view suffix)
{
    const std::string digits = Format_Prix(value);
    if (digits.starts_with('-'))
        return "-" + std::string(prefix) + digits.substr(1) + std::string(suffix);
    return std::string(prefix) + digits + std::string(suffix);
}

double numberOf(const Value& value)
{
    if (const auto* d = std::get_if<double>(&value))
        return *d;
    return static_cast<double>(std::get<std::int32_t>(value));
}

std::string plainText(const Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* i = std::get_if<std::int32_t>(&value))
        return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value))
        return formatGeneral(*d);
    return std::get<Date>(value).toText();
}

}  // namespace

std::string reportText(const Value& value, ReportFormat format)
{
    if (std::holds_alternative<std::monostate>(value))
        return {};
    const bool numeric = std::holds_alternative<double>(value) || std::holds_alternative<std::int32_t>(value);
    if (!numeric || format == ReportFormat::Plain)
        return plainText(value);
    switch (format) {
    case ReportFormat::TwoDecimals:
        return signedWithPrefix(numberOf(value), "", "");
    case ReportFormat::Percent:
        return signedWithPrefix(numberOf(value), "", " %");
    case ReportFormat::Dollars:
        return signedWithPrefix(numberOf(value), "$ ", "");
    case ReportFormat::Days:
        return plainText(value) + " D";
    case ReportFormat::Plain:
        break;
    }
    return plainText(value);
}

bool loadReportRows(Table& table, const DataFolder& folder, std::optional<std::int32_t> marketId)
{
    try {
        if (!open_Optimisation(table, folder, marketId))
            return false;
    } catch (const std::exception&) {
        // An unreadable results file shows empty grids, like a missing one.
        table.close();
        return false;
    }
    table.setSortOrder(std::string(kReportInitialSortField));
    table.last();
    return true;
}

namespace {

// A shown column with the results field behind it.
struct CaptionedField {
    std::string_view name;  // the caption, as writeRows names its columns
    const ResultField* field;
};

std::vector<CaptionedField> captionedFields()
{
    std::vector<CaptionedField> fields;
    for (const ReportColumn& column : reportColumns()) {
        if (!column.shown())
            continue;
        const auto& all = resultFields();
        const auto found = std::find_if(all.begin(), all.end(), [&](const ResultField& field) {
            return sameIgnoringAsciiCase(field.name, column.field);
        });
        if (found == all.end())
            throw std::logic_error("report column " + std::string(column.field) + " is no results field");
        fields.push_back({column.caption(), &*found});
    }
    return fields;
}

}  // namespace

void writeReportCsv(std::ostream& out, const std::vector<ResultRow>& rows)
{
    writeRows(
        out, rows, captionedFields(),
        [](const ResultRow& row, const CaptionedField& field, const auto& f) {
            visitResultField(row, *field.field, f);
        },
        ResultsFormat::Csv);
}

void writeReportCsvFile(const std::filesystem::path& file, const std::vector<ResultRow>& rows)
{
    std::ostringstream text;
    writeReportCsv(text, rows);
    writeExportFile(file, text.str());
}

std::vector<ResultRow> rowsInViewOrder(Table& table)
{
    std::vector<ResultRow> rows;
    if (!table.isOpen())
        return rows;
    const int current = table.recNo();
    for (table.first(); !table.eof(); table.next())
        rows.push_back(readResultRow(table));
    table.moveTo(current);
    return rows;
}

}  // namespace kiruvan
