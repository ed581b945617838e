#include "database/table_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "base/ascii_text.h"
#include "database/field_text.h"
#include "database/joined_writes_vfs.h"

namespace kiruvan {
namespace {

constexpr const char* kFormatName = "kiruvan-table";
constexpr const char* kFormatVersion = "1";

std::string quoteIdentifier(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

const char* typeName(FieldType type)
{
    switch (type) {
    case FieldType::String:
        return "string";
    case FieldType::Integer:
        return "integer";
    case FieldType::Float:
        return "float";
    case FieldType::Date:
        return "date";
    }
    return "string";
}

std::optional<FieldType> typeFromName(const std::string& name)
{
    for (FieldType t : {FieldType::String, FieldType::Integer, FieldType::Float, FieldType::Date})
        if (name == typeName(t))
            return t;
    return std::nullopt;
}

// How long a read or a save waits for another program's write to end before giving up, in
// steps short enough that the wait ends soon after the other program lets go.
constexpr int kBusyWaitMilliseconds = 8000;
constexpr int kWaitStepMilliseconds = 2;

TableFile::EventHook& eventHook()
{
    static TableFile::EventHook hook;
    return hook;
}

void notify(TableFile::Event event, const std::filesystem::path& file)
{
    if (eventHook())
        eventHook()(event, file);
}

// One step of the wait for another program to let go of a file: false once the wait is over.
bool waitedAMoment(int attempt, const std::filesystem::path& file)
{
    if (attempt >= kBusyWaitMilliseconds / kWaitStepMilliseconds)
        return false;
    notify(TableFile::Event::Waiting, file);
    std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMilliseconds));
    return true;
}

int waitWhileBusy(void* db, int attempt)
{
    const char* name = sqlite3_db_filename(static_cast<sqlite3*>(db), "main");
    return waitedAMoment(attempt, name ? name : "") ? 1 : 0;
}

void waitWhenBusy(sqlite3* db)
{
    sqlite3_busy_handler(db, waitWhileBusy, db);
}

// The engine's reason for its last failure: the system's own where a system call failed (a
// full disk, a refused permission), never the engine's "not an error" of a later success.
std::string engineReason(sqlite3* db)
{
    const int code = sqlite3_errcode(db) & 0xff;
    int systemError = sqlite3_system_errno(db);
    if (systemError == 0)  // the system's error of the last failed call on the file itself
        sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &systemError);
    const bool systemCall = code == SQLITE_IOERR || code == SQLITE_FULL || code == SQLITE_CANTOPEN
                            || code == SQLITE_READONLY || code == SQLITE_PERM;
    if (systemCall && systemError != 0)
        return std::generic_category().message(systemError);
    if (code == SQLITE_FULL)  // the engine keeps no system error for a full disk
        return std::generic_category().message(ENOSPC);
    if (code == SQLITE_OK)
        return "the file engine failed without a reason";
    return sqlite3_errmsg(db);
}

std::string fileText(const std::filesystem::path& file)
{
    return "\"" + escapedControls(file.string()) + "\"";
}

TableError inUseError(const std::filesystem::path& file)
{
    return TableError(fileText(file) + " is in use by another program");
}

bool isLink(const std::filesystem::path& file)
{
    struct stat st {};
    return ::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool isBusy(sqlite3* db)
{
    return (sqlite3_errcode(db) & 0xff) == SQLITE_BUSY;
}

}  // namespace

