#include "database/master_table.h"

#include <filesystem>

#include "database/table.h"
#include "database/table_filter.h"

namespace kiruvan {
namespace {

// The symbols of Master.cds in the order the table gives after `arrange`; none when missing.
template <class Arrange>
std::vector<Symbol> readSymbols(const DataFolder& folder, Arrange arrange)
{
    const std::filesystem::path file = folder.file(kMasterFile);
    if (!std::filesystem::exists(file))
        return {};
    Table symbols;
    symbols.loadFromFile(file);
    arrange(symbols);
    const FieldRef code = symbols.field(kSymbolCodeField);
    const FieldRef name = symbols.field(kSymbolNameField);
    const FieldRef market = symbols.field(kSymbolMarketField);
    std::vector<Symbol> list;
    for (symbols.first(); !symbols.eof(); symbols.next())
        list.push_back({code.asString(), name.asString(), market.asInteger()});
    return list;
}

}  // namespace

void defineMasterLayout(Table& table)
{
    table.clearDefinitions();
    table.addField(std::string(kSymbolCodeField), FieldType::String, 30);
    table.addField(std::string(kSymbolNameField), FieldType::String, 30);
    table.addField(std::string(kSymbolMarketField), FieldType::Integer);
}

std::vector<Symbol> listSymbols(const DataFolder& folder, std::optional<std::int32_t> marketId)
{
    std::vector<Symbol> list =
        readSymbols(folder, [](Table& symbols) { symbols.setSortOrder(std::string(kSymbolOrder)); });
    if (marketId)
        std::erase_if(list, [&](const Symbol& symbol) { return symbol.marketId != *marketId; });
    return list;
}

std::vector<Symbol> marketSymbolsInFileOrder(const DataFolder& folder, std::int32_t marketId)
{
    return readSymbols(folder, [&](Table& symbols) {
        symbols.setFilter(fieldIs(kSymbolMarketField, marketId));
        symbols.setFiltered(true);
    });
}

bool marketHasSymbols(const DataFolder& folder, std::int32_t marketId)
{
    return !marketSymbolsInFileOrder(folder, marketId).empty();
}

}  // namespace kiruvan
