// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/pathtext.h"

#include <cstddef>
#include <cwctype>
#include <limits>

#include "platform/text/utf8.h"

namespace pelorus::text {

namespace {

bool isScalarValue(char32_t cp) {
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

char32_t lowerCodePoint(char32_t cp) {
    // ASCII by its own rule, whatever the locale (a Turkish locale would turn 'I' into a
    // dotless i and break the names of ordinary files).
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    // Where wint_t has 16 bits (Windows), a code point beyond it would be cut to another
    // character: such characters have no case there and stay as they are.
    if (cp > std::numeric_limits<std::wint_t>::max())
        return cp;
    const auto lowered = static_cast<char32_t>(std::towlower(static_cast<std::wint_t>(cp)));
    return isScalarValue(lowered) ? lowered : cp;
}

}  // namespace

std::string lowerCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size())
        appendUtf8(out, lowerCodePoint(decodeUtf8(utf8, pos)));
    return out;
}

PathParts splitPath(std::string_view text, const platform::PathConvention& convention) {
    // The separator is ASCII, which never occurs inside a multi-byte UTF-8 sequence, so a
    // byte search cannot cut a character in two.
    const bool isName = convention.pathsBeginWithSeparator &&
                        (text.empty() || text.front() != convention.separator);
    const std::size_t last = isName ? std::string_view::npos : text.rfind(convention.separator);
    if (last == std::string_view::npos)
        return PathParts{std::string(text), {}};
    return PathParts{std::string(text.substr(last + 1)), std::string(text.substr(0, last))};
}

std::string pathText(std::string_view raw, const platform::PathConvention& convention,
                     bool trimLeadingBlanks) {
    std::string_view text = raw.substr(0, raw.find('\0'));
    if (trimLeadingBlanks) {
        const std::size_t first = text.find_first_not_of(' ');
        text = first == std::string_view::npos ? std::string_view{} : text.substr(first);
    }
    return convention.lowerCase ? lowerCase(text) : sanitizeUtf8(text);
}

}  // namespace pelorus::text
