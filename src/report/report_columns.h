#pragma once

// The columns of the performance report: which field each shows, under which title, on which
// tab, how wide and in which display format; and the texts of those formats.

#include <array>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "backtest/results_table.h"
#include "database/table.h"

namespace kiruvan {

inline constexpr std::string_view kSummaryTabCaption = " Summary Performance Report ";
inline constexpr std::string_view kRunningTradesTabCaption = " Running Trades ";

// The field the report is ordered by after every load; its last row is the best symbol.
inline constexpr std::string_view kReportInitialSortField = "Updated_Return_On_Account";

enum class ReportFormat {
    Plain,
    TwoDecimals,  // "0.00"
    Percent,      // "0.00 %"
    Dollars,      // "$ 0.00"
    Days,         // "N D"
};

enum class ReportTab { Summary, RunningTrades };

struct ReportColumn {
    std::string_view field;
    std::string_view summaryTitle;
    std::string_view runningTitle;
    bool inSummary = false;
    bool inRunningTrades = false;
    int summaryWidth = 0;  // pixels; 0 for the grid's default
    int runningWidth = 0;
    ReportFormat format = ReportFormat::Plain;

    std::string_view title(ReportTab tab) const { return tab == ReportTab::Summary ? summaryTitle : runningTitle; }
    bool shownOn(ReportTab tab) const { return tab == ReportTab::Summary ? inSummary : inRunningTrades; }
    int width(ReportTab tab) const { return tab == ReportTab::Summary ? summaryWidth : runningWidth; }
    bool shown() const { return inSummary || inRunningTrades; }
    // The title the window shows the column under: the summary's where both tabs show it.
    std::string_view caption() const { return inSummary ? summaryTitle : runningTitle; }
};

inline constexpr int kReportColumnCount = 24;

// The 24 columns, in the same order on both tabs.
const std::array<ReportColumn, kReportColumnCount>& reportColumns();

// Cell contents are centred except the name's; titles are centred except those of the three
// money columns that follow the name-like ones (gross profit, gross loss, profit factor).
bool reportCellCentred(int column);
bool reportTitleCentred(int column);

// A value as the column shows it; a null value shows nothing. A sign stands before the whole
// text ("-$ 12.50"), as a display format with a literal prefix writes it.
std::string reportText(const Value& value, ReportFormat format);

// Loads the rows of one market, or of every market, ordered by kReportInitialSortField with the
// last row current. Returns false, leaving the table closed, when the results file is missing
// or cannot be read.
bool loadReportRows(Table& table, const DataFolder& folder, std::optional<std::int32_t> marketId);

// The visible rows of the table in the order shown.
std::vector<ResultRow> rowsInViewOrder(Table& table);

// The rows as CSV under the captions the window shows: the columns either tab shows, in the
// report's order, their values as the results table holds them.
void writeReportCsv(std::ostream& out, const std::vector<ResultRow>& rows);
// The same in a file, as writeExportFile writes it.
void writeReportCsvFile(const std::filesystem::path& file, const std::vector<ResultRow>& rows);

}  // namespace kiruvan
