#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/calendar_date.h"

namespace kiruvan {

enum class FieldType { String, Integer, Float, Date };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::String;
    int size = 0;  // characters, for strings only
    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

enum IndexOption : unsigned {
    ixPrimary = 1u << 0,
    ixUnique = 1u << 1,
    ixDescending = 1u << 2,
    ixCaseInsensitive = 1u << 3,
};

struct IndexDef {
    std::string name;
    std::string fields;  // field names separated by ";"
    unsigned options = 0;
    friend bool operator==(const IndexDef&, const IndexDef&) = default;
};

// A field value; std::monostate is null.
using Value = std::variant<std::monostate, std::string, std::int32_t, double, Date>;

// Every failure of the table store: a message a user can read (which file, which value).
class TableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A save refused because another program changed the file since it was read: reading the file
// again and applying the same change to it may well succeed.
class FileChangedError : public TableError {
public:
    using TableError::TableError;
};

// Runs `attempt` until it succeeds, again while it fails with FileChangedError, at most a few
// times: each attempt must read the file anew and apply its own change to what it finds. The
// last FileChangedError is rethrown.
void retryWhileChanged(const std::function<void()>& attempt);

// Whether a whole save may replace a file that exists.
enum class WriteMode { Replace, CreateNew };

enum class TableState { Inactive, Browse, Edit, Insert };

// What changed, for grids and bound edits.
enum class TableChange { Reset, RowValues, Current };

class Table;
class TableFile;

// Read and write access to one field of the current row.
class FieldRef {
public:
    FieldRef(Table& table, int index) : table_(&table), index_(index) {}

    const FieldDef& def() const;
    int index() const { return index_; }
    bool isNull() const;
    const Value& value() const;
    std::string asString() const;  // null reads "", floats in the general format, dates "dd/mm/yyyy"
    double asFloat() const;        // null reads 0
    std::int32_t asInteger() const;
    Date asDate() const;  // null reads day 0

    // Writes need the row in edit or insert state. Text is converted with the program's own
    // number and date readers; the empty text writes null; unreadable text throws TableError.
    void setValue(const Value& value);
    void setAsString(std::string_view text);
    void setAsFloat(double value);
    void setAsInteger(std::int32_t value);
    void setAsDate(Date value);
    void clear();

private:
    Table* table_;
    int index_;
};

// The position of the field of that name in the list, ignoring case; -1 when absent.
int fieldPosition(const std::vector<FieldDef>& fields, std::string_view name);

// An in-memory table with typed fields, a cursor, equality filters, sort orders, row editing
// and events, loaded whole from a table file and saved to one (see table_file.h for the format).
class Table {
public:
    Table();
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Definitions. They can change only while the table is closed.
    void addField(std::string name, FieldType type, int size = 0);
    void addIndex(std::string name, std::string fields, unsigned options);
    void clearDefinitions();
    void copyFieldDefinitions(const Table& other);  // index definitions are not copied
    const std::vector<FieldDef>& fields() const { return fields_; }
    const std::vector<IndexDef>& indexes() const { return indexes_; }
    int fieldCount() const { return static_cast<int>(fields_.size()); }
    int fieldIndex(std::string_view name) const;  // case-insensitive; -1 when absent

    // Life cycle.
    void create();  // an empty open table from the definitions; throws when already open
    // A value the program would not have written refuses the load (TableError naming the file,
    // the row and the field). With `problems`, each such value is noted there instead ("row N,
    // field F: what is wrong") and read as null, so that a check sees the whole file.
    void loadFromFile(const std::filesystem::path& file, std::vector<std::string>* problems = nullptr);
    void setFileName(std::filesystem::path file) { fileName_ = std::move(file); }
    const std::filesystem::path& fileName() const { return fileName_; }
    void open();  // loads fileName()
    // Posts a pending row first. A save over the file the table was loaded from is refused
    // (TableError) when another program changed that file since; the table keeps its rows.
    void saveToFile(const std::filesystem::path& file);
    // Saves to a file that must not exist yet: false, writing nothing, when it does.
    bool saveToNewFile(const std::filesystem::path& file);
    // Writes one row, its values in field order, straight to the file the table was loaded
    // from without keeping it in memory: for a bulk writer holding the file. A key of 0 adds a
    // row with the next key; returns the row's key. Refused like a save.
    std::int64_t writeRowToFile(const std::vector<Value>& values, std::int64_t key);
    // Writes `source`'s definitions and rows over the file this table was loaded from, checked
    // and written under the file's lock: refused (TableError) when another program changed the
    // file since. This table keeps its rows and lets go of the file.
    void replaceLoadedFile(const Table& source);
    void close();
    bool isOpen() const { return state_ != TableState::Inactive; }
    TableState state() const { return state_; }
    bool isEditing() const { return state_ == TableState::Edit || state_ == TableState::Insert; }

