#pragma once

// What the user sets for an import: separators, date layout, first date, the kind of each of
// the first ten columns; how Files.ini keeps them, and the check of the column layout.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/calendar_date.h"
#include "import/conversions.h"

namespace kiruvan {

inline constexpr int kImportColumns = 10;
inline constexpr int kNoSelection = -1;

// Column kinds by their index in the column lists.
enum ColumnKind {
    kNone = 0,
    kSymbol,
    kName,
    kDate,
    kTime,
    kOpen,
    kLow,
    kHigh,
    kClose,
    kVolume,
    kOpenInterest,
    kColumnKindCount
};

// The items of the lists, as shown.
inline constexpr std::array<std::string_view, 4> kFieldSeparatorItems = {";", ".", ",", "TAB"};
inline constexpr std::array<std::string_view, 2> kDecimalSeparatorItems = {".", ","};
inline constexpr std::array<std::string_view, kDateLayoutCount> kDateLayoutItems = [] {
    std::array<std::string_view, kDateLayoutCount> names{};
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = kDateLayouts[i].name;
    return names;
}();
inline constexpr std::array<std::string_view, kColumnKindCount> kColumnKindItems = {
    "None", "Symbol", "Name", "Date", "Time", "Open", "Low", "High", "Close", "Volume", "Open Interest"};

// A list's selected index; kNoSelection when none (an index outside the list reads as none).
struct ImportSettings {
    int fieldSeparator = 0;
    int decimalSeparator = 0;
    int dateFormat = 0;
    bool decimalComma = false;  // numbers are read with "," as decimal point
    Date firstDate;
    std::array<int, kImportColumns> columns{};  // kind index of columns 1 to 10
};

// The earliest first date the picker offers; the latest is today.
Date earliestFirstDate();
Date clampFirstDate(Date day, const Clock& clock);

// Settings from Files.ini; the defaults for a missing or unreadable file, key or value.
ImportSettings Lecture_Fichier_INI(const std::filesystem::path& iniFile, const Clock& clock);
// The first date Files.ini holds, or nullopt when it holds none that reads as a date.
std::optional<Date> storedFirstDate(const std::filesystem::path& iniFile, const Clock& clock);
// Writes every key, keeping what else the file holds. Without withFirstDate the first date
// stays as the file holds it, or missing: a first date nobody chose is not kept as a choice.
void Ecriture_Fichier_INI(const std::filesystem::path& iniFile, const ImportSettings& settings,
                          bool withFirstDate = true);

// The field separator of a run: ";", ".", ",", a tab, or empty with no selection.
std::string Definition_des_parametres(const ImportSettings& settings);
std::optional<DateLayout> dateLayoutOf(const ImportSettings& settings);

// The text shown by a list for an index, empty for no selection.
std::string fieldSeparatorText(int index);
std::string decimalSeparatorText(int index);

// Which control a failed column check blames.
enum class BlamedBox { None, FieldSeparator, Column };

// The column number (1 to 10, or 0) of each kind, from the column check.
struct ColumnNumbers {
    std::array<int, kColumnKindCount> of{};  // index by ColumnKind; of[kNone] unused
    int operator[](ColumnKind kind) const { return of[kind]; }
};

struct ColumnCheck {
    ColumnNumbers numbers;
    std::string message;  // empty when the layout passes
    BlamedBox blamed = BlamedBox::None;
    int blamedColumn = 0;  // 1 to 10 when a column is blamed
    bool passed() const { return message.empty(); }
};

// The column-layout check: a gap first, then the separators, then the last duplicate kind.
ColumnCheck Verification_CBX(const ImportSettings& settings);

}  // namespace kiruvan