// Owns a prepared statement.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            throw std::runtime_error(engineReason(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    bool step()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw std::runtime_error(engineReason(db_));
    }
    void reset()
    {
        // Bindings stay: every use binds all parameters again, and text is bound as a copy.
        sqlite3_reset(stmt_);
    }
    std::string text(int column) const
    {
        const auto* p = sqlite3_column_text(stmt_, column);
        return p ? std::string(reinterpret_cast<const char*>(p),
                               static_cast<size_t>(sqlite3_column_bytes(stmt_, column)))
                 : std::string();
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

namespace {

void exec(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        sqlite3_free(message);
        throw std::runtime_error(engineReason(db));
    }
}

void bindValue(sqlite3_stmt* stmt, int position, const Value& value)
{
    struct Binder {
        sqlite3_stmt* s;
        int i;
        void operator()(std::monostate) const { sqlite3_bind_null(s, i); }
        void operator()(const std::string& v) const
        {
            sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        }
        void operator()(std::int32_t v) const { sqlite3_bind_int(s, i, v); }
        void operator()(double v) const { sqlite3_bind_double(s, i, v); }
        void operator()(Date v) const
        {
            const std::string text = v.toIsoText();
            sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        }
    };
    std::visit(Binder{stmt, position}, value);
}

// A value the program would never have written: the message names the row and the field.
class RefusedValue : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

const char* wantedKind(FieldType type)
{
    switch (type) {
    case FieldType::String:
        return "text";
    case FieldType::Integer:
        return "an integer";
    case FieldType::Float:
        return "a number";
    case FieldType::Date:
        return "a date";
    }
    return "";
}

// What the column holds, for a message: the engine's own type and a short form of the value.
std::string storedForm(const Statement& stmt, int column, int storedType)
{
    sqlite3_stmt* s = stmt.get();
    switch (storedType) {
    case SQLITE_INTEGER:
        return "the integer " + std::to_string(sqlite3_column_int64(s, column));
    case SQLITE_FLOAT: {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", sqlite3_column_double(s, column));
        return std::string("the number ") + text;
    }
    case SQLITE_TEXT:
        return "the text " + quotedText(truncateCharacters(stmt.text(column), 20));
    default:
        return "binary data";
    }
}

std::optional<std::string> textProblem(const std::string& text, const FieldDef& field, bool required)
{
    if (!isValidUtf8(text))
        return std::string("holds text that is not valid UTF-8");
    if (field.size > 0 && characterCount(text) > static_cast<std::size_t>(field.size))
        return "holds " + std::to_string(characterCount(text)) + " characters, more than the field's "
               + std::to_string(field.size);
    if (required && text.empty())
        return std::string("is empty");
    return std::nullopt;
}

// Reads the value of a column into `value`, or says why the program cannot have written it.
// The engine's type is taken before any read: reading converts it.
std::optional<std::string> readStoredValue(const Statement& stmt, int column, const FieldDef& field, bool required,
                                           Value& value)
{
    sqlite3_stmt* s = stmt.get();
    const int stored = sqlite3_column_type(s, column);
    value = std::monostate{};
    if (stored == SQLITE_NULL)
        return required ? std::optional<std::string>("is empty") : std::nullopt;
    // Whole numbers in a float field are exact as doubles up to 2^53, and other tools store them so.
    const bool fits = stored == SQLITE_TEXT      ? field.type == FieldType::String || field.type == FieldType::Date
                      : stored == SQLITE_INTEGER ? field.type == FieldType::Integer || field.type == FieldType::Float
                                                 : stored == SQLITE_FLOAT && field.type == FieldType::Float;
    if (!fits)
        return "holds " + storedForm(stmt, column, stored) + ", not " + wantedKind(field.type);
    switch (field.type) {
    case FieldType::String: {
        std::string text = stmt.text(column);
        if (auto problem = textProblem(text, field, required))
            return problem;
        value = std::move(text);
        return std::nullopt;
    }
    case FieldType::Integer: {
        const sqlite3_int64 v = sqlite3_column_int64(s, column);
        if (v < INT32_MIN || v > INT32_MAX)
            return "holds " + std::to_string(v) + ", outside the range of an integer field";
        value = static_cast<std::int32_t>(v);
        return std::nullopt;
    }
    case FieldType::Float: {
        const double v = sqlite3_column_double(s, column);
        if (!std::isfinite(v))
            return std::string("not a finite number");
        value = v;
        return std::nullopt;
    }
    case FieldType::Date:
        if (auto d = Date::fromIsoText(stmt.text(column))) {
            value = *d;
            return std::nullopt;
        }
        return "holds " + storedForm(stmt, column, stored) + ", not a date";
    }
    return std::nullopt;
}

// Refuses the read with the problem, or notes it and lets the read go on.
void reportProblem(const ReadRules& rules, std::string problem)
{
    if (!rules.problems)
        throw RefusedValue(problem);
    rules.problems->push_back(std::move(problem));
}

// Every column of the rows is in the field list: a field taken out of the list alone would
// leave its values unread and dropped by the next whole save.
void refuseUnlistedColumns(sqlite3* db, const std::vector<FieldDef>& fields, const ReadRules& rules)
{
    Statement columns(db, "SELECT name FROM pragma_table_info('kv_rows') WHERE name <> '_row'");
    while (columns.step()) {
        const std::string name = columns.text(0);
        if (std::none_of(fields.begin(), fields.end(), [&](const FieldDef& f) { return f.name == name; }))
            reportProblem(rules, "the field list lacks the stored column " + escapedControls(name));
    }
}

// Which fields the rules require, by position; a required field the file lacks is a problem.
std::vector<bool> requiredPositions(const std::vector<FieldDef>& fields, const ReadRules& rules)
{
    std::vector<bool> required(fields.size(), false);
    for (std::string_view name : rules.requiredFields) {
        const auto found =
            std::find_if(fields.begin(), fields.end(), [&](const FieldDef& f) { return f.name == name; });
        if (found == fields.end())
            reportProblem(rules, "the field list lacks the field " + std::string(name));
        else
            required[static_cast<std::size_t>(found - fields.begin())] = true;
    }
    return required;
}

std::string columnList(const std::vector<FieldDef>& fields)
{
    std::string out;
    for (const FieldDef& f : fields)
        out += ", " + quoteIdentifier(f.name);
    return out;
}

std::string insertSql(const std::vector<FieldDef>& fields)
{
    std::string sql = "INSERT INTO kv_rows(_row" + columnList(fields) + ") VALUES(?";
    for (size_t i = 0; i < fields.size(); ++i)
        sql += ", ?";
    return sql + ")";
}

std::string updateSql(const std::vector<FieldDef>& fields)
{
    std::string sql = "UPDATE kv_rows SET ";
    for (size_t i = 0; i < fields.size(); ++i)
        sql += (i ? ", " : "") + quoteIdentifier(fields[i].name) + " = ?";
    return sql + " WHERE _row = ?";
}

void bindRow(Statement& stmt, int first, const std::vector<Value>& values)
{
    for (size_t i = 0; i < values.size(); ++i)
        bindValue(stmt.get(), first + static_cast<int>(i), values[i]);
}

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

// A connection in exclusive mode that will not write keeps no lock: the next access in normal
// mode lets it go.
void releaseEngineLocks(sqlite3* db)
{
    sqlite3_exec(db, "PRAGMA locking_mode = NORMAL; SELECT count(*) FROM kv_meta", nullptr, nullptr, nullptr);
}

TableError saveError(const std::filesystem::path& file, sqlite3* db, const std::exception& e)
{
    if (db && isBusy(db))
        return inUseError(file);
    return TableError("Cannot save file " + fileText(file) + ": " + e.what() + ".");
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

TableContents TableFile::readAll(const ReadRules& rules)
{
    TableContents contents;
    try {
        exec(db_, "BEGIN");
        {
            Statement format(db_, "SELECT value FROM kv_meta WHERE key = 'format'");
            if (!format.step() || format.text(0) != kFormatName)
                throw TableError("");
        }
        Statement fields(db_, "SELECT name, type, size FROM kv_fields ORDER BY position");
        while (fields.step()) {
            auto type = typeFromName(fields.text(1));
            if (!type)
                throw std::runtime_error("unknown field type '" + fields.text(1) + "'");
            contents.fields.push_back({fields.text(0), *type, sqlite3_column_int(fields.get(), 2)});
        }
        // A table without fields is never written: the list was emptied by other means.
        if (contents.fields.empty())
            throw RefusedValue("the field list is empty");
        refuseUnlistedColumns(db_, contents.fields, rules);
        const std::vector<bool> required = requiredPositions(contents.fields, rules);
        Statement indexes(db_, "SELECT name, fields, options FROM kv_indexes ORDER BY position");
        while (indexes.step())
            contents.indexes.push_back(
                {indexes.text(0), indexes.text(1), static_cast<unsigned>(sqlite3_column_int64(indexes.get(), 2))});
        Statement rows(db_, "SELECT _row" + columnList(contents.fields) + " FROM kv_rows ORDER BY _row");
        while (rows.step()) {
            StoredRow row;
            row.key = sqlite3_column_int64(rows.get(), 0);
            row.values.resize(contents.fields.size());
            for (size_t i = 0; i < contents.fields.size(); ++i) {
                const FieldDef& field = contents.fields[i];
                if (auto problem = readStoredValue(rows, static_cast<int>(i) + 1, field, required[i], row.values[i]))
                    reportProblem(rules, "row " + std::to_string(contents.rows.size() + 1) + ", field "
                                             + escapedControls(field.name) + ": " + *problem);
            }
            contents.rows.push_back(std::move(row));
        }
        // In the same transaction as the rows: a commit of another program after them is seen.
        dataVersion_ = currentDataVersion();
        exec(db_, "COMMIT");
    } catch (const RefusedValue& e) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw TableError("Cannot read file " + fileText(path_) + ": " + e.what() + ".");
    } catch (const std::exception& e) {
        const int code = sqlite3_errcode(db_);  // before the rollback sets its own
        const std::string engineWhy = engineReason(db_);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        std::string why = "it is not a table file";
        if (code == SQLITE_CORRUPT)
            why = "the file is damaged";
        else if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            why = "the file is in use";
        else if (code == SQLITE_IOERR || code == SQLITE_CANTOPEN)
            why = engineWhy;
        else if (std::string(e.what()).size() && code != SQLITE_NOTADB && code != SQLITE_ERROR)
            why = std::string("the file is damaged (") + e.what() + ")";
        throw TableError("Cannot read file " + fileText(path_) + ": " + why + ".");
    }
    notify(Event::ReadDone, path_);
    return contents;
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

std::vector<std::string> TableFile::integrityProblems()
{
    std::vector<std::string> problems;
    try {
        Statement check(db_, "PRAGMA integrity_check");
        while (check.step())
            if (check.text(0) != "ok")
                problems.push_back(check.text(0));
    } catch (const std::exception& e) {
        problems.push_back(e.what());
    }
    return problems;
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
