#include <gtest/gtest.h>

#include "base/text_values.h"
#include "import/conversions.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

TEST(QuoteLineSplitting, TakesFieldsExactlyBetweenSeparators)
{
    const std::string line = "ABC;05/03/2004;1.2;1.3;1.1;1.25;1500";
    EXPECT_EQ(Get_Chaine(1, line, ";"), "ABC");
    EXPECT_EQ(Get_Chaine(2, line, ";"), "05/03/2004");
    EXPECT_EQ(Get_Chaine(7, line, ";"), "1500");
    EXPECT_EQ(Get_Chaine(8, line, ";"), "");
    EXPECT_EQ(Get_Chaine(1, ";X;Y", ";"), "");
    EXPECT_EQ(Get_Chaine(3, ";X;Y", ";"), "Y");
    EXPECT_EQ(Get_Chaine(3, "A;B;", ";"), "");
    EXPECT_EQ(Get_Chaine(1, "A B", ";"), "A B");
    EXPECT_EQ(Get_Chaine(2, "A B", ";"), "");
    EXPECT_EQ(Get_Chaine(2, "ABC\t05/03/2004", "\t"), "05/03/2004");
    EXPECT_EQ(Get_Chaine(2, " \"a\" ;; b", ";"), "");
    EXPECT_EQ(Get_Chaine(1, " \"a\" ;; b", ";"), " \"a\" ");
}

TEST(QuoteLineSplitting, ColumnZeroIsNoValueAndNotAnEmptyText)
{
    EXPECT_FALSE(Get_Chaine(0, "A;B", ";").has_value());
    // An empty volume passes its check, a missing one must not.
    EXPECT_TRUE(Get_Chaine(3, "A;B", ";").has_value());
}

TEST(QuoteLineSplitting, EmptySeparatorKeepsTheWholeLineInColumnOne)
{
    EXPECT_EQ(Get_Chaine(1, "A;B", ""), "A;B");
    EXPECT_EQ(Get_Chaine(2, "A;B", ""), "");
}

class DateConversion : public ::testing::Test {
protected:
    std::string convert(const std::string& text, DateLayout layout)
    {
        return Formatage_de_la_date(text, layout, clock);
    }
    FixedClock clock = test::fixedClock2026();
};

TEST_F(DateConversion, DayMonthShortYear)
{
    EXPECT_EQ(convert("05/03/04", DateLayout::DdMmYy), "05/03/2004");
    EXPECT_EQ(convert("05/03/14", DateLayout::DdMmYy), "05/03/2014");
    EXPECT_EQ(convert("05-03-04", DateLayout::DdMmYy), "05/03/2004");
    EXPECT_EQ(convert("05.03.04", DateLayout::DdMmYy), "05/03/2004");
    EXPECT_EQ(convert("05/03/2004", DateLayout::DdMmYy), "05/03/2020");
}

TEST_F(DateConversion, PartsAreCutByCharactersWhateverTheSeparatorsBytes)
{
    // 0xFF of a Windows-1252 file arrives as two bytes, the euro sign as three.
    EXPECT_EQ(convert("05\u00ff03\u00ff04", DateLayout::DdMmYy), "05/03/2004");
    EXPECT_EQ(convert("05\u20ac03\u20ac04", DateLayout::DdMmYy), "05/03/2004");
    EXPECT_EQ(convert("03\u00ff05\u00ff2004", DateLayout::MmDdYyyySlashed), "05/03/2004");
}

TEST_F(DateConversion, TwoDigitYearsNeverLandAfterTheCurrentYear)
{
    EXPECT_EQ(convert("05/03/15", DateLayout::DdMmYy), "05/03/2015");
    EXPECT_EQ(convert("05/03/26", DateLayout::DdMmYy), "05/03/2026");
    EXPECT_EQ(convert("05/03/27", DateLayout::DdMmYy), "05/03/1927");
    EXPECT_EQ(convert("05/03/30", DateLayout::DdMmYy), "05/03/1930");
    clock.set(Date::fromYmd(2031, 1, 1));
    EXPECT_EQ(convert("05/03/30", DateLayout::DdMmYy), "05/03/2030");
}

