#include "backtest/results_csv.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <ostream>
#include <system_error>

namespace kiruvan {

std::string csvNumber(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
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

namespace {

std::string csvField(const ResultRow& row, const ResultField& field)
{
    std::string text;
    visitResultField(row, field, [&](const auto& value) {
        using T = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<T, std::int32_t>)
            text = std::to_string(value);
        else if constexpr (std::is_same_v<T, double>)
            text = csvNumber(value);
        else
            text = csvText(value);
    });
    return text;
}

template <typename Cell>
void writeLine(std::ostream& out, Cell cell)
{
    const char* separator = "";
    for (const ResultField& field : resultFields()) {
        out << separator << cell(field);
        separator = ",";
    }
    out << '\n';
}

}  // namespace

void writeResultsCsv(std::ostream& out, const std::vector<ResultRow>& rows)
{
    writeLine(out, [](const ResultField& field) { return csvText(field.name); });
    for (const ResultRow& row : rows)
        writeLine(out, [&](const ResultField& field) { return csvField(row, field); });
}

void writeResultsCsvFile(const std::filesystem::path& file, const std::vector<ResultRow>& rows)
{
    std::filesystem::path partial = file;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        writeResultsCsv(out, rows);
        out.flush();
        if (!out) {
            const std::string reason = std::strerror(errno);
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw std::runtime_error("Cannot write file \"" + file.string() + "\": " + reason);
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, file, error);
    if (error) {
        const std::string reason = error.message();
        std::filesystem::remove(partial, error);
        throw std::runtime_error("Cannot write file \"" + file.string() + "\": " + reason);
    }
}

}  // namespace kiruvan
