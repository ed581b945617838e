// The file engine's plumbing shared by the parts of TableFile: statements, waits, reasons
// and the SQL that names fields.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "database/table.h"
#include "database/table_file.h"

namespace kiruvan {

namespace table_engine {

inline constexpr const char* kFormatName = "kiruvan-table";
inline constexpr const char* kFormatVersion = "1";

std::string quoteIdentifier(const std::string& name);
const char* typeName(FieldType type);
std::optional<FieldType> typeFromName(const std::string& name);

TableFile::EventHook& eventHook();
void notify(TableFile::Event event, const std::filesystem::path& file);
// One step of the wait for another program to let go of a file: false once the wait is over.
bool waitedAMoment(int attempt, const std::filesystem::path& file);
void waitWhenBusy(sqlite3* db);

// The engine's reason for its last failure: the system's own where a system call failed (a
// full disk, a refused permission), never the engine's "not an error" of a later success.
std::string engineReason(sqlite3* db);
std::string fileText(const std::filesystem::path& file);
TableError inUseError(const std::filesystem::path& file);
bool isLink(const std::filesystem::path& file);
bool isBusy(sqlite3* db);
TableError saveError(const std::filesystem::path& file, sqlite3* db, const std::exception& e);

void exec(sqlite3* db, const std::string& sql);
void bindValue(sqlite3_stmt* stmt, int position, const Value& value);

std::string columnList(const std::vector<FieldDef>& fields);
std::string insertSql(const std::vector<FieldDef>& fields);
std::string updateSql(const std::vector<FieldDef>& fields);

}  // namespace table_engine

// Owns a prepared statement.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            throw std::runtime_error(table_engine::engineReason(db));
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
        throw std::runtime_error(table_engine::engineReason(db_));
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

namespace table_engine {
void bindRow(Statement& stmt, int first, const std::vector<Value>& values);
}  // namespace table_engine

}  // namespace kiruvan
