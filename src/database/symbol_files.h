#pragma once

#include <filesystem>
#include <string_view>

#include "database/data_folder.h"
#include "database/table.h"

namespace kiruvan {

// The fields of a standard symbol file, in order.
inline constexpr std::string_view kSymbolFieldNames[] = {"Date", "Time", "Open", "High",
                                                         "Low", "Close", "Volume", "INDEX_DATE"};

// Defines the standard symbol layout (and, when asked, its index Index_1 on INDEX_DATE) on a closed table.
void defineSymbolLayout(Table& table, bool withIndex);
void defineMarketLayout(Table& table);
void defineMasterLayout(Table& table);

// Creates Master.cds and Markets.cds when they are missing; existing files are not opened.
void Verification_existance_des_Fichiers(const DataFolder& folder);

// Creates an empty symbol file for the code unless one exists (an existing file is never
// replaced). Throws std::invalid_argument for a code that cannot name a file of its own.
void Creation_d1_Fichier_Data(const DataFolder& folder, std::string_view code);

// Checks the field list of an existing symbol file. A file of eight fields whose names differ
// from the standard ones is rebuilt empty with the standard layout; the old file is first
// copied aside as "<file>.bak" so that its rows are not lost. Returns true when it rebuilt.
bool Verification_Fichier_Data(const std::filesystem::path& symbolFile);
bool Verification_Fichier_Data(const DataFolder& folder, std::string_view code);

// Writes the loaded table's rows, field by field in order, to a new table with the same field
// definitions (no index definition) and saves it over `file`.
void rewriteSymbolFile(Table& loaded, const std::filesystem::path& file);

}  // namespace kiruvan