    // Filter: "field = 12 and other = 'it''s'"; a quoted text against a date field is a date.
    // Throws TableError quoting the expression when it cannot be read.
    void setFilter(std::string expression);
    const std::string& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // Sort order: "a;b", ascending, stable; empty means file order.
    void setSortOrder(std::string fieldList);
    const std::string& sortOrder() const { return sortText_; }

    // Cursor over the visible rows (filtered, sorted).
    void first();
    void last();
    void next();
    void prior();
    void moveBy(int n);
    void moveTo(int recNo);  // 1-based, clipped
    int recNo() const;       // 1-based; 0 when there is no current row
    int recordCount() const;
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return recordCount() == 0; }

    // Row editing.
    void append();
    void edit();
    void post();
    void cancel();
    void remove();  // the following row becomes current

    // Field access on the current row (the row being inserted while in insert state).
    FieldRef field(std::string_view name);  // throws TableError when absent
    FieldRef field(int index);
    FieldRef operator[](std::string_view name) { return field(name); }

    // Direct access to visible rows, for grids (0-based visible row).
    const Value& valueAt(int row, int fieldIndex) const;
    std::string textAt(int row, int fieldIndex) const;

    // Display updates: notifications to listeners are held back while suspended, and one
    // Reset is sent when the last resume comes.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return suspended_ > 0; }

    // Events the dialogs attach handlers to.
    std::function<void(Table&)> afterOpen, afterInsert, afterEdit, beforeScroll, afterScroll;

    // Listeners for bound views. The returned id unsubscribes.
    using Listener = std::function<void(TableChange, int row)>;
    int subscribe(Listener listener);
    void unsubscribe(int id);

    // Where "today" comes from for dates read from text (a short form takes today's year). A
    // table reads no date from text without one, so that no result depends on the machine's
    // calendar unasked; the clock must outlive the table.
    void setClock(const Clock& clock) { clock_ = &clock; }

    // Flush every save to stable storage (the default), or only hand it to the operating system:
    // still all-or-nothing if the process dies, much faster for many small saves in a row.
    void setFullSync(bool on);

    // Waits until the file the table was loaded from or saved to is on stable storage, for
    // saves made without full sync. Throws TableError naming the file and the reason.
    void flush();

    // True when that file was changed or replaced by someone else since the table's last load
    // or save, or is gone; always true for a table without a file.
    bool changedOnDisk();

private:
    friend class FieldRef;
    struct Impl;

    void requireOpen(const char* what) const;
    void requireClosed(const char* what) const;
    void requireEditing(const char* what) const;
    void checkBrowseMode();
    void scroll(int viewPos, bool atEndAttempt, bool atStartAttempt);
    void moveToPosition(long target, bool flagClipping);
    void rebuildView(std::int64_t keepRowId, int fallbackPos);
    void notify(TableChange change, int row);
    void fire(const std::function<void(Table&)>& handler);
    void adoptFile(std::unique_ptr<TableFile> file);
    bool save(const std::filesystem::path& file, WriteMode mode);
    void saveChangedRows();

    std::vector<FieldDef> fields_;
    std::vector<IndexDef> indexes_;
    std::filesystem::path fileName_;
    std::unique_ptr<Impl> d_;
    std::string filterText_;
    std::string sortText_;
    bool filtered_ = false;
    TableState state_ = TableState::Inactive;
    bool eof_ = true;
    bool bof_ = true;
    int suspended_ = 0;
    const Clock* clock_ = nullptr;
};

}  // namespace kiruvan
