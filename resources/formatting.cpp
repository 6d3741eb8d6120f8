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

/// `text` as valid UTF-8 of at most the window texts' length, never cut inside a
/// character.
std::string windowTextPart(std::string_view text) {
    return platform::sanitizeUtf8(text, platform::MaxWindowTextLength);
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
    const std::string shownTitle = visibleText(windowTextPart(title));
    std::string caption;
    if (!shownTitle.empty()) {
        caption.append(shownTitle);
        caption.push_back(' ');
    }
    caption.push_back('(');
    caption.append(visibleText(windowTextPart(className)));
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
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t cp = platform::decodeUtf8(text, pos);
        if (!isHiddenCharacter(cp)) {
            platform::appendUtf8(out, cp);
            continue;
        }
        // "<U+" and at least four upper-case hexadecimal digits, as code points are written.
        out.append("<U+");
        const int digits = cp > 0xFFFF ? (cp > 0xFFFFF ? 6 : 5) : 4;
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            out.push_back(kDigits[(cp >> shift) & 0xF]);
        out.push_back('>');
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
