#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/table.h"

struct sqlite3;

namespace kiruvan {

class Statement;

// One row as the file holds it: its key in the file and its values in field order.
struct StoredRow {
    std::int64_t key = 0;
    std::vector<Value> values;
};

struct TableContents {
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    std::vector<StoredRow> rows;  // file order
};

// What a read refuses beyond the types and sizes the file's field list declares. Without a place
// for the problems, the first one refuses the read; with one, each goes there ("row N, field F:
// what is wrong", rows counted from 1 in file order) and the read goes on.
struct ReadRules {
    std::span<const std::string_view> requiredFields;  // null or empty in no row
    std::vector<std::string>* problems = nullptr;
    bool withoutRows = false;  // the field and index lists alone
};

// The changes of a delta save: keys to delete, rows to rewrite in place, rows to add.
// A row to write, by reference: the table keeps the values.
struct RowToWrite {
    std::int64_t key = 0;
    const std::vector<Value>* values = nullptr;
};

struct TableDelta {
    std::vector<std::int64_t> deleted;
    std::vector<RowToWrite> updated;
    std::vector<RowToWrite> inserted;
};

// The file engine under the table store: a table file is a SQLite database holding the field
// list, the index definitions and the rows. An open TableFile keeps its connection so that a
// later save over the same, unchanged file writes only what changed.
//
// Several programs may write one folder: every save holds the file's write lock (waiting some
// seconds for another program) across the check that the file is unchanged and the write, and
// a save over a file changed since it was read is refused, never merged.
class TableFile {
public:
    // The moments at which a test may let another writer in, to reproduce a race exactly: a
    // read has ended, a save is about to take the file's lock, a save or a read waits for
    // another program, a save has committed.
    enum class Event { ReadDone, WriteStarts, Waiting, Committed };
    using EventHook = std::function<void(Event, const std::filesystem::path&)>;
    // Called at every event of every table file of the process; empty, the default, calls nothing.
    static void setEventHookForTests(EventHook hook);

    // Opens an existing table file without following links; throws TableError naming the file
    // when it is missing, a link, not a table file or damaged. Never writes to the file.
    static std::unique_ptr<TableFile> open(const std::filesystem::path& file);
    ~TableFile();
    TableFile(const TableFile&) = delete;
    TableFile& operator=(const TableFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Every value must have its field's type, numbers must be finite, texts valid UTF-8 within
    // the field's size: otherwise TableError names the file, the row and the field.
    TableContents readAll(const ReadRules& rules = {});

    // Takes each row of a read as soon as it is checked, in file order: its key and its
    // values in field order, which the receiver may move from.
    using RowReceiver =
        std::function<void(const std::vector<FieldDef>& fields, std::int64_t key, std::vector<Value>& values)>;
    // readAll handing the rows to `receive` instead of keeping them: the contents returned
    // have the field and index lists and no rows.
    TableContents readRows(const ReadRules& rules, const RowReceiver& receive);

    // Remembers the file's version as it is now, read in a transaction of its own.
    void trackCurrentState();

    // True when the file at path() is still the one this connection read or wrote last, and
    // nobody else has committed to it since.
    bool unchangedSinceLastAccess();

    // What the engine's own integrity check finds wrong in the file; empty when it is sound.
    std::vector<std::string> integrityProblems();

    // True when nothing is at path() any more.
    bool isGone() const;

    static FileChangedError changedError(const std::filesystem::path& file);
    static TableError linkError(const std::filesystem::path& file);

    // Waits until the file's contents are on stable storage; throws TableError naming the
    // file and the reason.
    void flush();

    // Applies the changes in one transaction: all of them or none. Throws TableError when the
    // file changed since it was last read or written, or stays in use by another program.
    void applyDelta(const std::vector<FieldDef>& fields, const TableDelta& delta);

    // Writes a whole table over this same file under its lock, refused like applyDelta, and
    // returns the new file, opened before any other program could write it. This connection
    // reads the replaced file afterwards: let it go.
    std::unique_ptr<TableFile> replaceWhole(const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes,
                                            const std::vector<const std::vector<Value>*>& rows);

    // Flush to stable storage on every commit (the default), or only hand the data to the
    // operating system: still all-or-nothing if the process dies, not after a power cut.
    void setFullSync(bool on);

    // Writes a whole table as a new file and moves it over `file` in one step, so that the
    // previous file stays whole until the new one is complete. Row keys are 1..n in order.
    // Returns the new file, opened before any other program could write it; with CreateNew,
    // returns nullptr and writes nothing when `file` exists.
    static std::unique_ptr<TableFile> writeWhole(const std::filesystem::path& file, const std::vector<FieldDef>& fields,
                                                 const std::vector<IndexDef>& indexes,
                                                 const std::vector<const std::vector<Value>*>& rows,
                                                 WriteMode mode = WriteMode::Replace);

    // Removes what saves left behind in `folder` when their process died: temporary files that
    // no save holds, and the journals of table files that nobody is writing (rolled back first
    // when they still hold a change). Never waits for another program.
    static void removeLeftovers(const std::filesystem::path& folder);

private:
    enum class CachedStatement { DataVersion, Begin, Commit, Delete, Update, Insert, Count };

    TableFile(std::filesystem::path file, sqlite3* db);
    Statement& cached(CachedStatement which, const std::function<std::string()>& sql);
    std::int64_t currentDataVersion();
    void runCached(CachedStatement which, const char* sql);
    void beginCheckedWrite();
    void lockForWriting();
    void unlockForWriting();
    void startLog();
    void leaveLog();
    bool isAtPath() const;  // the file at path() is still the one this connection reads
    void writeDelta(const std::vector<FieldDef>& fields, const TableDelta& delta);
    void rollback();

    std::filesystem::path path_;
    sqlite3* db_;
    int descriptor_ = -1;  // our own, for flushes and identity: closing it never drops the engine's locks
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    std::int64_t dataVersion_ = -1;
    bool heldMode_ = false;    // saves without flushes, through a log, the file held until let go
    bool logPending_ = false;  // the write-ahead log starts with the first write
    // Another Kiruvan program can neither commit to nor replace the file while this is set.
    bool lockHeld_ = false;
    bool writeLocked_ = false;  // this connection's turn among Kiruvan's writers of the file
    std::array<std::unique_ptr<Statement>, static_cast<size_t>(CachedStatement::Count)> statements_;
};

}  // namespace kiruvan
