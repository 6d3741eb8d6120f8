// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/hex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace pelorus::text {
namespace {

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

TEST(KeyHex, UpperCaseWithoutLeadingZeros) {
    EXPECT_EQ(keyHex(0), "0");
    EXPECT_EQ(keyHex(1234), "4D2");
    EXPECT_EQ(keyHex(655812), "A01C4");
    EXPECT_EQ(keyHex(16), "10");
    EXPECT_EQ(keyHex(0x80000000u), "80000000");
    EXPECT_EQ(keyHex(0xFFFFFFFFu), "FFFFFFFF");
}

}  // namespace
}  // namespace pelorus::text
