#include "database/table_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/ascii_text.h"
#include "database/field_text.h"
#include "database/table_engine.h"

namespace kiruvan {

using namespace table_engine;

namespace {

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

}  // namespace

TableContents TableFile::readAll(const ReadRules& rules)
{
    std::vector<StoredRow> rows;
    TableContents contents =
        readRows(rules, [&](const std::vector<FieldDef>&, std::int64_t key, std::vector<Value>& values) {
            rows.push_back({key, std::move(values)});
        });
    contents.rows = std::move(rows);
    return contents;
}

TableContents TableFile::readRows(const ReadRules& rules, const RowReceiver& receive)
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
        std::vector<Value> values;
        for (std::size_t rowNumber = 1; !rules.withoutRows && rows.step(); ++rowNumber) {
            values.resize(contents.fields.size());
            for (size_t i = 0; i < contents.fields.size(); ++i) {
                const FieldDef& field = contents.fields[i];
                if (auto problem = readStoredValue(rows, static_cast<int>(i) + 1, field, required[i], values[i]))
                    reportProblem(rules, "row " + std::to_string(rowNumber) + ", field " + escapedControls(field.name)
                                             + ": " + *problem);
            }
            receive(contents.fields, sqlite3_column_int64(rows.get(), 0), values);
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

}  // namespace kiruvan
