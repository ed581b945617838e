#include <gtest/gtest.h>

#include "import/import_settings.h"
#include "import/ini_file.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using test::readFile;
using test::writeFile;

class SettingsFile : public ::testing::Test {
protected:
    test::TempFolder folder;
    FixedClock clock = test::fixedClock2026();
    std::filesystem::path ini = folder.file("Files.ini");
};

TEST_F(SettingsFile, MissingFileGivesTheDefaults)
{
    const ImportSettings s = Lecture_Fichier_INI(ini, clock);
    EXPECT_EQ(s.fieldSeparator, 0);
    EXPECT_EQ(s.decimalSeparator, 0);
    EXPECT_EQ(s.dateFormat, 0);
    EXPECT_EQ(s.firstDate, clock.today());
    for (int kind : s.columns)
        EXPECT_EQ(kind, kNone);
    EXPECT_FALSE(std::filesystem::exists(ini));
}

TEST_F(SettingsFile, WritesEveryKeyInOrderWithSectionNamesAsTheyAre)
{
    ImportSettings s;
    s.fieldSeparator = 3;
    s.dateFormat = 8;
    s.firstDate = Date::fromYmd(2004, 1, 1);
    s.columns = {1, 3, 5, 7, 6, 8, 9, 0, 0, 0};
    Ecriture_Fichier_INI(ini, s);
    EXPECT_EQ(readFile(ini),
              "[Field Separator]\r\nValue=3\r\n[Decimal Separator]\r\nValue=0\r\n[Date Format]\r\nValue=8\r\n"
              "[First Date]\r\nValue=01/01/2004\r\n[Data Type]\r\nCol 1=1\r\nCol 2=3\r\nCol 3=5\r\nCol 4=7\r\n"
              "Col 5=6\r\nCol 6=8\r\nCol 7=9\r\nCol 8=0\r\nCol 9=0\r\nCol 10=0\r\n[Decimal Comma]\r\nValue=0\r\n");
    const ImportSettings back = Lecture_Fichier_INI(ini, clock);
    EXPECT_EQ(back.fieldSeparator, 3);
    EXPECT_EQ(back.dateFormat, 8);
    EXPECT_EQ(back.firstDate, s.firstDate);
    EXPECT_EQ(back.columns, s.columns);
}

TEST_F(SettingsFile, ReadsWithoutRegardToCaseBlanksOrLineEnds)
{
    writeFile(ini, "[field separator]\r\n  value = 2 \r\n[DATE FORMAT]\nVALUE=7\n[Data Type]\ncol 3 = 9\r\n");
    const ImportSettings s = Lecture_Fichier_INI(ini, clock);
    EXPECT_EQ(s.fieldSeparator, 2);
    EXPECT_EQ(s.dateFormat, 7);
    EXPECT_EQ(s.columns[2], kVolume);
}

TEST_F(SettingsFile, UnreadableValuesTakeTheDefaultsAndOutOfRangeIndexesSelectNothing)
{
    writeFile(ini, "[Field Separator]\nValue=x\n[Date Format]\nValue=11\n[First Date]\nValue=soon\n"
                   "[Data Type]\nCol 1=11\nCol 2=-1\nCol 3=2.5\n");
    const ImportSettings s = Lecture_Fichier_INI(ini, clock);
    EXPECT_EQ(s.fieldSeparator, 0);
    EXPECT_EQ(s.dateFormat, kNoSelection);
    EXPECT_EQ(s.firstDate, clock.today());
    EXPECT_EQ(s.columns[0], kNoSelection);
    EXPECT_EQ(s.columns[1], kNoSelection);
    EXPECT_EQ(s.columns[2], kNone);
}

TEST_F(SettingsFile, FirstDateIsBroughtIntoThePickersRange)
{
    writeFile(ini, "[First Date]\nValue=31/12/1919\n");
    EXPECT_EQ(Lecture_Fichier_INI(ini, clock).firstDate, Date::fromYmd(1920, 1, 1));
    writeFile(ini, "[First Date]\nValue=16/06/2026\n");
    EXPECT_EQ(Lecture_Fichier_INI(ini, clock).firstDate, clock.today());
}

