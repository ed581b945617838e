#include <gtest/gtest.h>

#include <sstream>

#include "database/ascii_export.h"
#include "database/symbol_data_edits.h"
#include "database/symbol_files.h"
#include "database_test_data.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using test::bar;
using test::BarRow;
using test::TempFolder;

class SymbolDataTest : public ::testing::Test {
protected:
    SymbolDataTest() { bars.setClock(clock); }

    void load(const std::vector<BarRow>& rows)
    {
        test::writeSymbolFile(folder, "IBM", rows);
        loadSymbolData(bars, folder, "IBM");
    }

    std::optional<RowFailure> verify() { return verifyBars(bars, clock); }

    double value(int recNo, const char* field)
    {
        bars.moveTo(recNo);
        return bars.field(field).asFloat();
    }

    TempFolder temp;
    DataFolder folder{temp.path()};
    FixedClock clock = test::fixedClock2026();
    Table bars;
};

TEST_F(SymbolDataTest, LoadsRowsInDateOrderWithTheEarliestCurrent)
{
    load({bar(2004, 3, 9, 1, 1, 1, 1), bar(2003, 12, 31, 2, 2, 2, 2), bar(2004, 3, 5, 3, 3, 3, 3)});
    EXPECT_EQ(bars.field("Date").asString(), "31/12/2003");
    EXPECT_EQ(bars.recNo(), 1);
    bars.last();
    EXPECT_EQ(bars.field("Date").asString(), "09/03/2004");
}

TEST_F(SymbolDataTest, LoadFindsTheFileWithoutRegardToCaseAndRefusesUnsafeCodes)
{
    test::writeSymbolFile(folder, "IBM", {bar(2004, 3, 5, 1, 1, 1, 1)});
    loadSymbolData(bars, folder, "ibm");
    EXPECT_EQ(bars.recordCount(), 1);
    EXPECT_THROW(loadSymbolData(bars, folder, "../IBM"), std::invalid_argument);
    EXPECT_THROW(loadSymbolData(bars, folder, "MSFT"), TableError);
}

TEST_F(SymbolDataTest, LoadRefusesAFileWithoutTheBarFields)
{
    Table other;
    other.addField("Date", FieldType::Date);
    other.addField("Price", FieldType::Float);
    other.create();
    other.saveToFile(temp.file("ODD.cds"));
    try {
        loadSymbolData(bars, folder, "ODD");
        FAIL() << "loaded a file without Open";
    } catch (const TableError& error) {
        EXPECT_NE(std::string(error.what()).find("ODD.cds"), std::string::npos);
    }
}

TEST_F(SymbolDataTest, VerificationPassesGoodRowsAndAnEmptyVolume)
{
    load({bar(2004, 3, 5, 10, 11, 9, 10.5), bar(2004, 3, 8, 10, 10, 10, 10, std::nullopt),
          bar(2004, 3, 9, 0, 0, 0, 0, 0)});
    EXPECT_EQ(verify(), std::nullopt);
}

TEST_F(SymbolDataTest, VerificationStopsOnTheFirstFailingRowAndColumn)
{
    struct Case {
        const char* what;
        BarRow bad;
        int column;
    };
    const std::vector<Case> cases = {
        {"low above close", bar(2004, 3, 8, 10, 11, 10.5, 10.2), kLowColumn},
        {"open above high", bar(2004, 3, 8, 12, 11, 9, 10), kHighColumn},
        {"close above high and below low", bar(2004, 3, 8, 10, 11, 9, 12), kHighColumn},
        {"high below low", bar(2004, 3, 8, 10, 8, 9, 10), kHighColumn},
        {"negative volume", bar(2004, 3, 8, 10, 11, 9, 10, -5), kVolumeColumn},
        {"negative open", bar(2004, 3, 8, -1, 11, 9, 10), kOpenColumn},
        {"negative open and volume: the last failing one", bar(2004, 3, 8, -1, 11, 9, 10, -5), kVolumeColumn},
        {"no close", BarRow{Date::fromYmd(2004, 3, 8), 10, 11, 9, std::nullopt, 1}, kCloseColumn},
        {"no date", BarRow{std::nullopt, 10, 11, 9, 10, 1}, kDateColumn},
    };
    for (const Case& c : cases) {
        load({bar(2004, 3, 5, 10, 11, 9, 10), c.bad, bar(2004, 3, 9, 10, 11, 9, 12)});
        const auto failure = verify();
        ASSERT_TRUE(failure) << c.what;
        const int expectedRow = c.bad.date ? 2 : 1;  // a row without a date sorts first
        EXPECT_EQ(*failure, (RowFailure{expectedRow, c.column})) << c.what;
        EXPECT_EQ(bars.recNo(), expectedRow) << c.what;
        std::filesystem::remove(temp.file("IBM.cds"));
    }
}

