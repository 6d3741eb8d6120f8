// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/formatting.h"

#include <gtest/gtest.h>

#include <string>

namespace pelorus::resources {
namespace {

const std::string kFFFD = "\xEF\xBF\xBD";

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

// The window system gives texts cut as read; a longer one is held to 254 characters with
// the cut marked, as every shown text is.
TEST(WindowCaption, HoldsAnyTextToValidUtf8Of254Characters) {
    const std::string kCut = "\xE2\x80\xA6";
    EXPECT_EQ(WindowCaption(std::string(300, 'x'), std::string(255, 'c'), 7),
              std::string(253, 'x') + kCut + " (" + std::string(253, 'c') + kCut + ")   (7)");
    EXPECT_EQ(WindowCaption(std::string(254, 'x'), "", 7), std::string(254, 'x') + " ()   (7)");
    EXPECT_EQ(WindowCaption("bad\xFF", "", 8), "bad" + kFFFD + " ()   (8)");
    // Never cut inside the two-byte character.
    EXPECT_EQ(WindowCaption(std::string(252, 'a') + "\xC3\xA9\xC3\xA9", "", 9),
              std::string(252, 'a') + "\xC3\xA9\xC3\xA9 ()   (9)");
    EXPECT_EQ(WindowCaption(std::string(253, 'a') + "\xC3\xA9\xC3\xA9", "", 9),
              std::string(253, 'a') + kCut + " ()   (9)");
}

}  // namespace
}  // namespace pelorus::resources
