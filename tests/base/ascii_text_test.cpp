#include <gtest/gtest.h>

#include "base/ascii_text.h"

namespace kiruvan {
namespace {

TEST(InputText, ControlCharactersAndBrokenUtf8AreFoundAndEscaped)
{
    const struct {
        std::string text;
        bool valid, control;
        std::string escaped;
    } cases[] = {
        {"Caf\xc3\xa9 \xe2\x82\xac", true, false, "Caf\xc3\xa9 \xe2\x82\xac"},
        {"a\x1b[31mb", true, true, "a\\x1B[31mb"},
        {"line\nforged", true, true, "line\\x0Aforged"},
        {"del\x7f", true, true, "del\\x7F"},
        {"csi\xc2\x9b"
         "2J",
         true, true, "csi\\xC2\\x9B2J"},  // U+009B, a terminal's one-byte escape
        {"nbsp\xc2\xa0", true, false, "nbsp\xc2\xa0"},
        {"stray\xff", false, false, "stray\\xFF"},
        {"cut\xe2\x82", false, false, "cut\\xE2\\x82"},
        {"overlong\xc0\xaf", false, false, "overlong\\xC0\\xAF"},
        {"surrogate\xed\xa0\x80", false, false, "surrogate\\xED\\xA0\\x80"},
        {"beyond\xf4\x90\x80\x80", false, false, "beyond\\xF4\\x90\\x80\\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isValidUtf8(c.text), c.valid) << c.escaped;
        EXPECT_EQ(holdsControlCharacter(c.text), c.control) << c.escaped;
        EXPECT_EQ(escapedControls(c.text), c.escaped);
    }
    EXPECT_EQ(quotedText("a\tb"), "'a\\x09b'");
}

}  // namespace
}  // namespace kiruvan
