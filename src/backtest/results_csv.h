#pragma once

#include <array>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "backtest/results_table.h"

namespace kiruvan {

// A double as the shortest text that reads back to the same double, "." whatever the locale
// (214.55 stays "214.55").
std::string shortestNumber(double value);

// A text as it stands, quoted with doubled quotes when it holds a comma, a quote or a line break.
std::string csvText(std::string_view text);

enum class ResultsFormat { Csv, Tsv, Json };
// The formats' names, in the order of ResultsFormat.
inline constexpr std::array<std::string_view, 3> kResultsFormatNames = {"csv", "tsv", "json"};

// "csv", "tsv" or "json"; nullopt for anything else.
std::optional<ResultsFormat> resultsFormatNamed(std::string_view name);

// One value of a record written in a results format: numbers as the report writes them.
using RecordCell = std::variant<std::int32_t, double, std::string>;
using Record = std::vector<RecordCell>;

// Records under their column names, in the layout writeResults describes.
void writeRecords(std::ostream& out, const std::vector<std::string_view>& names, const std::vector<Record>& rows,
                  ResultsFormat format);

// Rows under the names of a list of fields (each with a name); visit(row, field, f) calls f
// with the row's value of the field.
template <typename Row, typename Fields, typename Visit>
void writeRows(std::ostream& out, const std::vector<Row>& rows, const Fields& fields, Visit visit, ResultsFormat format)
{
    std::vector<std::string_view> names;
    for (const auto& field : fields)
        names.push_back(field.name);
    std::vector<Record> records;
    for (const Row& row : rows) {
        Record& record = records.emplace_back();
        for (const auto& field : fields)
            visit(row, field, [&](const auto& value) { record.emplace_back(value); });
    }
    writeRecords(out, names, records, format);
}

// The rows with every field in table order. CSV and TSV start with a header line of the field
// names; TSV escapes backslash, tab and line breaks in texts as \\, \t, \n and \r; JSON is an
// array of objects keyed by field name.
void writeResults(std::ostream& out, const std::vector<ResultRow>& rows, ResultsFormat format);

inline void writeResultsCsv(std::ostream& out, const std::vector<ResultRow>& rows)
{
    writeResults(out, rows, ResultsFormat::Csv);
}

// A text in a file, written beside it first and renamed over it, so that a failed export
// leaves any earlier file whole. Throws std::runtime_error naming the file.
void writeExportFile(const std::filesystem::path& file, std::string_view text);

// The CSV text in a file, as writeExportFile writes it.
void writeResultsCsvFile(const std::filesystem::path& file, const std::vector<ResultRow>& rows);

}  // namespace kiruvan
