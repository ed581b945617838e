#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "database/data_folder.h"
#include "database/table.h"

namespace kiruvan {

class TableFile;

// The fields of a standard symbol file, in order. INDEX_DATE holds the date as "yyyy/mm/dd",
// so that its text order is the date order.
inline constexpr std::string_view kDateField = "Date";
inline constexpr std::string_view kTimeField = "Time";
inline constexpr std::string_view kOpenField = "Open";
inline constexpr std::string_view kHighField = "High";
inline constexpr std::string_view kLowField = "Low";
inline constexpr std::string_view kCloseField = "Close";
inline constexpr std::string_view kVolumeField = "Volume";
inline constexpr std::string_view kIndexDateField = "INDEX_DATE";
inline constexpr std::string_view kSymbolFieldNames[] = {kDateField, kTimeField,  kOpenField,   kHighField,
                                                         kLowField,  kCloseField, kVolumeField, kIndexDateField};

// The five values of a bar in field order: Open, High, Low, Close, Volume.
template <class Value>
using BarValues = std::array<Value, 5>;

// Sets the date, its index text and the five values of the row being inserted or edited; a
// value left out is stored as null.
void setSymbolRow(Table& table, Date day, const BarValues<std::optional<double>>& values);

// True when the table has the standard symbol layout, fields and types: a bar's row can then
// be written value by value, as setSymbolRow would set it.
bool hasStandardSymbolLayout(const Table& table);
// The row setSymbolRow gives a new bar in the standard layout, the time left empty.
void standardSymbolRow(std::vector<Value>& row, Date day, const BarValues<std::optional<double>>& values);

// Defines the standard symbol layout (and, when asked, its index Index_1 on INDEX_DATE) on a closed table.
void defineSymbolLayout(Table& table, bool withIndex);

// What the program relies on in a symbol file's rows beyond what every load checks: INDEX_DATE
// matching the date. Each problem reads "row N, field F: what is wrong"; rows count from 1 in
// file order.
std::vector<std::string> symbolValueProblems(const Table& table);

// The fields that the chart, the backtest, the data viewer and the export read, with their
// types: one problem per field missing or of another type. (The import writes other layouts
// field by field, refusing only the bars it cannot write.)
std::vector<std::string> symbolLayoutProblems(const std::vector<FieldDef>& fields);

enum class SymbolFileUse { Any, ReadBars };

// One row of a symbol file as the chart and the backtest take it.
struct SymbolFileBar {
    Value indexKey;  // INDEX_DATE: the loads order the rows by it
    std::optional<Date> day;
    double Open = 0, High = 0, Low = 0, Close = 0;  // 0 where the file holds none
};

// The rows of a symbol file in INDEX_DATE order, file order kept among equal keys, read
// without a table once Verification_Fichier_Data has checked its layout (on the same
// connection): refused as loadSymbolFile(..., ReadBars) refuses the file, in the same words.
std::vector<SymbolFileBar> readSymbolFileBars(const std::filesystem::path& file);

// Loads a symbol file and refuses it (TableError naming the file, the row and the field) when
// a row fails those checks, and for reading its bars as they are when its layout does not serve.
void loadSymbolFile(Table& table, const std::filesystem::path& file, SymbolFileUse use = SymbolFileUse::Any);

// Removes what killed saves and symbol adds left behind, then creates Master.cds and Markets.cds
// when they are missing; existing files are not opened.
void Verification_existance_des_Fichiers(const DataFolder& folder);

// An empty symbol file for a code, written under a temporary name in the data folder until
// place() moves it to the code's file. A symbol add saves Master.cds in between, so that a
// process killed meanwhile leaves no symbol file that no symbol lists: only the temporary, which
// Verification_existance_des_Fichiers removes once its process has ended.
class PendingSymbolFile {
public:
    // nullopt when the code has a symbol file already. Throws std::invalid_argument for a code
    // that cannot name a file of its own, TableError when a link stands in the file's place.
    static std::optional<PendingSymbolFile> prepare(const DataFolder& folder, std::string_view code);
    PendingSymbolFile(PendingSymbolFile&& other) noexcept;
    PendingSymbolFile& operator=(PendingSymbolFile&&) = delete;
    ~PendingSymbolFile();  // removes the temporary when it was not placed

    const std::filesystem::path& target() const { return target_; }
    // Moves the file to its name, unless another program made a file there meanwhile: that one
    // is kept. Returns whether it moved. Throws std::system_error when the move fails.
    bool place();

private:
    PendingSymbolFile(std::filesystem::path temporary, std::filesystem::path target);

    std::filesystem::path temporary_;
    std::filesystem::path target_;
};

// Removes the temporaries of pending symbol files whose process has ended; returns their paths.
std::vector<std::filesystem::path> removeAbandonedSymbolFiles(const DataFolder& folder);

// Creates an empty symbol file for the code unless one exists (an existing file is never
// replaced); returns whether it created one. Throws std::invalid_argument for a code that
// cannot name a file of its own.
bool Creation_d1_Fichier_Data(const DataFolder& folder, std::string_view code);

// Checks the field list of an existing symbol file. A file of eight fields whose names differ
// from the standard ones is rebuilt empty with the standard layout; the old file is first
// copied aside as "<file>.bak" so that its rows are not lost. Returns true when it rebuilt.
bool Verification_Fichier_Data(const std::filesystem::path& symbolFile);
bool Verification_Fichier_Data(const DataFolder& folder, std::string_view code);
// The same over an open symbol file, which the bar readers then read on: reopened on the
// rebuilt file when it rebuilt.
bool Verification_Fichier_Data(std::unique_ptr<TableFile>& open);

// Writes the loaded table's rows, field by field in order, to a new table with the same field
// definitions (no index definition) and saves it over `file`. Refused (TableError) when the
// table was loaded from `file` and another program changed it since, checked under the file's
// lock; the table then lets go of the file.
void rewriteSymbolFile(Table& loaded, const std::filesystem::path& file);

}  // namespace kiruvan
