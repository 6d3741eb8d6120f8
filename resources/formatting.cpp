// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/formatting.h"

#include "platform/types.h"
#include "platform/utf8.h"
#include "resources/strings.h"

namespace pelorus::resources {

namespace {

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
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F))
        return true;
    switch (cp) {
        case 0x00AD:  // soft hyphen
        case 0x034F:  // combining grapheme joiner
        case 0x061C:  // Arabic letter mark
        case 0x115F:  // Hangul fillers
        case 0x1160:
        case 0x17B4:  // Khmer inherent vowels
        case 0x17B5:
        case 0x200B:  // zero width space
        case 0x200E:  // left-to-right and right-to-left marks
        case 0x200F:
        case 0x2028:  // line and paragraph separators
        case 0x2029:
        case 0x3164:  // Hangul filler
        case 0xFEFF:  // zero width no-break space (byte order mark)
        case 0xFFA0:  // half-width Hangul filler
            return true;
        default:
            break;
    }
    return (cp >= 0x180B && cp <= 0x180F) ||    // Mongolian selectors and vowel separator
           (cp >= 0x202A && cp <= 0x202E) ||    // embeddings and overrides
           (cp >= 0x2060 && cp <= 0x206F) ||    // word joiner, invisible operators, isolates
           (cp >= 0xFFF9 && cp <= 0xFFFB) ||    // interlinear annotation
           (cp >= 0x1D173 && cp <= 0x1D17A) ||  // musical format characters
           (cp >= 0xE0000 && cp <= 0xE007F);    // tags
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
