// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/formatting.h"

#include <algorithm>
#include <iterator>

#include "platform/types.h"
#include "platform/utf8.h"
#include "resources/strings.h"

namespace pelorus::resources {

namespace {

/// One range of hidden characters, first and last included.
struct HiddenRange {
    char32_t first;
    char32_t last;
};

constexpr HiddenRange kHiddenRanges[] = {
#include "resources/hiddencharacters.inc"
};

/// A window text as it is shown: cut to the window texts' length as it was read, never
/// inside a character, and held to the same length once escaped.
std::string windowTextPart(std::string_view text) {
    return shownText(platform::sanitizeUtf8(text, platform::MaxWindowTextLength),
                     platform::MaxWindowTextLength);
}

/// Appends `cp` as the lists show it: itself, or for a hidden character "<U+", its code
/// point in at least four upper-case hexadecimal digits and ">". Returns how many
/// characters that took.
std::size_t appendShown(std::string& out, char32_t cp) {
    if (!isHiddenCharacter(cp)) {
        platform::appendUtf8(out, cp);
        return 1;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.append("<U+");
    const int digits = cp > 0xFFFF ? (cp > 0xFFFFF ? 6 : 5) : 4;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out.push_back(kDigits[(cp >> shift) & 0xF]);
    out.push_back('>');
    return static_cast<std::size_t>(digits) + 4;
}

std::size_t codePoints(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count)
        platform::decodeUtf8(text, pos);
    return count;
}

}  // namespace

std::string HexHandle(std::int32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    auto bits = static_cast<std::uint32_t>(value);
    std::string text(8, '0');
    for (auto digit = text.rbegin(); digit != text.rend(); ++digit, bits >>= 4) {
        *digit = kDigits[bits & 0xF];
    }
    return text;
}

std::string PriorityText(std::int32_t priority) {
    switch (priority) {
        case 4:
            return LoadString(StringId::PriorityIdle);
        case 8:
            return LoadString(StringId::PriorityNormal);
        case 13:
            return LoadString(StringId::PriorityHigh);
        case 24:
            return LoadString(StringId::PriorityRealtime);
        default:
            return replaceAll(LoadString(StringId::PriorityOther), "$", std::to_string(priority));
    }
}

std::string WindowCaption(std::string_view title, std::string_view className,
                          std::uint32_t handle) {
    // The window system promises valid, cut texts; held to that here as well, since a
    // node text that is not UTF-8 or runs on without end would reach the tree control.
    const std::string shownTitle = windowTextPart(title);
    std::string caption;
    if (!shownTitle.empty()) {
        caption.append(shownTitle);
        caption.push_back(' ');
    }
    caption.push_back('(');
    caption.append(windowTextPart(className));
    caption.append(")   (");
    caption.append(std::to_string(static_cast<std::int32_t>(handle)));
    caption.push_back(')');
    return caption;
}

bool isHiddenCharacter(char32_t cp) {
    const auto after = std::upper_bound(
        std::begin(kHiddenRanges), std::end(kHiddenRanges), cp,
        [](char32_t value, const HiddenRange& range) { return value < range.first; });
    return after != std::begin(kHiddenRanges) && cp <= std::prev(after)->last;
}

std::string visibleText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size())
        appendShown(out, platform::decodeUtf8(text, pos));
    return out;
}

std::string shownText(std::string_view text, std::size_t limit) {
    const std::string marker = LoadString(StringId::CutMarker);
    const std::size_t markerLength = codePoints(marker);
    std::string out;
    std::size_t shown = 0;
    // The longest part of `out` that still leaves room for the marker.
    std::size_t roomyBytes = 0;
    std::string piece;
    std::size_t pos = 0;
    while (pos < text.size()) {
        piece.clear();
        const std::size_t pieceLength = appendShown(piece, platform::decodeUtf8(text, pos));
        if (shown + pieceLength > limit) {
            if (limit < markerLength)
                return {};
            out.resize(roomyBytes);
            out.append(marker);
            return out;
        }
        out.append(piece);
        shown += pieceLength;
        if (shown + markerLength <= limit)
            roomyBytes = out.size();
    }
    return out;
}

std::string keyHex(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

}  // namespace pelorus::resources
