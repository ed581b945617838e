#include "import/import_settings.h"

#include <algorithm>

#include "base/text_values.h"
#include "import/ini_file.h"

namespace kiruvan {
namespace {

constexpr std::string_view kFieldSeparatorSection = "Field Separator";
constexpr std::string_view kDecimalSeparatorSection = "Decimal Separator";
constexpr std::string_view kDateFormatSection = "Date Format";
// Kept apart from "Decimal Separator", whose index only feeds the separator check.
constexpr std::string_view kDecimalCommaSection = "Decimal Comma";
constexpr std::string_view kFirstDateSection = "First Date";
constexpr std::string_view kDataTypeSection = "Data Type";
constexpr std::string_view kValueKey = "Value";

constexpr std::array<std::string_view, kColumnKindCount> kKindWords = {
    "", "symbol", "name", "date", "time", "open", "low", "high", "close", "volume", "open interest"};

std::string columnKey(int column)
{
    return "Col " + std::to_string(column);
}

// An index outside the list leaves the list without a selection.
int listIndex(const IniFile& ini, std::string_view section, std::string_view key, std::size_t itemCount)
{
    const int index = ini.integer(section, key).value_or(0);
    return index >= 0 && static_cast<std::size_t>(index) < itemCount ? index : kNoSelection;
}

template <std::size_t N>
std::string itemText(const std::array<std::string_view, N>& items, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N ? std::string(items[static_cast<std::size_t>(index)])
                                                             : std::string();
}

// The first date is read strictly as "dd/mm/yyyy"; anything else falls back to today.
std::optional<Date> readFirstDate(const IniFile& ini, const Clock& clock)
{
    const auto text = ini.value(kFirstDateSection, kValueKey);
    if (!text)
        return std::nullopt;
    return parseDate(*text, clock);
}

}  // namespace

Date earliestFirstDate()
{
    return Date::fromYmd(1920, 1, 1);
}

Date clampFirstDate(Date day, const Clock& clock)
{
    return std::clamp(day, earliestFirstDate(), clock.today());
}

ImportSettings Lecture_Fichier_INI(const std::filesystem::path& iniFile, const Clock& clock)
{
    IniFile ini;
    try {
        ini = IniFile::load(iniFile);
    } catch (const std::exception&) {
        // A settings file that cannot be read gives the defaults, like a missing one.
    }
    ImportSettings settings;
    settings.fieldSeparator = listIndex(ini, kFieldSeparatorSection, kValueKey, kFieldSeparatorItems.size());
    settings.decimalSeparator = listIndex(ini, kDecimalSeparatorSection, kValueKey, kDecimalSeparatorItems.size());
    settings.dateFormat = listIndex(ini, kDateFormatSection, kValueKey, kDateLayoutItems.size());
    settings.decimalComma = ini.integer(kDecimalCommaSection, kValueKey).value_or(0) == 1;
    settings.firstDate = clampFirstDate(readFirstDate(ini, clock).value_or(clock.today()), clock);
    for (int c = 1; c <= kImportColumns; ++c)
        settings.columns[static_cast<std::size_t>(c - 1)] =
            listIndex(ini, kDataTypeSection, columnKey(c), kColumnKindItems.size());
    return settings;
}

std::optional<Date> storedFirstDate(const std::filesystem::path& iniFile, const Clock& clock)
{
    try {
        return readFirstDate(IniFile::load(iniFile), clock);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void Ecriture_Fichier_INI(const std::filesystem::path& iniFile, const ImportSettings& settings, bool withFirstDate)
{
    IniFile ini = IniFile::load(iniFile);
    ini.setValue(kFieldSeparatorSection, kValueKey, std::to_string(settings.fieldSeparator));
    ini.setValue(kDecimalSeparatorSection, kValueKey, std::to_string(settings.decimalSeparator));
    ini.setValue(kDateFormatSection, kValueKey, std::to_string(settings.dateFormat));
    if (withFirstDate)
        ini.setValue(kFirstDateSection, kValueKey, settings.firstDate.toText());
    for (int c = 1; c <= kImportColumns; ++c)
        ini.setValue(kDataTypeSection, columnKey(c), std::to_string(settings.columns[static_cast<std::size_t>(c - 1)]));
    ini.setValue(kDecimalCommaSection, kValueKey, settings.decimalComma ? "1" : "0");
    ini.save(iniFile);
}

std::string fieldSeparatorText(int index)
{
    return itemText(kFieldSeparatorItems, index);
}

std::string decimalSeparatorText(int index)
{
    return itemText(kDecimalSeparatorItems, index);
}

std::string Definition_des_parametres(const ImportSettings& settings)
{
    const std::string text = fieldSeparatorText(settings.fieldSeparator);
    return text == "TAB" ? std::string("\t") : text;
}

std::optional<DateLayout> dateLayoutOf(const ImportSettings& settings)
{
    if (settings.dateFormat < 0 || settings.dateFormat >= kDateLayoutCount)
        return std::nullopt;
    return static_cast<DateLayout>(settings.dateFormat);
}

ColumnCheck Verification_CBX(const ImportSettings& settings)
{
    ColumnCheck check;
    const auto& kinds = settings.columns;
    for (int k = 1; k < kImportColumns && check.passed(); ++k) {
        if (kinds[static_cast<std::size_t>(k - 1)] == kNone && kinds[static_cast<std::size_t>(k)] != kNone) {
            check.message = "Please check Column " + std::to_string(k) + ".";
            check.blamed = BlamedBox::Column;
            check.blamedColumn = k;
        }
    }
    const std::string separator = fieldSeparatorText(settings.fieldSeparator);
    const bool clash =
        separator == decimalSeparatorText(settings.decimalSeparator) || (settings.decimalComma && separator == ",");
    if (check.passed() && clash) {
        check.message = "Field separator error";
        check.blamed = BlamedBox::FieldSeparator;
    }
    if (!check.passed())
        return check;
    for (int c = 1; c <= kImportColumns; ++c) {
        const int kind = kinds[static_cast<std::size_t>(c - 1)];
        if (kind <= kNone || kind >= kColumnKindCount)
            continue;
        int& number = check.numbers.of[static_cast<std::size_t>(kind)];
        if (number == 0) {
            number = c;
            continue;
        }
        // A later duplicate replaces the message of an earlier one.
        check.message = "A column \"" + std::string(kKindWords[static_cast<std::size_t>(kind)]) + "\" already exists.";
        check.blamed = BlamedBox::Column;
        check.blamedColumn = c;
    }
    return check;
}

}  // namespace kiruvan
