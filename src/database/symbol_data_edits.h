#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "base/calendar_date.h"
#include "database/data_folder.h"
#include "database/table.h"

namespace kiruvan {

// Holds back the updates of bound grids during a walk over the rows, resuming them on every exit.
class DisplayUpdatesSuspended {
public:
    explicit DisplayUpdatesSuspended(Table& table) : table_(table) { table_.disableControls(); }
    ~DisplayUpdatesSuspended() { table_.enableControls(); }
    DisplayUpdatesSuspended(const DisplayUpdatesSuspended&) = delete;
    DisplayUpdatesSuspended& operator=(const DisplayUpdatesSuspended&) = delete;

private:
    Table& table_;
};

// Columns of the data viewer's grid, which are also the columns a failed row check names.
enum BarColumn { kDateColumn = 0, kOpenColumn, kHighColumn, kLowColumn, kCloseColumn, kVolumeColumn, kBarColumnCount };

// The field shown in a grid column.
std::string_view barColumnField(int column);

// Loads the symbol file of a code, found by the data folder's resolver, sorted by date with
// the earliest day current. Throws for an unsafe code, a missing file, or a file that lacks
// one of the fields the viewer shows.
void loadSymbolData(Table& bars, const DataFolder& folder, std::string_view code);

// The first row that fails the check before a save, with the column to select.
struct RowFailure {
    int recNo = 0;  // 1-based, in date order
    int column = kDateColumn;
    friend bool operator==(const RowFailure&, const RowFailure&) = default;
};

// Checks every row in date order: the six values as text, then High and Low against the other
// prices, then strictly increasing days. Stops on the first failing row and leaves it current;
// nullopt when all rows pass.
std::optional<RowFailure> verifyBars(Table& bars, const Clock& clock);

// Rounds to the nearest integer, an exact half going to the even neighbour.
long double roundHalfEven(long double value);

// The day the divide dialog opens on: the current row's date when it is a valid one.
std::optional<Date> divisionReferenceDate(Table& bars, const Clock& clock);

// Divides the prices of every row up to and including lastDividedDay by the divisor and
// multiplies their volume by it; later rows are divided by 1. Prices are rounded to two
// decimals and volumes to whole numbers, in extended precision with halves to even. A row
// with a zero price is left unchanged. A divisor of 0 does nothing. Throws when a row has
// no date; rows already processed keep their new values.
void divideBefore(Table& bars, long double divisor, Date lastDividedDay);

// The divisor box: at most three characters, digits and one ".".
inline constexpr int kDivisorTextSize = 3;
bool divisorTextAcceptable(std::string_view text);

// The divisor the box's text stands for, read as "0" followed by the text (".5" is 0.5,
// "" is 0); a text that is no number counts as 0.
double divisorFromText(std::string_view text);

// What the divide dialog hands back.
struct DivideChoice {
    int Division_OK = 0;  // 1 when confirmed with a divisor other than 0
    double Diviseur = 0;
    std::string Date_Choisie;  // "dd/mm/yyyy"
};

DivideChoice confirmDivision(std::string_view divisorText, Date chosenDay);

// Rewrites the symbol file from the table's rows after the viewer's changes.
void Save_file_light(Table& bars, const std::filesystem::path& file);

}  // namespace kiruvan
