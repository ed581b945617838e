#pragma once

// The tables the program keeps in the data folder beside the symbol files: their files and the
// fields every row of them must fill. Later tables are added here, and symbol codes and loads
// follow.

#include <filesystem>
#include <span>
#include <string_view>

#include "database/market_manager.h"
#include "database/master_table.h"

namespace kiruvan {

// The fields of Optimization.cds and Robustness.cds that identify a symbol's row; the tables
// name the others.
inline constexpr std::string_view kResultMarketField = "Code_Market";
inline constexpr std::string_view kResultSymbolField = "Code_Stock";

struct ProgramTable {
    std::string_view file;
    // A row with one of these null or empty was not written by the program.
    std::span<const std::string_view> requiredFields;
};

inline constexpr std::string_view kMarketRequiredFields[] = {kMarketIdField, kMarketNameField};
// Master.cds keeps incomplete symbols as they were saved: none of its fields is required.
inline constexpr std::string_view kResultRequiredFields[] = {kResultMarketField, kResultSymbolField};

inline constexpr ProgramTable kProgramTables[] = {
    {kMarketsFile, kMarketRequiredFields},
    {kMasterFile, {}},
    {kOptimizationFile, kResultRequiredFields},
    {kRobustnessFile, kResultRequiredFields},
};

// The program's table stored in this file (by its name), or nullptr for any other file.
const ProgramTable* programTableOf(const std::filesystem::path& file);

// The fields every row of this file must fill: none unless it is one of the program's tables.
std::span<const std::string_view> requiredFieldsOf(const std::filesystem::path& file);

// True when a symbol file for this code would be one of the program's tables, in any case.
bool namesProgramTable(std::string_view code);

}  // namespace kiruvan
