#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/data_folder.h"
#include "database/market_manager.h"
#include "database/master_table.h"
#include "database/symbol_files.h"
#include "database/table.h"

namespace kiruvan {

// Code_Titre and Nom_Titre hold at most this many characters.
inline constexpr int kSymbolTextSize = 30;

// Why a code cannot be saved as a symbol's code and name its file, or nullopt when it can.
std::optional<std::string> savedSymbolCodeProblem(std::string_view code);

// Writes the missing symbol file of every symbol under a temporary name, first to last in the
// table's order, leaving the last symbol current. Rows whose code cannot name a file of its own
// (an incomplete symbol saved without a code, or a table written by other means) are skipped.
std::vector<PendingSymbolFile> pendingSymbolFiles(Table& symbols, const DataFolder& folder);

// Creates the missing symbol files as pendingSymbolFiles finds them, and adds each file it
// created to `created`.
void Creation_Des_Fichiers_Data(Table& symbols, const DataFolder& folder, std::vector<std::filesystem::path>& created);

// The items of the symbol manager, in the order the focus visits missing ones.
enum class SymbolItem { Code, Name, Market };

struct SymbolRefusal {
    SymbolItem item;
    std::string message;
};

// Why a symbol with this code and name cannot be saved, or nullopt when it can (an empty
// name counts as incomplete, not as refused).
std::optional<SymbolRefusal> symbolTextProblem(std::string_view code, std::string_view name);

struct ApplyOutcome {
    bool saved = false;
    SymbolItem focus = SymbolItem::Code;
    std::string problem;  // a readable refusal to show, empty when the refusal is silent
};

// The symbol table as the symbol manager edits it, one current symbol at a time. Everything
// stays in memory until apply() writes Master.cds and creates the missing symbol files.
class SymbolManager {
public:
    explicit SymbolManager(DataFolder folder);

    const Table& symbols() const { return symbols_; }
    std::vector<Market> markets() const { return marketsInOrder(markets_); }

    // The current symbol; empty texts and market 0 when there is none.
    std::string code() const;
    std::string name() const;
    std::int32_t marketId() const;
    // The market number the market list shows: Code_Marche when it names a market, else 0.
    std::int32_t shownMarket() const;

    bool hasSymbol() const;  // a symbol being added counts
    bool isComplete() const;
    bool deleteEnabled() const { return deleteEnabled_; }

    // What the bound items store into the current symbol; a value equal to the stored one
    // leaves the symbol untouched. Typing into an empty table starts a new symbol.
    void setCode(std::string_view code);
    void setName(std::string_view name);
    void setMarket(std::int32_t id);

    // Leaving the code edit: a reserved code is emptied, without a message.
    void leaveCodeEdit();

    // Prior and Next move only from a complete symbol; they return whether that was the case.
    bool prior();
    bool next();

    // Appends an empty symbol in the market shown before.
    void add();

    // Checks the current symbol (or passes on an empty table), then saves Master.cds and
    // creates the missing symbol files. A failed check sets Validation_OK to false.
    ApplyOutcome apply(bool& Validation_OK);

    // OK: Apply with the flag set first; the dialog closes when the flag is still true.
    ApplyOutcome confirm(bool& Validation_OK);

    // Deletes the current symbol (in memory; its symbol file stays).
    void removeCurrent();

private:
    void postPending();
    void saveWithSymbolFiles();
    void setText(std::string_view field, std::string_view text);
    void beginEdit();
    bool step(int direction);
    std::optional<SymbolItem> firstMissingItem() const;

    DataFolder folder_;
    mutable Table symbols_;  // reading a field of the current row needs a non-const table
    Table markets_;
    bool deleteEnabled_ = false;
};

}  // namespace kiruvan