TEST_F(SymbolDataTest, VerificationCatchesTwoRowsOfOneDayOnTheSecond)
{
    load({bar(2004, 3, 5, 10, 11, 9, 10), bar(2004, 3, 8, 10, 11, 9, 10), bar(2004, 3, 8, 10, 11, 9, 10)});
    EXPECT_EQ(verify(), (RowFailure{3, kDateColumn}));
}

TEST_F(SymbolDataTest, DivisionExamples)
{
    load({bar(2004, 3, 5, 10, 11, 9.5, 10.5, 1000), bar(2004, 3, 8, 20.123, 20.5, 20.001, 20.2, 1500.5)});
    divideBefore(bars, 2, Date::fromYmd(2004, 3, 5));
    EXPECT_EQ(value(1, "Open"), 5);
    EXPECT_EQ(value(1, "High"), 5.5);
    EXPECT_EQ(value(1, "Low"), 4.75);
    EXPECT_EQ(value(1, "Close"), 5.25);
    EXPECT_EQ(value(1, "Volume"), 2000);
    // After the chosen day: divided by 1, so only rounded (halves to even).
    EXPECT_EQ(value(2, "Open"), 20.12);
    EXPECT_EQ(value(2, "Low"), 20);
    EXPECT_EQ(value(2, "Volume"), 1500);
}

TEST_F(SymbolDataTest, DaysCompareAsDatesNotAsText)
{
    // As text, 01/01/2005 would come before 05/03/2004.
    load({bar(2004, 3, 5, 10, 10, 10, 10, 1), bar(2005, 1, 1, 10, 10, 10, 10, 1)});
    EXPECT_EQ(verify(), std::nullopt);
    divideBefore(bars, 2, Date::fromYmd(2004, 3, 5));
    EXPECT_EQ(value(1, "Open"), 5);
    EXPECT_EQ(value(2, "Open"), 10);
}

TEST_F(SymbolDataTest, DivisionByAHalfDoublesPricesAndHalvesVolume)
{
    load({bar(2004, 3, 5, 10, 11, 9.5, 10.5, 1000)});
    divideBefore(bars, divisorFromText(".5"), Date::fromYmd(2004, 3, 5));
    EXPECT_EQ(value(1, "Open"), 20);
    EXPECT_EQ(value(1, "Low"), 19);
    EXPECT_EQ(value(1, "Volume"), 500);
}

TEST_F(SymbolDataTest, DivisionRoundsExactHalvesToEven)
{
    EXPECT_EQ(roundHalfEven(2.5L), 2.0L);
    EXPECT_EQ(roundHalfEven(3.5L), 4.0L);
    EXPECT_EQ(roundHalfEven(-2.5L), -2.0L);
    load({bar(2004, 3, 5, 0.25, 0.25, 0.25, 0.25, 5), bar(2004, 3, 8, 1, 1, 1, 1, 7)});
    divideBefore(bars, 2, Date::fromYmd(2004, 3, 8));
    EXPECT_EQ(value(1, "Open"), 0.12);  // 12.5 cents go to 12
    EXPECT_EQ(value(2, "Open"), 0.5);
    EXPECT_EQ(value(1, "Volume"), 10);
}

TEST_F(SymbolDataTest, DivisionLeavesRowsWithAZeroPriceAndIgnoresAZeroDivisor)
{
    load({bar(2004, 3, 5, 0, 11, 9.5, 10.5, 1000), bar(2004, 3, 8, 10, 11, 9.5, 10.5, 1000)});
    divideBefore(bars, 0, Date::fromYmd(2004, 3, 8));
    EXPECT_EQ(value(2, "Open"), 10);
    divideBefore(bars, 2, Date::fromYmd(2004, 3, 8));
    EXPECT_EQ(value(1, "High"), 11);
    EXPECT_EQ(value(1, "Volume"), 1000);
    EXPECT_EQ(value(2, "High"), 5.5);
}

TEST_F(SymbolDataTest, DivisionOfHugePricesDoesNotTripOnTheirProduct)
{
    load({bar(2004, 3, 5, 1e200, 1e200, 1e200, 1e200, 1)});
    EXPECT_NO_THROW(divideBefore(bars, 2, Date::fromYmd(2004, 3, 5)));
    EXPECT_DOUBLE_EQ(value(1, "Open"), 5e199);
}

TEST_F(SymbolDataTest, DivisionStopsAtARowWithoutDateAndResumesDisplayUpdates)
{
    load({BarRow{std::nullopt, 10, 10, 10, 10, 1}, bar(2004, 3, 8, 10, 10, 10, 10)});
    bars.disableControls();
    EXPECT_THROW(divideBefore(bars, 2, Date::fromYmd(2004, 3, 8)), TableError);
    EXPECT_TRUE(bars.controlsDisabled());  // our own hold was released
    bars.enableControls();
    EXPECT_FALSE(bars.controlsDisabled());
}

