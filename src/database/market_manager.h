#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/data_folder.h"
#include "database/table.h"

namespace kiruvan {

// Markets.cds, the market table: its fields, layout, readers and name rules, and the market
// manager that edits it.

inline constexpr std::string_view kMarketIdField = "ID_Marche";
inline constexpr std::string_view kMarketNameField = "Nom_Marche";

// The order of every market list: by name.
inline constexpr std::string_view kMarketOrder = "nom_marche";

// A market name holds at most this many characters (the size of Nom_Marche).
inline constexpr int kMarketNameSize = 30;

void defineMarketLayout(Table& table);

struct Market {
    std::int32_t id = 0;
    std::string name;
    friend bool operator==(const Market&, const Market&) = default;
};

// Two market names are the same when they are equal after turning A to Z into a to z; every
// other character (accented letters included) must match exactly.
bool sameMarketName(std::string_view a, std::string_view b);

// The markets with this name: exact matches when there are any, else the names that differ
// only in the case of A to Z.
std::vector<Market> marketsNamed(const std::vector<Market>& markets, std::string_view name);

// True when some market of the table already carries this name (see sameMarketName).
bool Doublon_Trouve(const Table& markets, std::string_view name);

// The number for a new market: one more than the largest ID_Marche, nulls ignored; 1 when none.
std::int32_t Get_NumAuto_IDMarche(const Table& markets);

// Loads Markets.cds sorted by name; when the file is missing the table starts from the two
// built-in markets, which a later save writes to a new Markets.cds.
void loadMarketTable(Table& markets, const DataFolder& folder);

// Every market in the table's current order.
std::vector<Market> marketsInOrder(const Table& markets);

// The markets of Markets.cds in name order; none when the file is missing.
std::vector<Market> readMarkets(const DataFolder& folder);

enum class AddMarketOutcome { Added, EmptyName, Duplicate, TooLong, NotUtf8, ControlCharacter };

struct AddMarketResult {
    AddMarketOutcome outcome = AddMarketOutcome::EmptyName;
    std::int32_t id = 0;  // the new market's number when added
};

// A readable reason for a refused name (empty for Added).
std::string addMarketMessage(const AddMarketResult& result, std::string_view name);

// The market table as the market manager edits it: markets are added and renamed in memory
// and reach Markets.cds only through save().
class MarketManager {
public:
    explicit MarketManager(DataFolder folder);

    const Table& table() const { return table_; }
    std::vector<Market> markets() const { return marketsInOrder(table_); }

    // The current market (the one the list shows); nullopt when the table is empty.
    std::optional<Market> current() const;
    void makeCurrent(std::int32_t id);

    // Adds a market under a new number and makes it current; an empty, too long or already
    // used name changes nothing.
    AddMarketResult add(std::string_view name);

    // Renames the current market; an empty or too long name, or an empty table, changes
    // nothing. Returns whether the name changed. No duplicate test: two markets may share a name.
    bool renameCurrent(std::string_view name);

    // Writes Markets.cds in the data folder, replacing it.
    void save();

private:
    void postPending();

    DataFolder folder_;
    Table table_;
};

}  // namespace kiruvan
