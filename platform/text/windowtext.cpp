// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/windowtext.h"

#include <cstdint>

#include "platform/text/utf8.h"

namespace pelorus::text {
namespace {

std::string_view upToNul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

std::string utf8Text(std::string_view bytes, std::size_t limit) {
    return sanitizeUtf8(upToNul(bytes), limit);
}

std::string stringText(std::string_view bytes, std::size_t limit) {
    bytes = upToNul(bytes);
    if (isValidUtf8(bytes))
        return utf8Text(bytes, limit);
    std::string text;
    // Latin-1: every byte is the code point of the same value.
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i)
        appendUtf8(text, static_cast<std::uint8_t>(bytes[i]));
    return text;
}

std::string_view classPart(std::string_view wmClass) {
    const std::size_t separator = wmClass.find('\0');
    if (separator == std::string_view::npos)
        return {};
    return upToNul(wmClass.substr(separator + 1));
}

}  // namespace pelorus::text
