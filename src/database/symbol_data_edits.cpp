#include "database/symbol_data_edits.h"

#include <array>
#include <cmath>

#include "base/ascii_text.h"
#include "base/text_values.h"
#include "database/symbol_files.h"

namespace kiruvan {
namespace {

constexpr std::array<std::string_view, kBarColumnCount> kColumnFields = {kDateField, kOpenField,  kHighField,
                                                                         kLowField,  kCloseField, kVolumeField};
constexpr std::array<int, 4> kPriceColumns = {kOpenColumn, kHighColumn, kLowColumn, kCloseColumn};

FieldRef columnField(Table& bars, int column)
{
    return bars.field(barColumnField(column));
}

std::string pathText(const std::filesystem::path& file)
{
    return "'" + file.string() + "'";
}

// The last failing column of the value checks, or nullopt when all six values read well.
std::optional<int> valueFailure(Table& bars, const Clock& clock)
{
    std::optional<int> failed;
    if (!Date_Valide(columnField(bars, kDateColumn).asString(), clock))
        failed = kDateColumn;
    for (int column : kPriceColumns)
        if (!Prix_Valide(columnField(bars, column).asString()))
            failed = column;
    if (!Volume_Valide(columnField(bars, kVolumeColumn).asString()))
        failed = kVolumeColumn;
    return failed;
}

std::optional<int> rowFailure(Table& bars, const Clock& clock)
{
    if (auto failed = valueFailure(bars, clock))
        return failed;
    const double open = columnField(bars, kOpenColumn).asFloat();
    const double high = columnField(bars, kHighColumn).asFloat();
    const double low = columnField(bars, kLowColumn).asFloat();
    const double close = columnField(bars, kCloseColumn).asFloat();
    if (open > high || close > high)
        return kHighColumn;
    if (open < low || high < low || close < low)
        return kLowColumn;
    return std::nullopt;
}

bool hasZeroPrice(Table& bars)
{
    for (int column : kPriceColumns)
        if (columnField(bars, column).asFloat() == 0)
            return true;
    return false;
}

void divideRow(Table& bars, long double divisor)
{
    bars.edit();
    for (int column : kPriceColumns) {
        FieldRef price = columnField(bars, column);
        const long double cents = roundHalfEven(static_cast<long double>(price.asFloat()) / divisor * 100.0L);
        price.setAsFloat(static_cast<double>(cents / 100.0L));
    }
    FieldRef volume = columnField(bars, kVolumeColumn);
    if (!volume.isNull())
        volume.setAsFloat(static_cast<double>(roundHalfEven(static_cast<long double>(volume.asFloat()) * divisor)));
    bars.post();
}

}  // namespace

std::string_view barColumnField(int column)
{
    return kColumnFields.at(static_cast<std::size_t>(column));
}

void loadSymbolData(Table& bars, const DataFolder& folder, std::string_view code)
{
    requireSafeSymbolCode(code);
    const std::optional<std::filesystem::path> file = folder.findSymbolFile(code);
    if (!file)
        throw TableError("There is no symbol file for the code " + quotedText(code) + " in " + pathText(folder.root())
                         + ".");
    loadSymbolFile(bars, *file, SymbolFileUse::ReadBars);
    bars.setSortOrder(std::string(barColumnField(kDateColumn)));
    bars.first();
}

std::optional<RowFailure> verifyBars(Table& bars, const Clock& clock)
{
    DisplayUpdatesSuspended hold(bars);
    bars.first();
    while (!bars.eof() && !bars.isEmpty()) {
        if (auto column = rowFailure(bars, clock))
            return RowFailure{bars.recNo(), *column};
        const Date day = columnField(bars, kDateColumn).asDate();
        bars.next();
        if (bars.eof())
            break;
        // Two rows of one day meet here, since the rows are in date order.
        if (Date_Valide(columnField(bars, kDateColumn).asString(), clock)
            && !(columnField(bars, kDateColumn).asDate() > day))
            return RowFailure{bars.recNo(), kDateColumn};
    }
    return std::nullopt;
}

long double roundHalfEven(long double value)
{
    return std::nearbyint(value);
}

std::optional<Date> divisionReferenceDate(Table& bars, const Clock& clock)
{
    if (bars.isEmpty())
        return std::nullopt;
    FieldRef date = columnField(bars, kDateColumn);
    if (!Date_Valide(date.asString(), clock))
        return std::nullopt;
    return date.asDate();
}

void divideBefore(Table& bars, long double divisor, Date lastDividedDay)
{
    if (divisor == 0)
        return;
    DisplayUpdatesSuspended hold(bars);
    for (bars.first(); !bars.eof() && !bars.isEmpty(); bars.next()) {
        FieldRef date = columnField(bars, kDateColumn);
        if (date.isNull())
            throw TableError("Row " + std::to_string(bars.recNo()) + " has no date: the division stopped there.");
        if (date.asDate() > lastDividedDay)
            divisor = 1;
        if (!hasZeroPrice(bars))
            divideRow(bars, divisor);
    }
}

bool divisorTextAcceptable(std::string_view text)
{
    if (text.size() > static_cast<std::size_t>(kDivisorTextSize))
        return false;
    int points = 0;
    for (char c : text) {
        if (c == '.')
            ++points;
        else if (c < '0' || c > '9')
            return false;
    }
    return points <= 1;
}

double divisorFromText(std::string_view text)
{
    return parseFloat("0" + std::string(text)).value_or(0.0);
}

DivideChoice confirmDivision(std::string_view divisorText, Date chosenDay)
{
    DivideChoice choice;
    choice.Diviseur = divisorFromText(divisorText);
    choice.Division_OK = choice.Diviseur != 0 ? 1 : 0;
    choice.Date_Choisie = chosenDay.toText();
    return choice;
}

void Save_file_light(Table& bars, const std::filesystem::path& file)
{
    rewriteSymbolFile(bars, file);
}

}  // namespace kiruvan
