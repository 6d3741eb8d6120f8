// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/formatting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tests/logic/stubwindows.h"

namespace pelorus::details {
namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

TEST(HexHandle, AlwaysEightLowerCaseDigits) {
    const struct {
        std::int32_t value;
        const char* text;
    } cases[] = {
        {0, "00000000"},          {1234, "000004d2"},
        {655794, "000a01b2"},     {-1, "ffffffff"},
        {2147483647, "7fffffff"}, {std::numeric_limits<std::int32_t>::min(), "80000000"},
        {255, "000000ff"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HexHandle(c.value), c.text) << c.value;
}

TEST(PriorityText, NamesOnlyTheFourClassesAndNumbersTheRest) {
    const struct {
        std::int32_t priority;
        const char* text;
    } cases[] = {
        {4, "4 (idle)"},
        {8, "8 (normal)"},
        {13, "13 (high)"},
        {24, "24 (realtime)"},
        {6, "6 (\?\?\?)"},
        {0, "0 (\?\?\?)"},
        {10, "10 (\?\?\?)"},
        {-2, "-2 (\?\?\?)"},
        {31, "31 (\?\?\?)"},
        {7, "7 (\?\?\?)"},
        {9, "9 (\?\?\?)"},
        {15, "15 (\?\?\?)"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648 (\?\?\?)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PriorityText(c.priority), c.text) << c.priority;
}

TEST(FormatWindowCaption, TitleClassAndSignedDecimalHandle) {
    EXPECT_EQ(FormatWindowCaption("Program Manager", "Progman", 65556),
              "Program Manager (Progman)   (65556)");
    EXPECT_EQ(FormatWindowCaption("", "Shell_TrayWnd", 131104), "(Shell_TrayWnd)   (131104)");
    EXPECT_EQ(FormatWindowCaption("", "", 42), "()   (42)");
    EXPECT_EQ(FormatWindowCaption("T", "", 0x80000000u), "T ()   (-2147483648)");
    EXPECT_EQ(FormatWindowCaption("", "c", 0xFFFFFFFFu), "(c)   (-1)");
}

TEST(WindowCaption, AsksTheWindowSystemAndHoldsItsAnswerToTheRules) {
    testing::StubWindowSystem windows;
    windows.textOf[655812] = {"Editor", "XTerm"};
    windows.textOf[7] = {std::string(300, 'x'), std::string(255, 'c')};
    windows.textOf[8] = {"bad\xFF", ""};
    windows.textOf[9] = {std::string(253, 'a') + "\xC3\xA9\xC3\xA9", ""};

    EXPECT_EQ(WindowCaption(windows, 655812), "Editor (XTerm)   (655812)");
    EXPECT_EQ(WindowCaption(windows, 7),
              std::string(254, 'x') + " (" + std::string(254, 'c') + ")   (7)");
    EXPECT_EQ(WindowCaption(windows, 8), "bad" + kFFFD + " ()   (8)");
    // Cut after 254 code points, not inside the two-byte character.
    EXPECT_EQ(WindowCaption(windows, 9), std::string(253, 'a') + "\xC3\xA9 ()   (9)");
    // A window that has gone: empty title and class, the handle still shows.
    EXPECT_EQ(WindowCaption(windows, 99), "()   (99)");
    windows.answerNoTexts = true;
    EXPECT_EQ(WindowCaption(windows, 655812), "()   (655812)");
}

TEST(KeyHex, UpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(KeyHex(0), "0");
    EXPECT_EQ(KeyHex(1234), "4D2");
    EXPECT_EQ(KeyHex(655812), "A01C4");
    EXPECT_EQ(KeyHex(16), "10");
    EXPECT_EQ(KeyHex(0x80000000u), "80000000");
    EXPECT_EQ(KeyHex(0xFFFFFFFFu), "FFFFFFFF");
}

}  // namespace
}  // namespace pelorus::details
