// The checks every reader of a symbol file makes beyond the store's own, and the bar readers'
// load without a table.
#include <algorithm>

#include "base/ascii_text.h"
#include "database/program_tables.h"
#include "database/symbol_files.h"
#include "database/table_file.h"

namespace kiruvan {

namespace {

// The fields every reader of a symbol file (chart, backtest, import, data viewer) relies on, and
// the places of those the bar readers take in that list.
enum ReaderField { kReaderDate, kReaderOpen, kReaderHigh, kReaderLow, kReaderClose, kReaderVolume, kReaderIndexDate };
constexpr std::pair<std::string_view, FieldType> kReaderFields[] = {
    {kDateField, FieldType::Date},        {kOpenField, FieldType::Float},  {kHighField, FieldType::Float},
    {kLowField, FieldType::Float},        {kCloseField, FieldType::Float}, {kVolumeField, FieldType::Float},
    {kIndexDateField, FieldType::String},
};

const char* fieldKind(FieldType type)
{
    return type == FieldType::Date ? "date" : type == FieldType::Float ? "float" : "text";
}

}  // namespace

std::vector<std::string> symbolLayoutProblems(const std::vector<FieldDef>& fields)
{
    std::vector<std::string> problems;
    for (const auto& [name, type] : kReaderFields) {
        const int index = fieldPosition(fields, name);
        if (index < 0)
            problems.push_back("the field list lacks the field " + std::string(name));
        else if (fields[static_cast<size_t>(index)].type != type)
            problems.push_back("the field " + std::string(name) + " is not a " + fieldKind(type) + " field");
    }
    return problems;
}

namespace {

// The load itself refuses values of the wrong type and numbers that are not finite; a row
// without a date is the data editor's to catch.
std::optional<std::string> valueProblem(const Value& value, const FieldDef& field, const Value& day)
{
    if (field.name == kIndexDateField && std::holds_alternative<std::string>(value)) {
        const Date* date = std::get_if<Date>(&day);
        if (date && std::get<std::string>(value) != date->toIndexText())
            return quotedText(std::get<std::string>(value)) + " does not match the date " + date->toText();
    }
    return std::nullopt;
}

// The position of the date field when it holds dates; -1 otherwise.
int typedDatePosition(const std::vector<FieldDef>& fields)
{
    const int position = fieldPosition(fields, kDateField);
    return position >= 0 && fields[static_cast<std::size_t>(position)].type == FieldType::Date ? position : -1;
}

// Adds the problems of one row (rowNumber counted from 1 in file order).
void addRowProblems(const std::vector<FieldDef>& fields, const Value* values, int datePosition, int rowNumber,
                    std::vector<std::string>& problems)
{
    static const Value noDay;
    const Value& day = datePosition >= 0 ? values[datePosition] : noDay;
    for (std::size_t column = 0; column < fields.size(); ++column)
        if (auto problem = valueProblem(values[column], fields[column], day))
            problems.push_back("row " + std::to_string(rowNumber) + ", field " + fields[column].name + ": " + *problem);
}

TableError symbolFileError(const std::filesystem::path& file, const std::string& problem)
{
    return TableError("Cannot read file \"" + escapedControls(file.string()) + "\": " + problem + ".");
}

}  // namespace

std::vector<std::string> symbolValueProblems(const Table& table)
{
    std::vector<std::string> problems;
    const int datePosition = typedDatePosition(table.fields());
    std::vector<Value> values(table.fields().size());
    for (int row = 0; row < table.recordCount(); ++row) {
        for (int column = 0; column < table.fieldCount(); ++column)
            values[static_cast<std::size_t>(column)] = table.valueAt(row, column);
        addRowProblems(table.fields(), values.data(), datePosition, row + 1, problems);
    }
    return problems;
}

void loadSymbolFile(Table& table, const std::filesystem::path& file, SymbolFileUse use)
{
    table.loadFromFile(file);
    std::vector<std::string> problems =
        use == SymbolFileUse::ReadBars ? symbolLayoutProblems(table.fields()) : std::vector<std::string>();
    const std::vector<std::string> values = symbolValueProblems(table);
    problems.insert(problems.end(), values.begin(), values.end());
    if (!problems.empty()) {
        table.close();
        throw symbolFileError(file, problems.front());
    }
}

std::vector<SymbolFileBar> readSymbolFileBars(const std::filesystem::path& file)
{
    std::vector<SymbolFileBar> bars;
    bars.reserve(4096);  // most histories: one allocation, not a dozen copies as it grows
    std::vector<std::string> problems;
    std::vector<int> at;  // positions of the reader fields, in their list's order
    int rowNumber = 0;
    const auto take = [&](const std::vector<FieldDef>& fields, std::int64_t, std::vector<Value>& values) {
        if (rowNumber++ == 0) {
            problems = symbolLayoutProblems(fields);
            for (const auto& [name, type] : kReaderFields)
                at.push_back(fieldPosition(fields, name));
        }
        if (problems.empty())
            addRowProblems(fields, values.data(), at[kReaderDate], rowNumber, problems);
        if (!problems.empty())
            return;  // the first problem is reported once every value was read
        const auto value = [&](ReaderField field) -> Value& { return values[static_cast<std::size_t>(at[field])]; };
        const auto number = [&](ReaderField field) {
            const double* v = std::get_if<double>(&value(field));
            return v ? *v : 0.0;
        };
        const Date* day = std::get_if<Date>(&value(kReaderDate));
        bars.push_back({std::move(value(kReaderIndexDate)), day ? std::optional<Date>(*day) : std::nullopt,
                        number(kReaderOpen), number(kReaderHigh), number(kReaderLow), number(kReaderClose)});
    };
    std::unique_ptr<TableFile> source = TableFile::open(file);
    Verification_Fichier_Data(source);
    const TableContents header = source->readRows({requiredFieldsOf(file)}, take);
    if (rowNumber == 0)
        problems = symbolLayoutProblems(header.fields);
    if (!problems.empty())
        throw symbolFileError(file, problems.front());
    const auto byIndex = [](const SymbolFileBar& a, const SymbolFileBar& b) { return a.indexKey < b.indexKey; };
    if (!std::is_sorted(bars.begin(), bars.end(), byIndex))
        std::stable_sort(bars.begin(), bars.end(), byIndex);
    return bars;
}

}  // namespace kiruvan
