#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace kiruvan {

// A calendar day without time of day, kept as a count of days so that dates compare and
// subtract as integers. Day 0 is 01/01/1970; valid years are 1 to 9999.
class Date {
public:
    constexpr Date() = default;
    static constexpr Date fromDayNumber(std::int32_t days)
    {
        Date d;
        d.days_ = days;
        return d;
    }
    // Throws std::invalid_argument when the three numbers are no calendar day of years 1..9999.
    static Date fromYmd(int year, int month, int day);
    static std::optional<Date> tryFromYmd(int year, int month, int day);

    constexpr std::int32_t dayNumber() const { return days_; }
    int year() const;
    int month() const;
    int day() const;

    std::string toText() const;       // "dd/mm/yyyy"
    std::string toIndexText() const;  // "yyyy/mm/dd", the INDEX_DATE form
    std::string toIsoText() const;    // "yyyy-mm-dd"
    static std::optional<Date> fromIsoText(const std::string& text);

    friend constexpr auto operator<=>(Date, Date) = default;

private:
    std::int32_t days_ = 0;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);

// Where "today" comes from: the system in the program, a fixed day in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual Date today() const = 0;
    int currentYear() const { return today().year(); }
};

class SystemClock final : public Clock {
public:
    Date today() const override;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(Date day) : day_(day) {}
    Date today() const override { return day_; }
    void set(Date day) { day_ = day; }

private:
    Date day_;
};

}  // namespace kiruvan
