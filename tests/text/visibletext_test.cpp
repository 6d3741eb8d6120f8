// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/text/escaping.h"
#include "platform/text/utf8.h"
#include "resources/formatting.h"

namespace pelorus::resources {
namespace {

using text::visibleText;

const std::string kCut = "\xE2\x80\xA6";  // the cut marker, an ellipsis

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
    // Held to 254 characters once escaped: the escapes of the last two do not fit, so
    // the cut is marked where it stood.
    const std::string title = std::string(253, 't') + "\x1b\x1b";
    EXPECT_EQ(WindowCaption(title, "", 6), std::string(253, 't') + kCut + " ()   (6)");
}

// Each named character, written out by hand, and whether the lists show it escaped.
TEST(VisibleText, EscapesEveryFormatAndDefaultIgnorableCharacter) {
    const struct {
        char32_t first;
        char32_t last;
        bool hidden;
    } cases[] = {
        {0xFFF0, 0xFFF8, true},    // unassigned, ignorable: drawn with no width
        {0xE0080, 0xE00FF, true},  // unassigned tags
        {0xE01F0, 0xE0FFF, true},  // unassigned, past the variation selectors
        {0x0600, 0x0605, true},    // Arabic number signs (prepended format characters)
        {0x06DD, 0x06DD, true},    // Arabic end of ayah
        {0x070F, 0x070F, true},    // Syriac abbreviation mark
        {0x110BD, 0x110BD, true},  // Kaithi number sign
        {0x13430, 0x13438, true},  // Egyptian hieroglyph format controls
        {0x1BCA0, 0x1BCA3, true},  // shorthand format controls
        {0x00AD, 0x00AD, true},    // soft hyphen
        {0x180E, 0x180E, true},    // Mongolian vowel separator
        {0x200B, 0x200B, true},    // zero width space
        {0x2028, 0x202E, true},    // separators, embeddings, overrides
        {0x2060, 0x206F, true},    // word joiner, invisible operators, isolates
        {0xFEFF, 0xFEFF, true},    // byte order mark
        {0xFFF9, 0xFFFB, true},    // interlinear annotation
        {0x1D173, 0x1D17A, true},  // musical format characters
        {0xE0000, 0xE007F, true},  // tags
        {0x200C, 0x200D, false},   // the joiners: scripts and emoji need them
        {0xFE00, 0xFE0F, false},   // variation selectors
        {0xE0100, 0xE01EF, false}, {0x180B, 0x180D, false},  // Mongolian free variation selectors
        {0x180F, 0x180F, false},   {0x0301, 0x0301, false},  // a combining mark draws on its letter
        {0x0041, 0x0041, false},   {0xFFFD, 0xFFFD, false},
        {0x1F600, 0x1F600, false}, {0x0606, 0x0606, false},  // beside the named ones
        {0x13440, 0x13440, false}, {0x1BCA4, 0x1BCA4, false},
    };
    for (const auto& c : cases) {
        for (char32_t cp = c.first; cp <= c.last; ++cp) {
            std::string text;
            text::appendUtf8(text, cp);
            char digits[16];
            std::snprintf(digits, sizeof digits, "<U+%04X>", static_cast<unsigned>(cp));
            EXPECT_EQ(visibleText(text), c.hidden ? std::string(digits) : text)
                << std::hex << static_cast<unsigned>(cp);
        }
    }
}

TEST(ShownText, HoldsTheTextToItsLengthEscapesIncludedAndMarksTheCut) {
    const std::string esc = "\x1b";
    const std::string tag = "\xF3\xA0\x80\x81";  // U+E0001, nine characters escaped
    const struct {
        std::string text;
        std::size_t limit;
        std::string shown;
    } cases[] = {
        {"abcdef", 6, "abcdef"},  // exactly the length: whole, no mark
        {"abcdefg", 6, "abcde" + kCut},
        {"ab" + esc, 10, "ab<U+001B>"},
        {"ab" + esc, 9, "ab" + kCut},  // an escape is never cut in two
        {"abc" + esc + "d", 12, "abc<U+001B>d"},
        {"abc" + esc + "d", 11, "abc" + kCut},  // the escape would leave no room for the mark
        {tag + tag + tag, 20, "<U+E0001><U+E0001>" + kCut},
        {"\xC3\xA9\xC3\xA9\xC3\xA9", 2, "\xC3\xA9" + kCut},  // characters, not bytes
        {"bad\xFF\xFFz", 5, "bad\xEF\xBF\xBD" + kCut},
        {"abc", 0, ""},
        {"", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shownText(c.text, c.limit), c.shown) << c.text << " " << c.limit;

    // Escaping can no longer grow a caption nine times: 254 tags as read show as 28
    // escapes of nine characters and the mark, not as 2,286 characters.
    std::string tags;
    for (int i = 0; i < 254; ++i)
        tags += tag;
    std::string shownTags;
    for (int i = 0; i < 28; ++i)
        shownTags += "<U+E0001>";
    shownTags += kCut;
    EXPECT_EQ(WindowCaption(tags, tags, 1), shownTags + " (" + shownTags + ")   (1)");
}

}  // namespace
}  // namespace pelorus::resources
