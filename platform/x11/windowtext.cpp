// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/windowtext.h"

#include <cstdint>

#include "platform/utf8.h"

namespace pelorus::platform::x11 {
namespace {

std::string_view UpToNul(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

std::string Utf8Text(std::string_view bytes, std::size_t limit) {
    return SanitizeUtf8(UpToNul(bytes), limit);
}

std::string StringText(std::string_view bytes, std::size_t limit) {
    bytes = UpToNul(bytes);
    if (IsValidUtf8(bytes))
        return Utf8Text(bytes, limit);
    std::string text;
    // Latin-1: every byte is the code point of the same value.
    for (std::size_t i = 0; i < bytes.size() && i < limit; ++i)
        AppendUtf8(text, static_cast<std::uint8_t>(bytes[i]));
    return text;
}

std::string_view ClassPart(std::string_view wmClass) {
    const std::size_t separator = wmClass.find('\0');
    if (separator == std::string_view::npos)
        return {};
    return UpToNul(wmClass.substr(separator + 1));
}

}  // namespace pelorus::platform::x11
