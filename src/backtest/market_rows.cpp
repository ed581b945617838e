#include "backtest/market_rows.h"

#include <utility>

#include "database/program_tables.h"
#include "database/table_filter.h"

namespace kiruvan {

MarketRows::MarketRows(std::filesystem::path file, std::function<void(Table&)> defineFields)
    : file_(std::move(file)), defineFields_(std::move(defineFields))
{
}

void MarketRows::start(std::int32_t marketId)
{
    marketId_ = marketId;
    codesGiven_.clear();
    savedAny_ = false;
    load();
}

void MarketRows::load()
{
    auto loaded = std::make_unique<Table>();
    if (defineFields_ && !std::filesystem::exists(file_)) {
        defineFields_(*loaded);
        loaded->create();
    } else {
        loaded->loadFromFile(file_);
    }
    loaded->setFilter(fieldIs(kResultMarketField, marketId_));
    loaded->setFiltered(true);
    table_ = std::move(loaded);
}

void MarketRows::replace(const std::string& code, const std::function<void(Table&)>& setFields)
{
    codesGiven_.insert(code);
    bool firstAttempt = true;
    retryWhileChanged([&] {
        if (!std::exchange(firstAttempt, false))
            load();
        replaceInMemoryAndSave(code, setFields);
    });
    savedAny_ = true;
}

void MarketRows::replaceInMemoryAndSave(const std::string& code, const std::function<void(Table&)>& setFields)
{
    Table& table = *table_;
    const std::vector<StoredRow> oldRows = takeRowsOf(code);
    try {
        table.append();
        setFields(table);
        table.post();
        table.saveToFile(file_);
    } catch (...) {
        try {
            withdrawLastRow();
            for (const StoredRow& old : oldRows) {
                table.append();
                for (int f = 0; f < table.fieldCount(); ++f)
                    FieldRef(table, f).setValue(old[static_cast<std::size_t>(f)]);
                table.post();
            }
        } catch (...) {
            // The first failure is the one worth reporting.
        }
        throw;
    }
}

void MarketRows::removeRowsNotReplaced()
{
    if (!savedAny_)
        return;
    bool firstAttempt = true;
    retryWhileChanged([&] {
        if (!std::exchange(firstAttempt, false))
            load();
        Table& table = *table_;
        bool removed = false;
        for (int row = table.recordCount(); row >= 1; --row) {
            table.moveTo(row);
            if (!codesGiven_.contains(table.field(kResultSymbolField).asString())) {
                table.remove();
                removed = true;
            }
        }
        // Nothing to take out of a file nobody changed since: no write. A changed file is
        // refused by the save, and the retry reads the other program's rows first.
        if (removed || table.changedOnDisk())
            table.saveToFile(file_);
    });
}

// The market's rows of the symbol, taken out of memory with every field's value.
std::vector<MarketRows::StoredRow> MarketRows::takeRowsOf(const std::string& code)
{
    std::vector<StoredRow> taken;
    Table& table = *table_;
    for (int row = table.recordCount(); row >= 1; --row) {
        table.moveTo(row);
        if (table.field(kResultSymbolField).asString() != code)
            continue;
        StoredRow& values = taken.emplace_back();
        for (int f = 0; f < table.fieldCount(); ++f)
            values.push_back(FieldRef(table, f).value());
        table.remove();
    }
    return taken;
}

// Without a sort order a posted row is the last one the market's filter shows.
void MarketRows::withdrawLastRow()
{
    Table& table = *table_;
    if (!table.isOpen())
        return;
    if (table.isEditing()) {
        table.cancel();
        return;
    }
    table.last();
    if (!table.isEmpty())
        table.remove();
}

}  // namespace kiruvan
