// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/windowtext.h"

#include <gtest/gtest.h>

namespace pelorus::text {
namespace {

using namespace std::string_literals;
const std::string kBad = "\xEF\xBF\xBD";

std::string Repeat(const std::string& text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

TEST(WindowText, CutsAt254CodePointsNeverInsideASequence) {
    EXPECT_EQ(utf8Text(Repeat("x", 300)), Repeat("x", 254));
    EXPECT_EQ(utf8Text(Repeat("\xC3\xA9", 300)), Repeat("\xC3\xA9", 254));
    EXPECT_EQ(utf8Text("a" + Repeat("\xF0\x9F\x98\x80", 300)),
              "a" + Repeat("\xF0\x9F\x98\x80", 253));
    EXPECT_EQ(utf8Text(Repeat("x", 254)), Repeat("x", 254));
    EXPECT_EQ(utf8Text(""), "");
}

TEST(WindowText, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(utf8Text("A2\xFF\xFE"), "A2" + kBad + kBad);
    EXPECT_EQ(utf8Text("\xC0\x80"), kBad + kBad);              // overlong NUL
    EXPECT_EQ(utf8Text("\xED\xA0\x80"), kBad + kBad + kBad);   // a surrogate
    EXPECT_EQ(utf8Text("\xF4\x90\x80\x80"), Repeat(kBad, 4));  // above U+10FFFF
    EXPECT_EQ(utf8Text("ok\xE2\x82"), "ok" + kBad + kBad);     // cut-off sequence
    EXPECT_EQ(utf8Text("\xE2\x82\xAC"), "\xE2\x82\xAC");
    // Each replacement counts as one code point towards the cut.
    EXPECT_EQ(utf8Text(Repeat("\xFF", 300)), Repeat(kBad, 254));
}

TEST(WindowText, EndsAtTheFirstNul) {
    EXPECT_EQ(utf8Text("title\0rest"s), "title");
}

TEST(WindowText, StringPropertiesAreUtf8WhenValidElseLatin1) {
    EXPECT_EQ(stringText("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(stringText("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(stringText(Repeat("\xE9", 300)), Repeat("\xC3\xA9", 254));
}

TEST(WindowText, ClassIsTheSecondStringWithOrWithoutItsNul) {
    EXPECT_EQ(classPart("xterm\0XTerm\0"s), "XTerm");
    EXPECT_EQ(classPart("xterm\0XTerm"s), "XTerm");
    EXPECT_EQ(classPart("xterm\0XTerm\0extra\0"s), "XTerm");
    EXPECT_EQ(classPart("xterm\0"s), "");
    EXPECT_EQ(classPart("xterm"), "");
    EXPECT_EQ(classPart(""), "");
}

}  // namespace
}  // namespace pelorus::text
