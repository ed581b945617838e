#include "database/market_manager.h"

#include <algorithm>
#include <filesystem>

#include "base/ascii_text.h"
#include "database/symbol_files.h"

namespace kiruvan {
namespace {

void appendMarket(Table& markets, std::int32_t id, std::string_view name)
{
    markets.append();
    markets.field(kMarketIdField).setAsInteger(id);
    markets.field(kMarketNameField).setAsString(name);
    markets.post();
}

// The table the market manager starts from when Markets.cds has gone missing.
void createBuiltInMarkets(Table& markets)
{
    markets.close();
    defineMarketLayout(markets);
    markets.create();
    appendMarket(markets, 1, "CAC 40");
    appendMarket(markets, 2, "DOW JONES INDEX");
}

std::optional<int> rowOfMarket(const Table& markets, std::int32_t id)
{
    const int idColumn = markets.fieldIndex(kMarketIdField);
    for (int row = 0; row < markets.recordCount(); ++row) {
        const Value& value = markets.valueAt(row, idColumn);
        if (const auto* number = std::get_if<std::int32_t>(&value); number && *number == id)
            return row;
    }
    return std::nullopt;
}

Market marketAt(const Table& markets, int row)
{
    const Value& id = markets.valueAt(row, markets.fieldIndex(kMarketIdField));
    const auto* number = std::get_if<std::int32_t>(&id);
    return Market{number ? *number : 0, markets.textAt(row, markets.fieldIndex(kMarketNameField))};
}

}  // namespace

void defineMarketLayout(Table& markets)
{
    markets.clearDefinitions();
    markets.addField(std::string(kMarketIdField), FieldType::Integer);
    markets.addField(std::string(kMarketNameField), FieldType::String, kMarketNameSize);
}

bool sameMarketName(std::string_view a, std::string_view b)
{
    return sameIgnoringAsciiCase(a, b);
}

std::vector<Market> marketsNamed(const std::vector<Market>& markets, std::string_view name)
{
    std::vector<Market> exact, loose;
    for (const Market& m : markets) {
        if (m.name == name)
            exact.push_back(m);
        else if (sameMarketName(m.name, name))
            loose.push_back(m);
    }
    return exact.empty() ? loose : exact;
}

bool Doublon_Trouve(const Table& markets, std::string_view name)
{
    const int nameColumn = markets.fieldIndex(kMarketNameField);
    for (int row = 0; row < markets.recordCount(); ++row)
        if (sameMarketName(markets.textAt(row, nameColumn), name))
            return true;
    return false;
}

std::int32_t Get_NumAuto_IDMarche(const Table& markets)
{
    const int idColumn = markets.fieldIndex(kMarketIdField);
    std::optional<std::int32_t> largest;
    for (int row = 0; row < markets.recordCount(); ++row)
        if (const auto* id = std::get_if<std::int32_t>(&markets.valueAt(row, idColumn)))
            largest = std::max(largest.value_or(*id), *id);
    return largest ? *largest + 1 : 1;
}

void loadMarketTable(Table& markets, const DataFolder& folder)
{
    const std::filesystem::path file = folder.file(kMarketsFile);
    if (std::filesystem::exists(file))
        markets.loadFromFile(file);
    else
        createBuiltInMarkets(markets);
    markets.setSortOrder(std::string(kMarketOrder));
    markets.first();
}

std::vector<Market> marketsInOrder(const Table& markets)
{
    std::vector<Market> list;
    for (int row = 0; row < markets.recordCount(); ++row)
        list.push_back(marketAt(markets, row));
    return list;
}

std::vector<Market> readMarkets(const DataFolder& folder)
{
    const std::filesystem::path file = folder.file(kMarketsFile);
    if (!std::filesystem::exists(file))
        return {};
    Table markets;
    markets.loadFromFile(file);
    markets.setSortOrder(std::string(kMarketOrder));
    return marketsInOrder(markets);
}

std::string addMarketMessage(const AddMarketResult& result, std::string_view name)
{
    switch (result.outcome) {
    case AddMarketOutcome::Added:
        return {};
    case AddMarketOutcome::EmptyName:
        return "The market name is empty.";
    case AddMarketOutcome::Duplicate:
        return "A market named " + quotedText(name) + " already exists.";
    case AddMarketOutcome::TooLong:
        return "The market name " + quotedText(name) + " is longer than " + std::to_string(kMarketNameSize)
               + " characters.";
    case AddMarketOutcome::NotUtf8:
        return "The market name " + quotedText(name) + " is not valid UTF-8 text.";
    case AddMarketOutcome::ControlCharacter:
        return "The market name " + quotedText(name) + " holds a control character.";
    }
    return {};
}

MarketManager::MarketManager(DataFolder folder) : folder_(std::move(folder))
{
    loadMarketTable(table_, folder_);
}

std::optional<Market> MarketManager::current() const
{
    if (table_.recNo() == 0)
        return std::nullopt;
    return marketAt(table_, table_.recNo() - 1);
}

void MarketManager::makeCurrent(std::int32_t id)
{
    postPending();
    if (auto row = rowOfMarket(table_, id))
        table_.moveTo(*row + 1);
}

AddMarketResult MarketManager::add(std::string_view name)
{
    postPending();
    if (name.empty())
        return {AddMarketOutcome::EmptyName, 0};
    if (characterCount(name) > kMarketNameSize)
        return {AddMarketOutcome::TooLong, 0};
    if (!isValidUtf8(name))
        return {AddMarketOutcome::NotUtf8, 0};
    if (holdsControlCharacter(name))
        return {AddMarketOutcome::ControlCharacter, 0};
    if (Doublon_Trouve(table_, name))
        return {AddMarketOutcome::Duplicate, 0};
    const std::int32_t id = Get_NumAuto_IDMarche(table_);
    appendMarket(table_, id, name);
    makeCurrent(id);
    return {AddMarketOutcome::Added, id};
}

bool MarketManager::renameCurrent(std::string_view name)
{
    postPending();
    const std::optional<Market> shown = current();
    if (name.empty() || characterCount(name) > kMarketNameSize || !isValidUtf8(name) || holdsControlCharacter(name)
        || !shown)
        return false;
    table_.edit();
    table_.field(kMarketNameField).setAsString(name);
    table_.post();
    makeCurrent(shown->id);
    return true;
}

void MarketManager::save()
{
    table_.saveToFile(folder_.file(kMarketsFile));
}

void MarketManager::postPending()
{
    if (table_.isEditing())
        table_.post();
}

}  // namespace kiruvan
