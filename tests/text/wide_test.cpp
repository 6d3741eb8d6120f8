// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/wide.h"

#include <gtest/gtest.h>

#include <string>

namespace pelorus::text {
namespace {

// UTF-16 code units written out by hand, as the Win32 forms' calls hold them.
TEST(WideText, ConvertsEachWayWithSurrogatePairs) {
    const struct {
        const char* utf8;
        std::wstring wide;
    } cases[] = {
        {"", L""},
        {"Pelmarin", L"Pelmarin"},
        {"\xC3\xA9\xE2\x80\xA6", {wchar_t(0x00E9), wchar_t(0x2026)}},
        {"\xF0\x9F\x98\x80!", {wchar_t(0xD83D), wchar_t(0xDE00), L'!'}},
        {"\xF4\x8F\xBF\xBF", {wchar_t(0xDBFF), wchar_t(0xDFFF)}},  // U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(utf8ToWide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(wideToUtf8(c.wide), c.utf8) << c.utf8;
    }
}

TEST(WideText, WhatIsNoTextBecomesReplacementCharacters) {
    const wchar_t kFFFD = wchar_t(0xFFFD);
    EXPECT_EQ(utf8ToWide("a\xFF"
                         "b\xE2\x82"),
              (std::wstring{L'a', kFFFD, L'b', kFFFD, kFFFD}));
    EXPECT_EQ(utf8ToWide("\xED\xA0\x80"), std::wstring(3, kFFFD)) << "an encoded surrogate";
    const std::string utf8FFFD = "\xEF\xBF\xBD";
    EXPECT_EQ(wideToUtf8(std::wstring{wchar_t(0xD83D), L'x'}), utf8FFFD + "x")
        << "a lone high surrogate";
    EXPECT_EQ(wideToUtf8(std::wstring{wchar_t(0xDE00), wchar_t(0xD83D)}), utf8FFFD + utf8FFFD)
        << "a pair in the wrong order";
}

TEST(WideText, UntilNulStopsAtTheFirstNulOrTheBufferEnd) {
    const char buffer[6] = {'a', 'b', '\0', 'c', 'd', 'e'};
    EXPECT_EQ(untilNul(buffer, sizeof buffer), "ab");
    EXPECT_EQ(untilNul(buffer + 3, 3), "cde");
    EXPECT_EQ(untilNul(buffer, 0), "");
}

}  // namespace
}  // namespace pelorus::text