TEST(DivisorText, AcceptsOnlyWhatItCanRead)
{
    EXPECT_TRUE(divisorTextAcceptable(""));
    EXPECT_TRUE(divisorTextAcceptable("1.5"));
    EXPECT_TRUE(divisorTextAcceptable(".5"));
    EXPECT_FALSE(divisorTextAcceptable("1.."));
    EXPECT_FALSE(divisorTextAcceptable("1234"));
    EXPECT_FALSE(divisorTextAcceptable("-1"));
    EXPECT_FALSE(divisorTextAcceptable("1e3"));
    EXPECT_EQ(divisorFromText(".5"), 0.5);
    EXPECT_EQ(divisorFromText(""), 0);
    EXPECT_EQ(divisorFromText("abc"), 0);
    EXPECT_EQ(divisorFromText("10"), 10);
}

TEST(DivisorText, ConfirmingWithZeroIsNoDivision)
{
    const Date day = Date::fromYmd(2004, 3, 5);
    EXPECT_EQ(confirmDivision("0", day).Division_OK, 0);
    EXPECT_EQ(confirmDivision("", day).Division_OK, 0);
    const DivideChoice two = confirmDivision("2", day);
    EXPECT_EQ(two.Division_OK, 1);
    EXPECT_EQ(two.Diviseur, 2);
    EXPECT_EQ(two.Date_Choisie, "05/03/2004");
}

TEST_F(SymbolDataTest, ExportWritesOneCrLfLinePerRowInTheGeneralFormat)
{
    load({bar(2004, 3, 8, 0.1, 13, 1e-7, 12.75, std::nullopt), bar(2004, 3, 5, 12.5, 13, 12.25, 12.75, 1500)});
    std::ostringstream out;
    writeAsciiExport(bars, out);
    EXPECT_EQ(out.str(), "05/03/2004;12.5;13;12.25;12.75;1500\r\n08/03/2004;0.1;13;1E-7;12.75;\r\n");
    EXPECT_EQ(bars.recNo(), 2);
}

TEST_F(SymbolDataTest, ExportReplacesAnExistingFile)
{
    load({bar(2004, 3, 5, 12.5, 13, 12.25, 12.75, 1500), bar(2004, 3, 8, 1, 2, 1, 2, 3)});
    test::writeFile(temp.file("IBM.txt"), std::string(500, 'x'));
    writeAsciiExportFile(bars, temp.file("IBM.txt"));
    const std::string text = test::readFile(temp.file("IBM.txt"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_EQ(std::count(text.begin(), text.end(), ';'), 10);
    EXPECT_EQ(text.find('x'), std::string::npos);
}

TEST_F(SymbolDataTest, SaveRewritesTheRowsAfterEditsInDateOrder)
{
    load({bar(2004, 3, 8, 10, 11, 9.5, 10.5), bar(2004, 3, 5, 1, 1, 1, 1), bar(2004, 3, 9, 2, 2, 2, 2)});
    bars.moveTo(1);
    bars.remove();
    divideBefore(bars, 2, Date::fromYmd(2004, 3, 8));
    Save_file_light(bars, folder.symbolFileFor("IBM"));
    const std::vector<BarRow> rows = test::readSymbolFile(folder, "IBM");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].date, Date::fromYmd(2004, 3, 8));
    EXPECT_EQ(rows[0].open, 5);
    EXPECT_EQ(rows[1].open, 2);
    EXPECT_FALSE(Verification_Fichier_Data(folder, "IBM"));  // the layout check passes
}

TEST_F(SymbolDataTest, SaveOverAFileAnotherProgramChangedIsRefusedAndKeepsTheEdits)
{
    load({bar(2004, 3, 5, 1, 1, 1, 1)});
    test::writeSymbolFile(folder, "IBM", {bar(2004, 3, 8, 2, 2, 2, 2)});
    const std::string written = test::readFile(folder.symbolFileFor("IBM"));
    divideBefore(bars, 2, Date::fromYmd(2004, 3, 5));
    try {
        Save_file_light(bars, folder.symbolFileFor("IBM"));
        FAIL() << "the other program's rows would be lost";
    } catch (const TableError& error) {
        EXPECT_NE(std::string(error.what()).find("was changed by another program; reload it and try again"),
                  std::string::npos);
    }
    EXPECT_EQ(bars.field("Open").asFloat(), 0.5);
    EXPECT_EQ(test::readFile(folder.symbolFileFor("IBM")), written);
}

}  // namespace
}  // namespace kiruvan
