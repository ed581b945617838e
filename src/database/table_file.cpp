#include "database/table_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <utility>

#include "database/joined_writes_vfs.h"
#include "database/table_engine.h"

namespace kiruvan {

using namespace table_engine;

namespace {

// A connection in exclusive mode that will not write keeps no lock: the next access in normal
// mode lets it go.
void releaseEngineLocks(sqlite3* db)
{
    sqlite3_exec(db, "PRAGMA locking_mode = NORMAL; SELECT count(*) FROM kv_meta", nullptr, nullptr, nullptr);
}

}  // namespace

TableFile::TableFile(std::filesystem::path file, sqlite3* db) : path_(std::move(file)), db_(db)
{
}

TableFile::~TableFile()
{
    for (auto& statement : statements_)
        statement.reset();
    if (db_ && !sqlite3_get_autocommit(db_))
        rollback();
    if (heldMode_)
        sqlite3_exec(db_, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
    // Only now: closing a descriptor of the file drops every lock the process holds on it.
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

std::unique_ptr<TableFile> TableFile::open(const std::filesystem::path& file)
{
    std::unique_ptr<TableFile> result(new TableFile(file, nullptr));
    result->descriptor_ = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (result->descriptor_ < 0 && errno == ELOOP)
        throw linkError(file);
    struct stat st {};
    if (result->descriptor_ < 0 || ::fstat(result->descriptor_, &st) != 0 || !S_ISREG(st.st_mode))
        throw TableError("Cannot open file " + fileText(file) + ": the file does not exist.");
    result->device_ = st.st_dev;
    result->inode_ = st.st_ino;
    constexpr int kOptions = SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX;
    const char* vfs = joinedWritesVfs();
    int rc = sqlite3_open_v2(file.c_str(), &result->db_, SQLITE_OPEN_READWRITE | kOptions, vfs);
    if (rc == SQLITE_CANTOPEN || rc == SQLITE_READONLY || rc == SQLITE_PERM) {
        sqlite3_close(result->db_);
        result->db_ = nullptr;
        rc = sqlite3_open_v2(file.c_str(), &result->db_, SQLITE_OPEN_READONLY | kOptions, vfs);
    }
    if (rc != SQLITE_OK)
        throw TableError("Cannot open file " + fileText(file) + ": " + sqlite3_errstr(rc) + ".");
    waitWhenBusy(result->db_);
    return result;
}

Statement& TableFile::cached(CachedStatement which, const std::function<std::string()>& sql)
{
    auto& slot = statements_[static_cast<size_t>(which)];
    if (!slot)
        slot = std::make_unique<Statement>(db_, sql());
    slot->reset();
    return *slot;
}

void TableFile::runCached(CachedStatement which, const char* sql)
{
    Statement& statement = cached(which, [sql] { return std::string(sql); });
    statement.step();
    statement.reset();
}

std::int64_t TableFile::currentDataVersion()
{
    Statement& version = cached(CachedStatement::DataVersion, [] { return "PRAGMA data_version"; });
    const std::int64_t v = version.step() ? sqlite3_column_int64(version.get(), 0) : -1;
    version.reset();
    return v;
}

TableError TableFile::linkError(const std::filesystem::path& file)
{
    return TableError(fileText(file) + " is a link; Kiruvan only uses regular files in its data folder");
}

FileChangedError TableFile::changedError(const std::filesystem::path& file)
{
    return FileChangedError(fileText(file) + " was changed by another program; reload it and try again");
}

bool TableFile::isGone() const
{
    if (lockHeld_)
        return false;
    struct stat st {};
    return ::lstat(path_.c_str(), &st) != 0 && errno == ENOENT;
}

void TableFile::setEventHookForTests(EventHook hook)
{
    eventHook() = std::move(hook);
}

void TableFile::trackCurrentState()
{
    try {
        exec(db_, "BEGIN; SELECT count(*) FROM kv_meta");
        dataVersion_ = currentDataVersion();
        exec(db_, "COMMIT");
    } catch (const std::exception& e) {
        rollback();
        throw TableError("Cannot read file " + fileText(path_) + ": " + e.what() + ".");
    }
}

bool TableFile::unchangedSinceLastAccess()
{
    if (lockHeld_)
        return true;
    if (!isAtPath())
        return false;
    try {
        return currentDataVersion() == dataVersion_;
    } catch (const std::exception&) {
        return false;
    }
}

void TableFile::setFullSync(bool on)
{
    // Without flushes, the file keeps its lock from the first write until it is let go: other
    // connections find it in use meanwhile, and nobody else can change or replace it. Each
    // save then appends its pages to a write-ahead log (one write per page, crash-safe), which
    // goes back into the file when it is flushed or let go.
    // The file is held only from the first write, which waits for its turn among the writers.
    exec(db_, on ? "PRAGMA synchronous = FULL; PRAGMA journal_mode = DELETE; PRAGMA locking_mode = NORMAL"
                 : "PRAGMA synchronous = OFF");
    heldMode_ = !on;
    logPending_ = !on;
    lockHeld_ = false;
}

void TableFile::flush()
{
    if (heldMode_) {
        leaveLog();
        heldMode_ = false;
    }
    struct stat st {};
    if (::lstat(path_.c_str(), &st) != 0 || ::fsync(descriptor_) != 0)
        throw TableError("Cannot flush file " + fileText(path_) + ": " + std::generic_category().message(errno) + ".");
    if (st.st_dev != device_ || st.st_ino != inode_)
        throw TableError(fileText(path_)
                         + " was replaced by another program while it was written; its last changes are not in it");
}

// Writes the log back into the file and removes it; the flush that follows makes it durable.
void TableFile::leaveLog()
{
    try {
        exec(db_, "PRAGMA journal_mode = DELETE");
    } catch (const std::exception& e) {
        throw TableError("Cannot flush file " + fileText(path_) + ": " + e.what() + ".");
    }
}

bool TableFile::isAtPath() const
{
    struct stat st {};
    return ::lstat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

void TableFile::rollback()
{
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

// Kiruvan's writers of a file take turns under this lock before they ask the engine for its
// own: a held file keeps the engine's locks, and two writers that each kept a read lock would
// wait for each other until both gave up. It is the file's own lock, so a file moved over this
// one by another writer is found changed once the turn comes.
void TableFile::lockForWriting()
{
    if (writeLocked_)
        return;
    for (int attempt = 0; ::flock(descriptor_, LOCK_EX | LOCK_NB) != 0; ++attempt) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            throw TableError("Cannot lock file " + fileText(path_) + ": " + std::generic_category().message(errno)
                             + ".");
        if (!waitedAMoment(attempt, path_))
            throw inUseError(path_);
    }
    writeLocked_ = true;
}

// A held file keeps its turn until it is let go.
void TableFile::unlockForWriting()
{
    if (writeLocked_ && !lockHeld_) {
        ::flock(descriptor_, LOCK_UN);
        writeLocked_ = false;
    }
}

// The check that the file is unchanged and the write that follows it sit under one lock, so
// that no other program can commit in between.
void TableFile::beginCheckedWrite()
{
    notify(Event::WriteStarts, path_);
    lockForWriting();
    try {
        if (logPending_)
            startLog();
        try {
            runCached(CachedStatement::Begin, "BEGIN IMMEDIATE");
        } catch (const std::exception& e) {
            throw saveError(path_, db_, e);
        }
        if (!unchangedSinceLastAccess()) {
            rollback();
            throw TableFile::changedError(path_);
        }
    } catch (...) {
        unlockForWriting();
        throw;
    }
}

// Under the writers' turn, the file is checked under the shared lock a read keeps in exclusive
// mode; the switch to the log then takes the lock for writing, and the identity is checked
// once more under it.
void TableFile::startLog()
{
    try {
        exec(db_, "PRAGMA locking_mode = EXCLUSIVE; SELECT count(*) FROM kv_meta");
        const bool unchanged = unchangedSinceLastAccess();
        if (unchanged)
            exec(db_, "PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 100");
        if (!unchanged || !isAtPath())
            throw TableFile::changedError(path_);
    } catch (const FileChangedError&) {
        releaseEngineLocks(db_);
        throw;
    } catch (const std::exception& e) {
        const TableError error = saveError(path_, db_, e);
        releaseEngineLocks(db_);
        throw error;
    }
    dataVersion_ = currentDataVersion();
    logPending_ = false;
}

void TableFile::applyDelta(const std::vector<FieldDef>& fields, const TableDelta& delta)
{
    // Under a lock kept since an earlier save, one changed row is a transaction of its own.
    const bool oneStatement = lockHeld_ && delta.deleted.size() + delta.updated.size() + delta.inserted.size() == 1;
    if (!oneStatement)
        beginCheckedWrite();
    try {
        writeDelta(fields, delta);
        if (!oneStatement)
            runCached(CachedStatement::Commit, "COMMIT");
    } catch (const std::exception& e) {
        const TableError error = saveError(path_, db_, e);
        rollback();
        unlockForWriting();
        throw error;
    }
    if (!lockHeld_) {
        dataVersion_ = currentDataVersion();
        // Checked under the lock just taken; an exclusive connection keeps it until it closes.
        lockHeld_ = heldMode_;
        unlockForWriting();
    }
    notify(Event::Committed, path_);
}

void TableFile::writeDelta(const std::vector<FieldDef>& fields, const TableDelta& delta)
{
    if (!delta.deleted.empty()) {
        Statement& remove = cached(CachedStatement::Delete, [] { return "DELETE FROM kv_rows WHERE _row = ?"; });
        for (std::int64_t key : delta.deleted) {
            sqlite3_bind_int64(remove.get(), 1, key);
            remove.step();
            remove.reset();
        }
    }
    if (!delta.updated.empty()) {
        Statement& update = cached(CachedStatement::Update, [&] { return updateSql(fields); });
        for (const RowToWrite& row : delta.updated) {
            bindRow(update, 1, *row.values);
            sqlite3_bind_int64(update.get(), static_cast<int>(fields.size()) + 1, row.key);
            update.step();
            update.reset();
        }
    }
    if (!delta.inserted.empty()) {
        Statement& insert = cached(CachedStatement::Insert, [&] { return insertSql(fields); });
        for (const RowToWrite& row : delta.inserted) {
            sqlite3_bind_int64(insert.get(), 1, row.key);
            bindRow(insert, 2, *row.values);
            insert.step();
            insert.reset();
        }
    }
}

}  // namespace kiruvan
