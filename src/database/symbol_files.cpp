#include "database/symbol_files.h"

#include <cmath>
#include <system_error>

#include "database/market_manager.h"
#include "database/master_table.h"
#include "database/table_file.h"

namespace kiruvan {
namespace {

// Another program may create the same file meanwhile: its file is kept.
bool createEmptyFile(Table& layout, const std::filesystem::path& file)
{
    layout.create();
    const bool created = layout.saveToNewFile(file);
    layout.close();
    return created;
}

bool hasStandardNames(const Table& table)
{
    for (size_t i = 0; i < std::size(kSymbolFieldNames); ++i)
        if (table.fields()[i].name != kSymbolFieldNames[i])
            return false;
    return true;
}

constexpr std::array<std::string_view, 5> kValueFields = {kOpenField, kHighField, kLowField, kCloseField, kVolumeField};

// Positions in the standard layout.
constexpr std::size_t kDatePosition = 0, kFirstValue = 2, kIndexDatePosition = 7;
static_assert(kSymbolFieldNames[kDatePosition] == kDateField && kSymbolFieldNames[kFirstValue] == kOpenField
              && kSymbolFieldNames[kFirstValue + 4] == kVolumeField
              && kSymbolFieldNames[kIndexDatePosition] == kIndexDateField);

void setValue(FieldRef field, std::optional<double> value)
{
    if (value)
        field.setAsFloat(*value);
    else
        field.clear();
}

}  // namespace

// A file in the standard layout has its fields addressed by position: an import writes a row
// per line.
void setSymbolRow(Table& table, Date day, const BarValues<std::optional<double>>& values)
{
    const bool standard =
        table.fieldCount() == static_cast<int>(std::size(kSymbolFieldNames)) && hasStandardNames(table);
    const auto field = [&](std::size_t position) {
        return standard ? table.field(static_cast<int>(position)) : table.field(kSymbolFieldNames[position]);
    };
    field(kDatePosition).setAsDate(day);
    for (std::size_t i = 0; i < values.size(); ++i)
        setValue(field(kFirstValue + i), values[i]);
    field(kIndexDatePosition).setAsString(day.toIndexText());
}

bool hasStandardSymbolLayout(const Table& table)
{
    if (table.fieldCount() != static_cast<int>(std::size(kSymbolFieldNames)) || !hasStandardNames(table))
        return false;
    const auto& fields = table.fields();
    for (std::size_t i = 0; i < kValueFields.size(); ++i)
        if (fields[kFirstValue + i].type != FieldType::Float)
            return false;
    // The index text is ten characters: a shorter field would cut it.
    const FieldDef& index = fields[kIndexDatePosition];
    return fields[kDatePosition].type == FieldType::Date && index.type == FieldType::String
           && (index.size <= 0 || index.size >= 10);
}

void standardSymbolRow(std::vector<Value>& row, Date day, const BarValues<std::optional<double>>& values)
{
    row.assign(std::size(kSymbolFieldNames), std::monostate{});
    row[kDatePosition] = day;
    for (std::size_t i = 0; i < values.size(); ++i)
        if (values[i])
            row[kFirstValue + i] = *values[i];
    row[kIndexDatePosition] = day.toIndexText();
}

void defineSymbolLayout(Table& table, bool withIndex)
{
    table.clearDefinitions();
    table.addField(std::string(kDateField), FieldType::Date);
    table.addField(std::string(kTimeField), FieldType::String, 8);
    for (std::string_view name : kValueFields)
        table.addField(std::string(name), FieldType::Float);
    table.addField(std::string(kIndexDateField), FieldType::String, 10);
    if (withIndex)
        table.addIndex("Index_1", std::string(kIndexDateField), ixPrimary);
}

namespace {

// Dates that cannot be read are refused by the load itself; a row without a date is the data
// editor's to catch.
std::optional<std::string> valueProblem(const Value& value, const FieldDef& field, const Value& day)
{
    if (const double* number = std::get_if<double>(&value); number && !std::isfinite(*number))
        return "not a finite number";
    if (field.name == kIndexDateField && std::holds_alternative<std::string>(value)) {
        const Date* date = std::get_if<Date>(&day);
        if (date && std::get<std::string>(value) != date->toIndexText())
            return "'" + std::get<std::string>(value) + "' does not match the date " + date->toText();
    }
    return std::nullopt;
}

}  // namespace

std::vector<std::string> symbolValueProblems(const Table& table)
{
    std::vector<std::string> problems;
    const int dateColumn = table.fieldIndex(kDateField);
    const bool datesTyped = dateColumn >= 0 && table.fields()[static_cast<size_t>(dateColumn)].type == FieldType::Date;
    static const Value noDay;
    for (int row = 0; row < table.recordCount(); ++row) {
        const Value& day = datesTyped ? table.valueAt(row, dateColumn) : noDay;
        for (int column = 0; column < table.fieldCount(); ++column) {
            const FieldDef& field = table.fields()[static_cast<size_t>(column)];
            if (auto problem = valueProblem(table.valueAt(row, column), field, day))
                problems.push_back("row " + std::to_string(row + 1) + ", field " + field.name + ": " + *problem);
        }
    }
    return problems;
}

void loadSymbolFile(Table& table, const std::filesystem::path& file)
{
    table.loadFromFile(file);
    const std::vector<std::string> problems = symbolValueProblems(table);
    if (!problems.empty()) {
        table.close();
        throw TableError("Cannot read file \"" + file.string() + "\": " + problems.front() + ".");
    }
}

void Verification_existance_des_Fichiers(const DataFolder& folder)
{
    TableFile::removeLeftovers(folder.root());
    std::error_code ec;
    if (!std::filesystem::exists(folder.file(kMasterFile), ec)) {
        Table master;
        defineMasterLayout(master);
        createEmptyFile(master, folder.file(kMasterFile));
    }
    if (!std::filesystem::exists(folder.file(kMarketsFile), ec)) {
        Table markets;
        defineMarketLayout(markets);
        createEmptyFile(markets, folder.file(kMarketsFile));
    }
}

bool Creation_d1_Fichier_Data(const DataFolder& folder, std::string_view code)
{
    const std::filesystem::path file = folder.symbolFileFor(code);
    std::error_code ec;
    if (std::filesystem::exists(file, ec) || folder.findSymbolFile(code))
        return false;
    Table symbol;
    defineSymbolLayout(symbol, true);
    return createEmptyFile(symbol, file);
}

bool Verification_Fichier_Data(const std::filesystem::path& symbolFile)
{
    Table scratch;
    scratch.loadFromFile(symbolFile);
    const bool wrong =
        scratch.fieldCount() == static_cast<int>(std::size(kSymbolFieldNames)) && !hasStandardNames(scratch);
    scratch.close();
    if (!wrong)
        return false;
    // The rebuilt file starts empty: keep the user's rows in a copy beside it.
    std::filesystem::copy_file(symbolFile, symbolFile.string() + ".bak",
                               std::filesystem::copy_options::overwrite_existing);
    Table standard;
    defineSymbolLayout(standard, true);
    standard.create();
    standard.saveToFile(symbolFile);
    return true;
}

bool Verification_Fichier_Data(const DataFolder& folder, std::string_view code)
{
    const auto file = folder.findSymbolFile(code);
    if (!file)
        throw TableError("Cannot open file \"" + folder.file(std::string(code) + ".cds").string()
                         + "\": the file does not exist.");
    return Verification_Fichier_Data(*file);
}

void rewriteSymbolFile(Table& loaded, const std::filesystem::path& file)
{
    // The rows were read from this file: if another program wrote it since, they are stale.
    const bool overLoadedFile = loaded.fileName() == file;
    if (overLoadedFile && loaded.changedOnDisk())
        throw TableFile::changedError(file);
    if (loaded.isEditing())
        loaded.post();
    Table copy;
    copy.copyFieldDefinitions(loaded);
    copy.create();
    for (int row = 0; row < loaded.recordCount(); ++row) {
        copy.append();
        for (int f = 0; f < loaded.fieldCount(); ++f)
            copy.field(f).setValue(loaded.valueAt(row, f));
        copy.post();
    }
    // Checked again under the lock, since building the copy takes a while.
    if (overLoadedFile)
        loaded.replaceLoadedFile(copy);
    else
        copy.saveToFile(file);
}

}  // namespace kiruvan
