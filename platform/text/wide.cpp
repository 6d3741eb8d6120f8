// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/wide.h"

#include <cstring>

#include "platform/text/utf8.h"

namespace pelorus::text {

std::wstring utf8ToWide(std::string_view utf8) {
    std::wstring wide;
    wide.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t cp = decodeUtf8(utf8, pos);
        if (cp < 0x10000) {
            wide.push_back(static_cast<wchar_t>(cp));
        } else {
            wide.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
            wide.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
    }
    return wide;
}

std::string wideToUtf8(std::wstring_view wide) {
    std::string utf8;
    utf8.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const auto unit = static_cast<char32_t>(wide[i]) & 0xFFFF;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const char32_t next = i + 1 < wide.size() ? static_cast<char32_t>(wide[i + 1]) & 0xFFFF : 0;
        if (high && next >= 0xDC00 && next <= 0xDFFF) {
            appendUtf8(utf8, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++i;
        } else {
            appendUtf8(utf8, unit >= 0xD800 && unit <= 0xDFFF ? U'\uFFFD' : unit);
        }
    }
    return utf8;
}

std::string_view untilNul(const char* buffer, std::size_t size) {
    const void* nul = std::memchr(buffer, '\0', size);
    return {buffer, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buffer) : size};
}

}  // namespace pelorus::text
