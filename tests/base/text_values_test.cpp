#include "base/text_values.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "support/temp_folder.h"

namespace kiruvan {
namespace {

FixedClock clockIn(int year)
{
    return FixedClock(Date::fromYmd(year, 6, 15));
}

TEST(DateText, AcceptsCalendarDaysAndRejectsOthers)
{
    const FixedClock clock = test::fixedClock2026();
    EXPECT_EQ(parseDate("31/12/2004", clock), Date::fromYmd(2004, 12, 31));
    EXPECT_EQ(parseDate("29/02/2004", clock), Date::fromYmd(2004, 2, 29));
    EXPECT_FALSE(Date_Valide("29/02/2100", clock));
    EXPECT_FALSE(Date_Valide("31/02/2004", clock));
    EXPECT_FALSE(Date_Valide("0/1/2004", clock));
    EXPECT_FALSE(Date_Valide("1/13/2004", clock));
    EXPECT_FALSE(Date_Valide("1/1/0000", clock));
    EXPECT_FALSE(Date_Valide("", clock));
    EXPECT_FALSE(Date_Valide("   ", clock));
    // Read as day 2004, month 12: no such day.
    EXPECT_FALSE(Date_Valide("2004/12/31", clock));
}

TEST(DateText, TwoNumbersMeanThisYear)
{
    const FixedClock clock = test::fixedClock2026();
    EXPECT_EQ(parseDate("5/3", clock), Date::fromYmd(2026, 3, 5));
    EXPECT_EQ(parseDate("5/3  ", clock), Date::fromYmd(2026, 3, 5));
    EXPECT_FALSE(Date_Valide("29/2", clock));
    EXPECT_TRUE(Date_Valide("29/2", clockIn(2028)));
    // A second separator promises a year.
    EXPECT_FALSE(Date_Valide("5/3/", clock));
    EXPECT_FALSE(Date_Valide("5", clock));
}

TEST(DateText, ShortYearsFallInTheWindowAroundThisYear)
{
    const FixedClock y2024 = clockIn(2024);
    EXPECT_EQ(parseDate("1/1/30", y2024)->year(), 2030);
    EXPECT_EQ(parseDate("1/1/80", y2024)->year(), 1980);
    EXPECT_EQ(parseDate("1/1/74", y2024)->year(), 1974);
    EXPECT_EQ(parseDate("1/1/73", y2024)->year(), 2073);
    EXPECT_EQ(parseDate("1/1/5", y2024)->year(), 2005);
    EXPECT_EQ(parseDate("1/1/00", y2024)->year(), 2000);
    // The window moves with the clock.
    EXPECT_EQ(parseDate("1/1/30", clockIn(1970))->year(), 1930);
    EXPECT_EQ(parseDate("1/1/99", clockIn(2060))->year(), 2099);
    // Three and four digits are taken as written.
    EXPECT_EQ(parseDate("1/1/030", y2024)->year(), 30);
    EXPECT_EQ(parseDate("1/1/0980", y2024)->year(), 980);
}

TEST(DateText, BlanksDigitsAndTrailers)
{
    const FixedClock clock = test::fixedClock2026();
    EXPECT_EQ(parseDate("  1/ 2/  2003", clock), Date::fromYmd(2003, 2, 1));
    EXPECT_EQ(parseDate("01/02/2003/ ", clock), Date::fromYmd(2003, 2, 1));
    EXPECT_EQ(parseDate("0001/0002/2003", clock), Date::fromYmd(2003, 2, 1));
    // Only four digits are read; the fifth is left over.
    EXPECT_FALSE(Date_Valide("00001/02/2003", clock));
    EXPECT_FALSE(Date_Valide("1/2/20030", clock));
    EXPECT_FALSE(Date_Valide("1/2/2003//", clock));
    EXPECT_FALSE(Date_Valide("1/2/2003 x", clock));
    EXPECT_FALSE(Date_Valide("1-2-2003", clock));
    EXPECT_FALSE(Date_Valide("1/+2/2003", clock));
    EXPECT_FALSE(Date_Valide("1\t/2/2003", clock));
}

TEST(NumberText, ReadsTheProcessGrammar)
{
    EXPECT_EQ(parseFloat("12.5"), 12.5);
    EXPECT_EQ(parseFloat(" 3 "), 3.0);
    EXPECT_EQ(parseFloat("+.5"), 0.5);
    EXPECT_EQ(parseFloat("5."), 5.0);
    EXPECT_EQ(parseFloat("-1.5e2"), -150.0);
    EXPECT_EQ(parseFloat("1E-2"), 0.01);
    EXPECT_EQ(parseFloat("2e+3"), 2000.0);
    for (const char* bad : {"", " ", ".", "-", "+-1", "12,5", "1.2.3", "1 000", "1e", "1e+", "e5", "0x10", "inf", "nan",
                            "1.5x", "- 1", "1_0"})
        EXPECT_FALSE(parseFloat(bad).has_value()) << '"' << bad << '"';
}

TEST(NumberText, ConvertsExactlyAndRefusesOverflow)
{
    // Correct rounding of a long digit string (a naive digit-by-digit sum gets this wrong).
    EXPECT_EQ(parseFloat("0.1000000000000000055511151231257827"), 0.1);
    EXPECT_EQ(parseFloat("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_FALSE(parseFloat("1e309").has_value());
    EXPECT_FALSE(parseFloat("-1e400").has_value());
    EXPECT_FALSE(parseFloat("0.0000001e316").has_value());
    EXPECT_FALSE(parseFloat("1e99999999999999999999").has_value());
    EXPECT_EQ(parseFloat("1e-400"), 0.0);
    EXPECT_EQ(parseFloat("-100000e-330"), -0.0);
    EXPECT_EQ(parseFloat("1e-99999999999999999999"), 0.0);
    EXPECT_EQ(parseFloat("0e999999"), 0.0);
    EXPECT_EQ(parseLongDouble("0.1"), 0.1L);
    EXPECT_EQ(parseLongDouble("1e400"), 1e400L);
    EXPECT_TRUE(std::signbit(*parseFloat("-0")));
}

TEST(NumberText, IgnoresTheCLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma installed";
    EXPECT_EQ(parseFloat("12.5"), 12.5);
    EXPECT_FALSE(parseFloat("12,5").has_value());
    EXPECT_EQ(formatGeneral(12.5L), "12.5");
    EXPECT_EQ(Format_Prix(3.14159), "3.14");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ValueChecks, PricesAndVolumes)
{
    EXPECT_TRUE(Prix_Valide("12.5"));
    EXPECT_TRUE(Prix_Valide(" 3 "));
    EXPECT_TRUE(Prix_Valide("0"));
    EXPECT_TRUE(Prix_Valide("-0"));
    EXPECT_FALSE(Prix_Valide("12,5"));
    EXPECT_FALSE(Prix_Valide("-1"));
    EXPECT_FALSE(Prix_Valide("-1e-300"));
    EXPECT_FALSE(Prix_Valide(""));

    EXPECT_TRUE(Volume_Valide(""));
    EXPECT_TRUE(Volume_Valide("1500"));
    EXPECT_FALSE(Volume_Valide("-5"));
    EXPECT_FALSE(Volume_Valide("   "));
}

TEST(GeneralFormat, FifteenDigitsWithoutTrailingZeros)
{
    EXPECT_EQ(formatGeneral(0.0L), "0");
    EXPECT_EQ(formatGeneral(-0.0L), "0");
    EXPECT_EQ(formatGeneral(7.0L), "7");
    EXPECT_EQ(formatGeneral(-0.5L), "-0.5");
    EXPECT_EQ(formatGeneral(100.0L), "100");
    EXPECT_EQ(formatGeneral(0.1L), "0.1");
    EXPECT_EQ(formatGeneral(static_cast<long double>(0.1)), "0.1");
    EXPECT_EQ(formatGeneral(1.0L / 3.0L), "0.333333333333333");
    EXPECT_EQ(formatGeneral(2.0L / 3.0L), "0.666666666666667");
    EXPECT_EQ(formatGeneral(123456789012345.0L), "123456789012345");
    EXPECT_EQ(formatGeneral(12345678.9012345678L), "12345678.9012346");
}

TEST(GeneralFormat, ExponentFormOutsideTheFixedRange)
{
    EXPECT_EQ(formatGeneral(1e15L), "1E15");
    EXPECT_EQ(formatGeneral(-2.5e20L), "-2.5E20");
    EXPECT_EQ(formatGeneral(999999999999999.0L), "999999999999999");
    // Rounding to fifteen digits carries into the sixteenth place.
    EXPECT_EQ(formatGeneral(999999999999999.6L), "1E15");
    EXPECT_EQ(formatGeneral(0.0001L), "0.0001");
    EXPECT_EQ(formatGeneral(0.00012L), "0.00012");
    EXPECT_EQ(formatGeneral(0.00001L), "1E-5");
    EXPECT_EQ(formatGeneral(1.5e-7L), "1.5E-7");
    EXPECT_EQ(formatGeneral(1e300L), "1E300");
    EXPECT_THROW(formatGeneral(std::numeric_limits<long double>::infinity()), std::domain_error);
    EXPECT_THROW(formatGeneral(std::numeric_limits<long double>::quiet_NaN()), std::domain_error);
}

TEST(PriceText, AlwaysTwoDecimals)
{
    EXPECT_EQ(Format_Prix(7), "7.00");
    EXPECT_EQ(Format_Prix(12.3), "12.30");
    EXPECT_EQ(Format_Prix(3.14159), "3.14");
    EXPECT_EQ(Format_Prix(-0.5), "-0.50");
    EXPECT_EQ(Format_Prix(0.004), "0.00");
    EXPECT_EQ(Format_Prix(1234567.891), "1234567.89");
    EXPECT_EQ(Format_Prix(1e15), "1E15.00");
    EXPECT_EQ(Format_Prix(2.5e17), "2.5E17");
}

TEST(PriceText, HalvesGoToEvenAfterExactScaling)
{
    EXPECT_EQ(Format_Prix(0.125), "0.12");
    EXPECT_EQ(Format_Prix(0.375), "0.38");
    EXPECT_EQ(Format_Prix(-0.125), "-0.12");
    EXPECT_EQ(Format_Prix(2.675), "2.67");  // 2.675 is stored a little below the half
    EXPECT_EQ(Format_Prix(1.005), "1.00");  // likewise: 100.49999... cents
}

TEST(PriceText, NothingNegativePrintsWithoutSign)
{
    EXPECT_EQ(Format_Prix(-0.0), "0.00");
    EXPECT_EQ(Format_Prix(-0.001), "0.00");
    EXPECT_EQ(Format_Prix(-0.004), "0.00");
    EXPECT_EQ(Format_Prix(-0.006), "-0.01");
}

}  // namespace
}  // namespace kiruvan
