// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/windowtext.h"

#include <cstdint>

namespace pelorus::platform::x11 {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::string_view UpToNul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

/// Length of the valid UTF-8 sequence at the start of `bytes`, 0 when there is none.
std::size_t SequenceLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80;   // the range of the second byte, narrowed for overlongs
    std::uint8_t high = 0xBF;  // and for surrogates and values above U+10FFFF
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t length = SequenceLength(bytes);
        if (length == 0)
            return false;
        bytes.remove_prefix(length);
    }
    return true;
}

}  // namespace

std::string Utf8Text(std::string_view bytes, std::size_t limit) {
    bytes = UpToNul(bytes);
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t count = 0; count < limit && !bytes.empty(); ++count) {
        const std::size_t length = SequenceLength(bytes);
        if (length == 0) {
            text += kReplacement;
            bytes.remove_prefix(1);
        } else {
            text += bytes.substr(0, length);
            bytes.remove_prefix(length);
        }
    }
    return text;
}

std::string StringText(std::string_view bytes, std::size_t limit) {
    bytes = UpToNul(bytes);
    if (IsValidUtf8(bytes))
        return Utf8Text(bytes, limit);
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        if (byte < 0x80) {
            text += static_cast<char>(byte);
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

std::string_view ClassPart(std::string_view wmClass) {
    const std::size_t separator = wmClass.find('\0');
    if (separator == std::string_view::npos)
        return {};
    return UpToNul(wmClass.substr(separator + 1));
}

}  // namespace pelorus::platform::x11
