// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <string>

#include "resources/formatting.h"

namespace pelorus::resources {
namespace {

TEST(VisibleText, EscapesControlAndInvisibleFormatCharacters) {
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {
        {"a\x1b[31mb", "a<U+001B>[31mb"},
        {"new\nline\ttab\x01\x7f", "new<U+000A>line<U+0009>tab<U+0001><U+007F>"},
        {"\xC2\x85"
         "c1",
         "<U+0085>c1"},  // NEL
        {"evil\xE2\x80\xAE"
         "fdp.exe",
         "evil<U+202E>fdp.exe"},  // RLO
        {"\xE2\x81\xA6x\xE2\x81\xA9\xE2\x80\x8F", "<U+2066>x<U+2069><U+200F>"},
        {"\xEF\xBB\xBF"
         "bom\xE2\x80\x8B",
         "<U+FEFF>bom<U+200B>"},
        {"tag\xF3\xA0\x80\x81", "tag<U+E0001>"},
        {"bad\xFF", "bad\xEF\xBF\xBD"},  // not UTF-8: U+FFFD, as always
    };
    for (const auto& c : cases)
        EXPECT_EQ(visibleText(c.text), c.shown) << c.text;
}

TEST(VisibleText, LeavesOrdinaryTextJoinersAndSelectorsAlone) {
    for (const std::string text :
         {"/usr/lib/x86_64-linux-gnu", "caf\xC3\xA9 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D",
          "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9",  // ZWJ sequence
          "\xE2\x9D\xA4\xEF\xB8\x8F", "<U+202E> typed out", ""}) {
        EXPECT_EQ(visibleText(text), text);
    }
}

TEST(VisibleText, WindowCaptionsShowTitleAndClassEscapedAfterTheCut) {
    EXPECT_EQ(WindowCaption("a\xE2\x80\xAE"
                            "b",
                            "X\x1b", 5),
              "a<U+202E>b (X<U+001B>)   (5)");
    // The cut counts the characters that were read, not their escapes.
    const std::string title = std::string(253, 't') + "\x1b\x1b";
    EXPECT_EQ(WindowCaption(title, "", 6), std::string(253, 't') + "<U+001B> ()   (6)");
}

}  // namespace
}  // namespace pelorus::resources
