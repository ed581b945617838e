#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "database/table.h"

namespace kiruvan {

// Where a day's row is: a row of the table in memory (1-based), or only in the file, by key.
struct DayPlace {
    int row = 0;
    std::int64_t key = 0;
};

// The place of each day a file holds (the first row of a day), sorted by day: days mostly
// come in order, so a new day is usually added at the end.
class DayRows {
public:
    std::optional<DayPlace> find(std::int32_t day) const;
    void add(std::int32_t day, DayPlace place);  // keeps the place already known for the day

private:
    std::vector<std::pair<std::int32_t, DayPlace>> rows_;
};

// A symbol file loaded for an import run, with the row of each day it holds.
struct SymbolTable {
    std::filesystem::path file;
    Table table;
    DayRows rowOfDay;
    // New days of a file in the standard layout go straight to the file, not into the table.
    bool writesStraight = false;
    std::vector<Value> row;  // the row being written straight, kept from line to line
    std::uint64_t lastUse = 0;
    std::string writtenFor;  // the symbol of the first bar written; empty while none is
};

using FlushFailed = std::function<void(const std::string& symbol, const std::string& error)>;

// The symbol files of a run. A file is checked and loaded when a line first needs it, then
// kept open while nothing else changes it, so that each line costs one row write, not a
// whole load and save. Each line's save is complete in the file before the next line, and
// survives the process dying; waiting for the disk at every line would make a bulk import
// crawl, so each file is flushed to the disk once, when it is let go. From its first write a
// file stays locked until it is let go, so its identity is checked then, not at every line.
// As many files stay open as the process's file limit and a memory budget allow.
class OpenSymbolFiles {
public:
    // A file that cannot be flushed when it is let go is reported, with the symbol that wrote it
    // and the reason.
    explicit OpenSymbolFiles(FlushFailed flushFailed);
    ~OpenSymbolFiles();
    OpenSymbolFiles(const OpenSymbolFiles&) = delete;
    OpenSymbolFiles& operator=(const OpenSymbolFiles&) = delete;

    // What a caller keeps of an opened file to find it again without a search, while no file
    // has been let go since.
    struct Handle {
        SymbolTable* table = nullptr;
        std::uint64_t closings = 0;
    };

    // The table of a symbol file, loaded again when the file changed since; nullptr when the
    // file is gone. `handle` remembers it for the next call.
    SymbolTable* open(const std::filesystem::path& file, Handle& handle);
    void forget(const std::filesystem::path& file);
    void closeAll();

private:
    using Tables = std::unordered_map<std::string, std::unique_ptr<SymbolTable>>;

    SymbolTable* open(const std::filesystem::path& file);
    std::unique_ptr<SymbolTable> load(const std::filesystem::path& file);
    void makeRoom();
    void closeLeastRecentlyUsed();
    void letGo(Tables::iterator it);

    Tables tables_;
    FlushFailed flushFailed_;
    std::uint64_t uses_ = 0;
    std::uint64_t closings_ = 0;
    std::size_t mostOpen_;
};

}  // namespace kiruvan
