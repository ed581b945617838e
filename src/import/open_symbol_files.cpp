#include "import/open_symbol_files.h"

#include <algorithm>
#include <system_error>

#include <sys/resource.h>

#include "database/symbol_files.h"

namespace kiruvan {
namespace {

// Bars held in memory by the open files of a run: a market's whole history in a few hundred
// megabytes at most, however many symbols a daily file names.
constexpr std::size_t kMostRowsHeld = 600000;

// As many symbol files kept open as the process's file limit allows with room to spare (a file
// and its journal each), so that a market's file, read day after day, keeps every one of its
// symbols open.
std::size_t mostOpenSymbolFiles()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1000;
    const auto spare = static_cast<std::size_t>(limit.rlim_cur) / 2;
    return std::clamp<std::size_t>(spare > 64 ? (spare - 64) : 0, 16, 5000);
}

bool dayBefore(const std::pair<std::int32_t, DayPlace>& entry, std::int32_t day)
{
    return entry.first < day;
}

}  // namespace

std::optional<DayPlace> DayRows::find(std::int32_t day) const
{
    if (rows_.empty() || rows_.back().first < day)
        return std::nullopt;  // a new day after the last: the usual case
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), day, dayBefore);
    if (at == rows_.end() || at->first != day)
        return std::nullopt;
    return at->second;
}

void DayRows::add(std::int32_t day, DayPlace place)
{
    if (rows_.empty() || rows_.back().first < day) {
        rows_.emplace_back(day, place);
        return;
    }
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), day, dayBefore);
    if (at == rows_.end() || at->first != day)
        rows_.emplace(at, day, place);
}

OpenSymbolFiles::OpenSymbolFiles(FlushFailed flushFailed)
    : flushFailed_(std::move(flushFailed)), mostOpen_(mostOpenSymbolFiles())
{
}

OpenSymbolFiles::~OpenSymbolFiles()
{
    closeAll();
}

SymbolTable* OpenSymbolFiles::open(const std::filesystem::path& file, Handle& handle)
{
    if (handle.table && handle.closings == closings_ && !handle.table->table.changedOnDisk()) {
        handle.table->lastUse = ++uses_;
        return handle.table;
    }
    handle = {open(file), closings_};
    return handle.table;
}

SymbolTable* OpenSymbolFiles::open(const std::filesystem::path& file)
{
    auto it = tables_.find(file.native());
    if (it != tables_.end() && !it->second->table.changedOnDisk()) {
        it->second->lastUse = ++uses_;
        return it->second.get();
    }
    if (it != tables_.end())
        letGo(it);
    std::error_code ec;
    if (!std::filesystem::exists(file, ec))
        return nullptr;
    auto table = load(file);
    table->lastUse = ++uses_;
    SymbolTable* opened = tables_.emplace(file.native(), std::move(table)).first->second.get();
    makeRoom();
    return opened;
}

void OpenSymbolFiles::forget(const std::filesystem::path& file)
{
    if (auto it = tables_.find(file.native()); it != tables_.end())
        letGo(it);
}

void OpenSymbolFiles::closeAll()
{
    while (!tables_.empty())
        letGo(tables_.begin());
}

std::unique_ptr<SymbolTable> OpenSymbolFiles::load(const std::filesystem::path& file)
{
    // The layout check runs on the file actually found, whatever the case of the code.
    Verification_Fichier_Data(file);
    auto st = std::make_unique<SymbolTable>();
    st->file = file;
    st->table.setFullSync(false);
    loadSymbolFile(st->table, file);
    st->writesStraight = hasStandardSymbolLayout(st->table);
    const int dateField = st->table.fieldIndex(kDateField);
    for (int row = 0; dateField >= 0 && row < st->table.recordCount(); ++row) {
        const Value& day = st->table.valueAt(row, dateField);
        if (const Date* date = std::get_if<Date>(&day))
            st->rowOfDay.add(date->dayNumber(), {row + 1, 0});
    }
    return st;
}

// Lets go of the least recently used files beyond the file limit or the memory budget; the
// file just opened is the most recently used and stays.
void OpenSymbolFiles::makeRoom()
{
    auto rowsHeld = [this] {
        std::size_t rows = 0;
        for (const auto& [name, table] : tables_)
            rows += static_cast<std::size_t>(table->table.recordCount());
        return rows;
    };
    while (tables_.size() > 1 && (tables_.size() > mostOpen_ || rowsHeld() > kMostRowsHeld))
        closeLeastRecentlyUsed();
}

void OpenSymbolFiles::closeLeastRecentlyUsed()
{
    auto oldest = tables_.begin();
    for (auto it = tables_.begin(); it != tables_.end(); ++it)
        if (it->second->lastUse < oldest->second->lastUse)
            oldest = it;
    letGo(oldest);
}

// Saves were only handed to the system: the file reaches the disk as it is let go.
void OpenSymbolFiles::letGo(Tables::iterator it)
{
    const std::unique_ptr<SymbolTable> let = std::move(it->second);
    tables_.erase(it);
    ++closings_;
    if (let->writtenFor.empty())
        return;
    try {
        let->table.flush();
    } catch (const TableError& error) {
        if (flushFailed_)
            flushFailed_(let->writtenFor, error.what());
    }
}

}  // namespace kiruvan
