// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tasks/pathtext.h"

#include <cstddef>
#include <cwctype>

namespace pelorus::tasks {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

/// Decodes the sequence at `pos` into `cp` and moves `pos` past it. A byte that does not
/// start a complete, shortest-form sequence of a scalar value is consumed alone and gives
/// U+FFFD, so that every stray byte stays visible.
char32_t DecodeNext(std::string_view text, std::size_t& pos) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;   // bounds of the second byte: they exclude overlong
    unsigned char high = 0xBF;  // forms, surrogates and values above U+10FFFF
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + length > text.size() || at(pos + 1) < low || at(pos + 1) > high) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(at(pos + i))) {
            ++pos;
            return kReplacement;
        }
        value = (value << 6) | (at(pos + i) & 0x3F);
    }
    pos += length;
    return value;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool IsScalarValue(char32_t cp) {
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

char32_t LowerCodePoint(char32_t cp) {
    // ASCII by its own rule, whatever the locale (a Turkish locale would turn 'I' into a
    // dotless i and break the names of ordinary files).
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    const auto lowered = static_cast<char32_t>(std::towlower(static_cast<std::wint_t>(cp)));
    return IsScalarValue(lowered) ? lowered : cp;
}

}  // namespace

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size())
        AppendUtf8(out, DecodeNext(bytes, pos));
    return out;
}

std::string LowerCase(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size())
        AppendUtf8(out, LowerCodePoint(DecodeNext(utf8, pos)));
    return out;
}

PathParts SplitPath(std::string_view text, const platform::PathConvention& convention) {
    // The separator is ASCII, which never occurs inside a multi-byte UTF-8 sequence, so a
    // byte search cannot cut a character in two.
    const bool isName = convention.pathsBeginWithSeparator &&
                        (text.empty() || text.front() != convention.separator);
    const std::size_t last = isName ? std::string_view::npos : text.rfind(convention.separator);
    if (last == std::string_view::npos)
        return PathParts{std::string(text), {}};
    return PathParts{std::string(text.substr(last + 1)), std::string(text.substr(0, last))};
}

std::string PathText(std::string_view raw, const platform::PathConvention& convention,
                     bool trimLeadingBlanks) {
    std::string_view text = raw.substr(0, raw.find('\0'));
    if (trimLeadingBlanks) {
        const std::size_t first = text.find_first_not_of(' ');
        text = first == std::string_view::npos ? std::string_view{} : text.substr(first);
    }
    return convention.lowerCase ? LowerCase(text) : SanitizeUtf8(text);
}

}  // namespace pelorus::tasks
