#include "backtest/results_csv.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "base/file_replace.h"

namespace kiruvan {

std::string shortestNumber(double value)
{
    // "inf" or "nan" would read back as no number in any of the formats, and break JSON.
    if (!std::isfinite(value))
        throw std::domain_error("a number that is not finite cannot be written as text");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string csvText(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

std::optional<ResultsFormat> resultsFormatNamed(std::string_view name)
{
    for (std::size_t i = 0; i < kResultsFormatNames.size(); ++i)
        if (name == kResultsFormatNames[i])
            return static_cast<ResultsFormat>(i);
    return std::nullopt;
}

namespace {

std::string tsvText(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string jsonText(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string textIn(ResultsFormat format, std::string_view text)
{
    switch (format) {
    case ResultsFormat::Csv:
        return csvText(text);
    case ResultsFormat::Tsv:
        return tsvText(text);
    case ResultsFormat::Json:
        return jsonText(text);
    }
    return std::string(text);
}

std::string cellText(const RecordCell& cell, ResultsFormat format)
{
    return std::visit(
        [&](const auto& value) {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::int32_t>)
                return std::to_string(value);
            else if constexpr (std::is_same_v<T, double>)
                return shortestNumber(value);
            else
                return textIn(format, value);
        },
        cell);
}

template <typename Cell>
void writeLine(std::ostream& out, std::size_t columns, char separator, Cell cell)
{
    const char* between = "";
    for (std::size_t c = 0; c < columns; ++c) {
        out << between << cell(c);
        between = separator == ',' ? "," : "\t";
    }
    out << '\n';
}

void writeJson(std::ostream& out, const std::vector<std::string_view>& names, const std::vector<Record>& rows)
{
    out << "[";
    const char* betweenRows = "\n";
    for (const Record& row : rows) {
        out << betweenRows << "  {";
        const char* betweenFields = "";
        for (std::size_t c = 0; c < names.size(); ++c) {
            out << betweenFields << jsonText(names[c]) << ": " << cellText(row[c], ResultsFormat::Json);
            betweenFields = ", ";
        }
        out << "}";
        betweenRows = ",\n";
    }
    out << (rows.empty() ? "]\n" : "\n]\n");
}

}  // namespace

void writeRecords(std::ostream& out, const std::vector<std::string_view>& names, const std::vector<Record>& rows,
                  ResultsFormat format)
{
    if (format == ResultsFormat::Json)
        return writeJson(out, names, rows);
    const char separator = format == ResultsFormat::Csv ? ',' : '\t';
    writeLine(out, names.size(), separator, [&](std::size_t c) { return textIn(format, names[c]); });
    for (const Record& row : rows)
        writeLine(out, names.size(), separator, [&](std::size_t c) { return cellText(row[c], format); });
}

void writeResults(std::ostream& out, const std::vector<ResultRow>& rows, ResultsFormat format)
{
    writeRows(
        out, rows, resultFields(),
        [](const ResultRow& row, const ResultField& field, const auto& f) { visitResultField(row, field, f); }, format);
}

void writeExportFile(const std::filesystem::path& file, std::string_view text)
{
    if (auto reason = replaceFileContents(file, text))
        throw std::runtime_error("Cannot write file \"" + file.string() + "\": " + *reason);
}

void writeResultsCsvFile(const std::filesystem::path& file, const std::vector<ResultRow>& rows)
{
    std::ostringstream text;
    writeResultsCsv(text, rows);
    writeExportFile(file, text.str());
}

}  // namespace kiruvan