TEST_F(DateConversion, YearThatIsANumberButNotAWholeNumberFailsTheLineOnly)
{
    EXPECT_EQ(convert("05/03/5.", DateLayout::DdMmYy), "00/00/0000");
    EXPECT_EQ(convert("0503 5", DateLayout::DdMmYyCompact), "05/03/2005");
    EXPECT_EQ(convert("05035 ", DateLayout::DdMmYyCompact), "00/00/0000");
    EXPECT_FALSE(Date_Valide("00/00/0000", clock));
}

TEST_F(DateConversion, CompactLayouts)
{
    EXPECT_EQ(convert("050304", DateLayout::DdMmYyCompact), "05/03/2004");
    EXPECT_EQ(convert("05Mar04", DateLayout::DdMmYyCompact), "05/03/2004");
    EXPECT_EQ(convert("05mar04", DateLayout::DdMmYyCompact), "");
    EXPECT_EQ(convert("05MAR04", DateLayout::DdMmYyCompact), "");
    EXPECT_EQ(convert("05032004", DateLayout::DdMmYyyyCompact), "05/03/2004");
    EXPECT_EQ(convert("05032004 10:30", DateLayout::DdMmYyyyCompact), "05/03/2004");
    EXPECT_EQ(convert("0503", DateLayout::DdMmYyyyCompact), "00/00/0000");
    EXPECT_EQ(convert("03052004", DateLayout::MmDdYyyy), "05/03/2004");
    EXPECT_EQ(convert("030504", DateLayout::MmDdYy), "05/03/2004");
    EXPECT_EQ(convert("20040305", DateLayout::YyyyMmDd), "05/03/2004");
}

TEST_F(DateConversion, YearFirstShortLayoutKeepsTwoCharactersForTheDateCheck)
{
    EXPECT_EQ(convert("040305", DateLayout::YyMmDd), "05/03/04");
    EXPECT_EQ(parseDate("05/03/04", clock), Date::fromYmd(2004, 3, 5));
}

TEST_F(DateConversion, PartsAreTestedInTheLayoutsOrder)
{
    // Month first: a bad month empties the result even when the year is bad too.
    EXPECT_EQ(convert("xx05zz", DateLayout::MmDdYy), "");
    EXPECT_EQ(convert("0305zz", DateLayout::MmDdYy), "00/00/0000");
    EXPECT_EQ(convert("zz0305", DateLayout::YyMmDd), "00/00/0000");
    EXPECT_EQ(convert("zzxx05", DateLayout::YyMmDd), "");
    EXPECT_EQ(convert("", DateLayout::DdMmYyyyCompact), "");
}

TEST_F(DateConversion, DashedLayoutPadsADayOfOneDigit)
{
    EXPECT_EQ(convert("5-Mar-04", DateLayout::DMYyDashed), "05/03/2004");
    EXPECT_EQ(convert("05-03-04", DateLayout::DMYyDashed), "05/03/2004");
    EXPECT_EQ(convert("5-3-04", DateLayout::DMYyDashed), "");
}

TEST_F(DateConversion, FullLayoutReturnsTheTextAfterMonthNames)
{
    EXPECT_EQ(convert("31/02/2004", DateLayout::DdMmYyyy), "31/02/2004");
    EXPECT_FALSE(Date_Valide("31/02/2004", clock));
    EXPECT_EQ(convert("Mar/05/2004", DateLayout::DdMmYyyy), "03/05/2004");
    EXPECT_EQ(parseDate("03/05/2004", clock), Date::fromYmd(2004, 5, 3));
    EXPECT_EQ(convert("5/3/2004", DateLayout::DdMmYyyy), "5/3/2004");
}

TEST_F(DateConversion, NoLayoutConvertsNothing)
{
    EXPECT_EQ(Formatage_de_la_date("05/03/04", std::nullopt, clock), "");
}

TEST(PriceText, CommaBecomesPointAndChecksReadOnlyThePoint)
{
    EXPECT_EQ(To_Float("1,25"), "1.25");
    EXPECT_EQ(To_Float("1.25"), "1.25");
    EXPECT_FALSE(Prix_Valide("1,25"));
    EXPECT_TRUE(Prix_Valide(" 1.25 "));
    EXPECT_TRUE(Prix_Valide("+1.25"));
    EXPECT_TRUE(Prix_Valide("1.25e1"));
    EXPECT_FALSE(Prix_Valide("-0.5"));
    EXPECT_FALSE(Prix_Valide(""));
    EXPECT_TRUE(Volume_Valide(""));
}

}  // namespace
}  // namespace kiruvan
