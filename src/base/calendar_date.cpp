#include "base/calendar_date.h"

#include <ctime>
#include <stdexcept>

namespace kiruvan {
namespace {

// Days from 1970-01-01 in the proleptic Gregorian calendar (H. Hinnant's algorithm).
std::int32_t daysFromCivil(int y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int>(doe) - 719468;
}

struct Ymd {
    int y;
    int m;
    int d;
};

Ymd civilFromDays(std::int32_t z)
{
    z += 719468;
    const int era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int y = static_cast<int>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2), static_cast<int>(m), static_cast<int>(d)};
}

}  // namespace

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

std::optional<Date> Date::tryFromYmd(int year, int month, int day)
{
    if (year < 1 || year > 9999 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    return fromDayNumber(daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)));
}

Date Date::fromYmd(int year, int month, int day)
{
    if (auto d = tryFromYmd(year, month, day))
        return *d;
    throw std::invalid_argument("not a calendar day: " + std::to_string(day) + "/" + std::to_string(month) + "/"
                                + std::to_string(year));
}

int Date::year() const
{
    return civilFromDays(days_).y;
}
int Date::month() const
{
    return civilFromDays(days_).m;
}
int Date::day() const
{
    return civilFromDays(days_).d;
}

namespace {

// Writes the number with exactly `width` digits at `out` (hot in file reads and writes).
void putDigits(char* out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
}

std::string layout(const Ymd& c, const char* pattern)
{
    // pattern: 'd' day, 'm' month, 'y' year, anything else copied
    std::string out(pattern);
    for (size_t i = 0; i < out.size();) {
        const char k = out[i];
        if (k == 'd' || k == 'm') {
            putDigits(&out[i], k == 'd' ? c.d : c.m, 2);
            i += 2;
        } else if (k == 'y') {
            putDigits(&out[i], c.y, 4);
            i += 4;
        } else {
            ++i;
        }
    }
    return out;
}

}  // namespace

std::string Date::toText() const
{
    return layout(civilFromDays(days_), "dd/mm/yyyy");
}
std::string Date::toIndexText() const
{
    return layout(civilFromDays(days_), "yyyy/mm/dd");
}
std::string Date::toIsoText() const
{
    return layout(civilFromDays(days_), "yyyy-mm-dd");
}

std::optional<Date> Date::fromIsoText(const std::string& text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int widths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < widths[p]; ++i) {
            const char c = text[static_cast<size_t>(starts[p] + i)];
            if (c < '0' || c > '9')
                return std::nullopt;
            parts[p] = parts[p] * 10 + (c - '0');
        }
    return tryFromYmd(parts[0], parts[1], parts[2]);
}

Date SystemClock::today() const
{
    // The user's day, not UTC's: a session late in the evening must not see tomorrow.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Date::fromYmd(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace kiruvan
