// The rows, view and cursor state behind a Table, shared by the files that implement it.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "database/table.h"
#include "database/table_file.h"

namespace kiruvan {

inline const Value kNullValue;

struct Table::Impl {
    struct Row {
        std::vector<Value> values;
        std::int64_t key = 0;  // row key in the file; 0 while only in memory
        std::int64_t id = 0;   // identity in memory, to keep the cursor across re-sorts
        bool modified = false;
    };
    struct Test {
        int field;
        Value value;
    };

    std::vector<Row> rows;  // file order
    std::vector<int> view;  // visible rows in cursor order
    int pos = -1;
    std::vector<Value> buffer;  // the row being edited or inserted
    std::vector<std::int64_t> deletedKeys;
    std::vector<size_t> dirty;  // rows posted since the last save, in posting order
    TableDelta delta;
    std::int64_t nextKey = 1;
    std::int64_t nextId = 1;
    std::vector<Test> tests;
    std::vector<int> sortFields;
    std::map<int, Listener> listeners;
    int nextListener = 1;
    bool pendingNotify = false;
    std::unique_ptr<TableFile> file;
    std::vector<FieldDef> fileFields;
    std::vector<IndexDef> fileIndexes;
    bool fullSync = true;

    // Every row's values, in file order, for a whole write.
    std::vector<const std::vector<Value>*> rowValues() const
    {
        std::vector<const std::vector<Value>*> values;
        values.reserve(rows.size());
        for (const Row& row : rows)
            values.push_back(&row.values);
        return values;
    }

    // The connection to the file the table was loaded from, for a save that needs it.
    TableFile& loadedFile() const
    {
        if (!file)
            throw TableError("Cannot save the table: it was not loaded from a file.");
        return *file;
    }

    void markDirty(size_t index)
    {
        if (!rows[index].modified) {
            rows[index].modified = true;
            dirty.push_back(index);
        }
    }
    // The row at `index` goes away: later rows move one place up.
    void forgetDirty(size_t index)
    {
        std::erase(dirty, index);
        for (size_t& i : dirty)
            if (i > index)
                --i;
    }

    Row& current() { return rows[static_cast<size_t>(view[static_cast<size_t>(pos)])]; }
    bool hasCurrent() const { return pos >= 0 && pos < static_cast<int>(view.size()); }

    bool visible(const Row& row) const
    {
        return std::all_of(tests.begin(), tests.end(), [&](const Test& t) {
            const Value& v = row.values[static_cast<size_t>(t.field)];
            return !std::holds_alternative<std::monostate>(v) && v == t.value;
        });
    }
    bool sortedBefore(int a, int b) const
    {
        for (int f : sortFields) {
            const Value& x = rows[static_cast<size_t>(a)].values[static_cast<size_t>(f)];
            const Value& y = rows[static_cast<size_t>(b)].values[static_cast<size_t>(f)];
            if (x < y)
                return true;
            if (y < x)
                return false;
        }
        return false;
    }
};

}  // namespace kiruvan
