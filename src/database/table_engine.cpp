#include "database/table_engine.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "base/ascii_text.h"

namespace kiruvan::table_engine {
namespace {

// How long a read or a save waits for another program's write to end before giving up, in
// steps short enough that the wait ends soon after the other program lets go.
constexpr int kBusyWaitMilliseconds = 8000;
constexpr int kWaitStepMilliseconds = 2;

}  // namespace

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

TableError saveError(const std::filesystem::path& file, sqlite3* db, const std::exception& e)
{
    if (db && isBusy(db))
        return inUseError(file);
    return TableError("Cannot save file " + fileText(file) + ": " + e.what() + ".");
}

}  // namespace kiruvan::table_engine
