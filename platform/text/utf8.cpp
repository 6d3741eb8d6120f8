// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/utf8.h"

namespace pelorus::text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

}  // namespace

char32_t decodeUtf8(std::string_view text, std::size_t& pos) {
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
        if (!isContinuation(at(pos + i))) {
            ++pos;
            return kReplacement;
        }
        value = (value << 6) | (at(pos + i) & 0x3F);
    }
    pos += length;
    return value;
}

void appendUtf8(std::string& out, char32_t cp) {
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

bool isValidUtf8(std::string_view bytes) {
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t start = pos;
        // U+FFFD written out in the text is valid; one read from a stray byte is not.
        if (decodeUtf8(bytes, pos) == kReplacement && pos - start != 3)
            return false;
    }
    return true;
}

std::string sanitizeUtf8(std::string_view bytes, std::size_t limit) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t pos = 0;
    for (std::size_t count = 0; count < limit && pos < bytes.size(); ++count)
        appendUtf8(out, decodeUtf8(bytes, pos));
    return out;
}

}  // namespace pelorus::text
