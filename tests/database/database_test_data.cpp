#include "database_test_data.h"

#include "database/symbol_files.h"

namespace kiruvan::test {
namespace {

void setOptional(Table& table, const char* field, const std::optional<double>& value)
{
    if (value)
        table.field(field).setAsFloat(*value);
}

std::optional<double> optionalFloat(Table& table, const char* field)
{
    FieldRef ref = table.field(field);
    return ref.isNull() ? std::nullopt : std::optional<double>(ref.asFloat());
}

}  // namespace

BarRow bar(int year, int month, int day, double open, double high, double low, double close,
           std::optional<double> volume)
{
    return BarRow{Date::fromYmd(year, month, day), open, high, low, close, volume};
}

void writeSymbolFile(const DataFolder& folder, const std::string& code, const std::vector<BarRow>& rows)
{
    Creation_d1_Fichier_Data(folder, code);
    Table table;
    table.loadFromFile(folder.symbolFileFor(code));
    for (const BarRow& row : rows) {
        table.append();
        if (row.date) {
            table.field("Date").setAsDate(*row.date);
            table.field("INDEX_DATE").setAsString(row.date->toIndexText());
        }
        setOptional(table, "Open", row.open);
        setOptional(table, "High", row.high);
        setOptional(table, "Low", row.low);
        setOptional(table, "Close", row.close);
        setOptional(table, "Volume", row.volume);
        table.post();
    }
    table.saveToFile(folder.symbolFileFor(code));
}

std::vector<BarRow> readSymbolFile(const DataFolder& folder, const std::string& code)
{
    Table table;
    table.loadFromFile(folder.symbolFileFor(code));
    table.setSortOrder("Date");
    std::vector<BarRow> rows;
    for (table.first(); !table.eof() && !table.isEmpty(); table.next()) {
        FieldRef date = table.field("Date");
        rows.push_back({date.isNull() ? std::nullopt : std::optional<Date>(date.asDate()), optionalFloat(table, "Open"),
                        optionalFloat(table, "High"), optionalFloat(table, "Low"), optionalFloat(table, "Close"),
                        optionalFloat(table, "Volume")});
    }
    return rows;
}

std::vector<std::string> columnText(const std::filesystem::path& file, const std::string& field)
{
    Table table;
    table.loadFromFile(file);
    std::vector<std::string> values;
    for (table.first(); !table.eof() && !table.isEmpty(); table.next())
        values.push_back(table.field(field).asString());
    return values;
}

}  // namespace kiruvan::test
