#include <gtest/gtest.h>

#include "import/quote_file.h"
#include "support/temp_folder.h"

namespace kiruvan {
namespace {

using Lines = std::vector<std::string>;

TEST(QuoteFileLines, SplitOnEveryKindOfLineEnd)
{
    EXPECT_EQ(splitQuoteLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitQuoteLines("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(splitQuoteLines("a\r\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(splitQuoteLines("a\n\nb\n"), (Lines{"a", "", "b"}));
    EXPECT_EQ(splitQuoteLines(""), Lines{});
    EXPECT_EQ(splitQuoteLines("\n"), (Lines{""}));
}

TEST(QuoteFileLines, KeepsLongLinesWhole)
{
    const std::string longLine(100000, 'x');
    EXPECT_EQ(splitQuoteLines(longLine + "\n;"), (Lines{longLine, ";"}));
}

TEST(QuoteFileText, DropsTheByteOrderMarkAndReadsOtherBytesAsWindows1252)
{
    EXPECT_EQ(splitQuoteLines("\xEF\xBB\xBF"
                              "ABC;1\n"),
              (Lines{"ABC;1"}));
    EXPECT_EQ(splitQuoteLines("Caf\xC3\xA9\n"), (Lines{"Caf\xC3\xA9"}));
    EXPECT_EQ(splitQuoteLines("Caf\xE9;\x80\n"), (Lines{"Caf\xC3\xA9;\xE2\x82\xAC"}));
    EXPECT_EQ(splitQuoteLines("\x81"), (Lines{"\xC2\x81"}));
}

TEST(QuoteFileText, RejectsMalformedUtf8)
{
    EXPECT_TRUE(isValidUtf8("\xE2\x82\xAC"));
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // past the Unicode range
}

TEST(QuoteFileText, MissingFileIsAnErrorNamingIt)
{
    test::TempFolder folder;
    try {
        readQuoteFile(folder.file("none.txt"));
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("none.txt"), std::string::npos);
    }
}

}  // namespace
}  // namespace kiruvan
