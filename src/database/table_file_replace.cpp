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

#include "database/table_engine.h"

namespace kiruvan {

using namespace table_engine;

namespace {

void createSchema(sqlite3* db, const std::vector<FieldDef>& fields, const std::vector<IndexDef>& indexes)
{
    exec(db, "CREATE TABLE kv_meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
             "CREATE TABLE kv_fields(position INTEGER PRIMARY KEY, name TEXT NOT NULL, type TEXT NOT NULL,"
             " size INTEGER NOT NULL);"
             "CREATE TABLE kv_indexes(position INTEGER PRIMARY KEY, name TEXT NOT NULL, fields TEXT NOT NULL,"
             " options INTEGER NOT NULL);");
    // Value columns carry no declared type, so every value keeps the exact form it was bound with.
    exec(db, "CREATE TABLE kv_rows(_row INTEGER PRIMARY KEY" + columnList(fields) + ")");
    exec(db, std::string("INSERT INTO kv_meta VALUES('format', '") + kFormatName + "'), ('version', '" + kFormatVersion
                 + "')");
    Statement addField(db, "INSERT INTO kv_fields VALUES(?, ?, ?, ?)");
    for (size_t i = 0; i < fields.size(); ++i) {
        sqlite3_bind_int(addField.get(), 1, static_cast<int>(i));
        sqlite3_bind_text(addField.get(), 2, fields[i].name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(addField.get(), 3, typeName(fields[i].type), -1, SQLITE_STATIC);
        sqlite3_bind_int(addField.get(), 4, fields[i].size);
        addField.step();
        addField.reset();
    }
    Statement addIndex(db, "INSERT INTO kv_indexes VALUES(?, ?, ?, ?)");
    for (size_t i = 0; i < indexes.size(); ++i) {
        sqlite3_bind_int(addIndex.get(), 1, static_cast<int>(i));
        sqlite3_bind_text(addIndex.get(), 2, indexes[i].name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(addIndex.get(), 3, indexes[i].fields.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(addIndex.get(), 4, indexes[i].options);
        addIndex.step();
        addIndex.reset();
    }
}

// Owns a connection while a file is being written.
struct Connection {
    sqlite3* db = nullptr;
    Connection() = default;
    Connection(Connection&& other) noexcept : db(std::exchange(other.db, nullptr)) {}
    Connection& operator=(Connection&&) = delete;
    ~Connection() { sqlite3_close(db); }
};

void syncPath(const std::filesystem::path& path, int flags)
{
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "cannot open " + path.string());
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    if (rc != 0)
        throw std::system_error(err, std::generic_category(), "cannot flush " + path.string());
}

bool sameFileIdentity(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string uniqueTag()
{
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" + std::to_string(now % 1000000007);
}

// A file of a unique name beside the target, so that saves of several programs never meet in
// one temporary file; removed unless moved into place. Its lock tells a cleaner it is in use.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target)
    {
        for (int attempt = 0; !createdAndHeld(target); ++attempt)
            if (attempt == 100)
                throw std::system_error(errno, std::generic_category(), "cannot create " + path_.string());
    }
    ~TemporaryFile()
    {
        if (!placed_)
            ::unlink(path_.c_str());
        ::close(descriptor_);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

    void sync()
    {
        if (::fsync(descriptor_) != 0)
            throw std::system_error(errno, std::generic_category(), "cannot flush " + path_.string());
    }

    void moveOver(const std::filesystem::path& target)
    {
        std::filesystem::rename(path_, target);
        placed_ = true;
    }

    // False when the target exists: it is kept as it is.
    bool moveToNew(const std::filesystem::path& target)
    {
        if (::renameat2(AT_FDCWD, path_.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return placed_ = true;
        if (errno == EEXIST)
            return false;
        if (errno != EINVAL && errno != ENOSYS)
            throw std::system_error(errno, std::generic_category(), "cannot rename " + path_.string());
        // A file system that cannot refuse an existing name: check, then move.
        std::error_code ec;
        if (std::filesystem::exists(target, ec))
            return false;
        moveOver(target);
        return true;
    }

private:
    // A cleaner may remove the file between its creation and its lock: then try another name.
    bool createdAndHeld(const std::filesystem::path& target)
    {
        if (descriptor_ >= 0)
            ::close(descriptor_);
        path_ = target.parent_path() / ("." + target.filename().string() + "." + uniqueTag() + ".saving");
        descriptor_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (descriptor_ < 0) {
            if (errno != EEXIST)
                throw std::system_error(errno, std::generic_category(), "cannot create " + path_.string());
            return false;
        }
        ::flock(descriptor_, LOCK_EX);
        struct stat held {
        }, named{};
        return ::fstat(descriptor_, &held) == 0 && ::lstat(path_.c_str(), &named) == 0 && sameFileIdentity(held, named);
    }

    std::filesystem::path path_;
    int descriptor_ = -1;
    bool placed_ = false;
};

// Holds the write lock of the file now at `file` while a new file is moved over it, so that a
// save of another program waits and then finds the file replaced. Holds nothing when there is
// no such file, or it is not a table file (which a whole save may replace).
Connection lockCurrentFile(const std::filesystem::path& file)
{
    for (;;) {
        struct stat before {};
        if (::lstat(file.c_str(), &before) != 0)
            return {};
        Connection c;
        if (sqlite3_open_v2(file.c_str(), &c.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX,
                            nullptr)
            != SQLITE_OK)
            return {};
        waitWhenBusy(c.db);
        if (sqlite3_exec(c.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
            if (isBusy(c.db))
                throw inUseError(file);
            return {};
        }
        struct stat after {};
        if (::lstat(file.c_str(), &after) == 0 && sameFileIdentity(before, after))
            return c;
    }
}

void syncDirectoryOf(const std::filesystem::path& file)
{
    syncPath(file.parent_path().empty() ? "." : file.parent_path(), O_RDONLY | O_DIRECTORY);
}

// Writes the table into a new temporary file and moves it to `file`; no lock of its own. The
// temporary's lock keeps Kiruvan's other writers out of the placed file until it is opened
// here, so that no change of theirs can pass for part of this table.
std::unique_ptr<TableFile> writeReplacement(const std::filesystem::path& file, const std::vector<FieldDef>& fields,
                                            const std::vector<IndexDef>& indexes,
                                            const std::vector<const std::vector<Value>*>& rows, WriteMode mode)
{
    TemporaryFile temporary(file);
    {
        Connection c;
        const int rc = sqlite3_open_v2(temporary.path().c_str(), &c.db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK)
            throw std::runtime_error(sqlite3_errstr(rc));
        // A fresh file that replaces the old one only when complete needs no journal of its own.
        exec(c.db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
        createSchema(c.db, fields, indexes);
        Statement insert(c.db, insertSql(fields));
        std::int64_t key = 0;
        for (const std::vector<Value>* row : rows) {
            sqlite3_bind_int64(insert.get(), 1, ++key);
            bindRow(insert, 2, *row);
            insert.step();
            insert.reset();
        }
        exec(c.db, "COMMIT");
    }
    temporary.sync();
    // A journal left by a process that died while changing the old file belongs to that file
    // alone; next to the new file it would be rolled into it.
    std::error_code ec;
    if (mode == WriteMode::Replace || !std::filesystem::exists(file, ec))
        for (const char* companion : {"-journal", "-wal", "-shm"})
            std::filesystem::remove(file.string() + companion, ec);
    if (mode == WriteMode::Replace)
        temporary.moveOver(file);
    else if (!temporary.moveToNew(file))
        return nullptr;
    syncDirectoryOf(file);
    auto placed = TableFile::open(file);
    placed->trackCurrentState();
    return placed;
}

bool endsWith(const std::string& text, std::string_view end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

void removeUnheldTemporary(const std::filesystem::path& file)
{
    const int descriptor = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return;
    if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0)
        ::unlink(file.c_str());
    ::close(descriptor);
}

// Reading rolls a hot journal back, or brings a log's committed changes into the file;
// switching the journal mode to DELETE then removes what no connection is writing with. In
// exclusive mode a log needs no shared-memory file, and a file another program is writing
// stays busy and untouched.
void removeUnusedJournal(const std::filesystem::path& journal, std::string_view suffix)
{
    const std::string table = journal.string().substr(0, journal.string().size() - suffix.size());
    struct stat st {};
    if (::lstat(table.c_str(), &st) != 0) {
        std::error_code ec;
        std::filesystem::remove(journal, ec);
        return;
    }
    Connection c;
    if (!S_ISREG(st.st_mode)
        || sqlite3_open_v2(table.c_str(), &c.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX,
                           nullptr)
               != SQLITE_OK)
        return;
    const char* sql = suffix == "-wal" ? "PRAGMA locking_mode = EXCLUSIVE; SELECT count(*) FROM sqlite_master;"
                                         " PRAGMA journal_mode = DELETE"
                                       : "SELECT count(*) FROM sqlite_master; PRAGMA journal_mode = PERSIST;"
                                         " PRAGMA journal_mode = DELETE";
    sqlite3_exec(c.db, sql, nullptr, nullptr, nullptr);
}

}  // namespace

std::unique_ptr<TableFile> TableFile::replaceWhole(const std::vector<FieldDef>& fields,
                                                   const std::vector<IndexDef>& indexes,
                                                   const std::vector<const std::vector<Value>*>& rows)
{
    beginCheckedWrite();
    std::unique_ptr<TableFile> placed;
    try {
        placed = writeReplacement(path_, fields, indexes, rows, WriteMode::Replace);
    } catch (const std::exception& e) {
        rollback();
        unlockForWriting();
        throw TableError("Cannot save file " + fileText(path_) + ": " + e.what() + ".");
    }
    rollback();
    // The path holds a new file now, with no journal or log of this connection beside it.
    heldMode_ = false;
    lockHeld_ = false;
    unlockForWriting();
    notify(Event::Committed, path_);
    return placed;
}

void TableFile::removeLeftovers(const std::filesystem::path& folder)
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.front() == '.' && endsWith(name, ".saving"))
            removeUnheldTemporary(entry.path());
        else if (endsWith(name, ".cds-journal"))
            removeUnusedJournal(entry.path(), "-journal");
        else if (endsWith(name, ".cds-wal"))
            removeUnusedJournal(entry.path(), "-wal");
    }
}

std::unique_ptr<TableFile> TableFile::writeWhole(const std::filesystem::path& file, const std::vector<FieldDef>& fields,
                                                 const std::vector<IndexDef>& indexes,
                                                 const std::vector<const std::vector<Value>*>& rows, WriteMode mode)
{
    if (isLink(file))
        throw linkError(file);
    const Connection lock = mode == WriteMode::Replace ? lockCurrentFile(file) : Connection{};
    try {
        return writeReplacement(file, fields, indexes, rows, mode);
    } catch (const TableError&) {
        throw;
    } catch (const std::exception& e) {
        throw TableError("Cannot save file " + fileText(file) + ": " + e.what() + ".");
    }
}

}  // namespace kiruvan
