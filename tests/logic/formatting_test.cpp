// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/formatting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace pelorus::resources {
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

TEST(WindowCaption, TitleClassAndSignedDecimalHandle) {
    EXPECT_EQ(WindowCaption("Program Manager", "Progman", 65556),
              "Program Manager (Progman)   (65556)");
    EXPECT_EQ(WindowCaption("", "Shell_TrayWnd", 131104), "(Shell_TrayWnd)   (131104)");
    // A window that has gone: empty title and class, the handle still shows.
    EXPECT_EQ(WindowCaption("", "", 42), "()   (42)");
    EXPECT_EQ(WindowCaption("T", "", 0x80000000u), "T ()   (-2147483648)");
    EXPECT_EQ(WindowCaption("", "c", 0xFFFFFFFFu), "(c)   (-1)");
}

TEST(WindowCaption, HoldsAnyTextToValidUtf8Of254CodePoints) {
    EXPECT_EQ(WindowCaption(std::string(300, 'x'), std::string(255, 'c'), 7),
              std::string(254, 'x') + " (" + std::string(254, 'c') + ")   (7)");
    EXPECT_EQ(WindowCaption("bad\xFF", "", 8), "bad" + kFFFD + " ()   (8)");
    // Cut after 254 code points, not inside the two-byte character.
    EXPECT_EQ(WindowCaption(std::string(253, 'a') + "\xC3\xA9\xC3\xA9", "", 9),
              std::string(253, 'a') + "\xC3\xA9 ()   (9)");
}

TEST(KeyHex, UpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(keyHex(0), "0");
    EXPECT_EQ(keyHex(1234), "4D2");
    EXPECT_EQ(keyHex(655812), "A01C4");
    EXPECT_EQ(keyHex(16), "10");
    EXPECT_EQ(keyHex(0x80000000u), "80000000");
    EXPECT_EQ(keyHex(0xFFFFFFFFu), "FFFFFFFF");
}

}  // namespace
}  // namespace pelorus::resources
