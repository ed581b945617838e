#pragma once

// Master.cds, the symbol table: its fields, its layout and its readers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/data_folder.h"

namespace kiruvan {

class Table;

inline constexpr std::string_view kSymbolCodeField = "Code_Titre";
inline constexpr std::string_view kSymbolNameField = "Nom_Titre";
inline constexpr std::string_view kSymbolMarketField = "Code_Marche";

// The symbol manager's order: market number, then name.
inline constexpr std::string_view kSymbolOrder = "code_marche;nom_titre";

void defineMasterLayout(Table& table);

struct Symbol {
    std::string code;
    std::string name;
    std::int32_t marketId = 0;
};

// Every symbol of Master.cds in the symbol manager's order; with a market number, only that
// market's symbols. None when Master.cds is missing.
std::vector<Symbol> listSymbols(const DataFolder& folder, std::optional<std::int32_t> marketId = std::nullopt);

// The symbols of one market in the order of Master.cds; none when the file is missing.
std::vector<Symbol> marketSymbolsInFileOrder(const DataFolder& folder, std::int32_t marketId);

// Whether Master.cds lists at least one symbol of the market.
bool marketHasSymbols(const DataFolder& folder, std::int32_t marketId);

}  // namespace kiruvan