TEST_F(SettingsFile, KeepsWhatItDoesNotKnow)
{
    writeFile(ini, "; comment\r\n[Other]\r\nKey=1\r\n\r\n[Date Format]\r\nExtra=yes\r\nvalue=4\r\n\r\n[Data "
                   "Type]\r\nCol 11=3\r\n");
    ImportSettings s;
    s.dateFormat = 2;
    s.firstDate = Date::fromYmd(2010, 5, 1);
    Ecriture_Fichier_INI(ini, s);
    const std::string text = readFile(ini);
    EXPECT_EQ(text.find("; comment\r\n[Other]\r\nKey=1\r\n\r\n[Date Format]\r\nExtra=yes\r\nValue=2\r\n\r\n"), 0u)
        << text;
    EXPECT_NE(text.find("Col 11=3\r\nCol 1=0\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[First Date]\r\nValue=01/05/2010\r\n"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(folder.file("Files.ini.tmp")));
}

TEST(IniText, KeyBeforeAnySectionOrInAnotherSectionIsNotFound)
{
    const IniFile ini("Value=3\n[A]\nx=1\n[B]\nValue=4\n");
    EXPECT_FALSE(ini.value("A", "Value"));
    EXPECT_EQ(ini.value("b", "value"), "4");
    EXPECT_EQ(ini.integer("A", "x"), 1);
}

ImportSettings withColumns(std::array<int, kImportColumns> kinds)
{
    ImportSettings s;
    s.columns = kinds;
    return s;
}

TEST(ColumnCheck, MapsEachKindToItsColumn)
{
    const ColumnCheck check = Verification_CBX(withColumns({kSymbol, kDate, kOpen, kHigh, kLow, kClose}));
    ASSERT_TRUE(check.passed()) << check.message;
    EXPECT_EQ(check.numbers[kSymbol], 1);
    EXPECT_EQ(check.numbers[kDate], 2);
    EXPECT_EQ(check.numbers[kOpen], 3);
    EXPECT_EQ(check.numbers[kHigh], 4);
    EXPECT_EQ(check.numbers[kLow], 5);
    EXPECT_EQ(check.numbers[kClose], 6);
    EXPECT_EQ(check.numbers[kVolume], 0);
    EXPECT_EQ(check.numbers[kOpenInterest], 0);
    EXPECT_TRUE(Verification_CBX(withColumns({})).passed());
}

TEST(ColumnCheck, GapIsNamedBeforeSeparatorAndDuplicates)
{
    ColumnCheck check = Verification_CBX(withColumns({kNone, kDate}));
    EXPECT_EQ(check.message, "Please check Column 1.");
    EXPECT_EQ(check.blamedColumn, 1);
    check = Verification_CBX(withColumns({kNone, kNone, kDate}));
    EXPECT_EQ(check.message, "Please check Column 2.");
    check = Verification_CBX(withColumns({kDate, kNone, kDate, kDate}));
    EXPECT_EQ(check.message, "Please check Column 2.");

    ImportSettings s = withColumns({kNone, kDate});
    s.fieldSeparator = 1;
    EXPECT_EQ(Verification_CBX(s).message, "Please check Column 1.");
    s.columns = {kDate};
    check = Verification_CBX(s);
    EXPECT_EQ(check.message, "Field separator error");
    EXPECT_EQ(check.blamed, BlamedBox::FieldSeparator);
}

TEST(ColumnCheck, NamesTheLastDuplicateInColumnOrder)
{
    const ColumnCheck check = Verification_CBX(withColumns({kDate, kDate, kOpen, kOpen}));
    EXPECT_EQ(check.message, "A column \"open\" already exists.");
    EXPECT_EQ(check.blamedColumn, 4);
    EXPECT_EQ(Verification_CBX(withColumns({kOpenInterest, kOpenInterest})).message,
              "A column \"open interest\" already exists.");
}

TEST(ColumnCheck, ColumnWithoutSelectionCountsAsUsedButMapsNothing)
{
    EXPECT_EQ(Verification_CBX(withColumns({kNone, kNoSelection})).message, "Please check Column 1.");
    const ColumnCheck check = Verification_CBX(withColumns({kNoSelection, kDate}));
    EXPECT_TRUE(check.passed());
    EXPECT_EQ(check.numbers[kDate], 2);
}

TEST(ColumnCheck, SeparatorWithoutSelectionMatchesADecimalSeparatorWithoutSelection)
{
    ImportSettings s;
    s.fieldSeparator = kNoSelection;
    EXPECT_TRUE(Verification_CBX(s).passed());
    EXPECT_EQ(Definition_des_parametres(s), "");
    s.decimalSeparator = kNoSelection;
    EXPECT_EQ(Verification_CBX(s).message, "Field separator error");
    s.fieldSeparator = 3;
    EXPECT_EQ(Definition_des_parametres(s), "\t");
}

}  // namespace
}  // namespace kiruvan
