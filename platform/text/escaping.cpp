// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/text/escaping.h"

#include <algorithm>
#include <iterator>

#include "platform/text/utf8.h"

namespace pelorus::text {

namespace {

/// One range of hidden characters, first and last included.
struct HiddenRange {
    char32_t first;
    char32_t last;
};

/// Made from the Unicode data by scripts/hidden-characters.py, which says what it takes
/// and why.
constexpr HiddenRange kHiddenRanges[] = {
#include "platform/text/hiddencharacters.inc"
};

/// Appends `cp` as the lists show it: itself, or for a hidden character "<U+", its code
/// point in at least four upper-case hexadecimal digits and ">". Returns how many
/// characters that took.
std::size_t appendShown(std::string& out, char32_t cp) {
    if (!isHiddenCharacter(cp)) {
        appendUtf8(out, cp);
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
        decodeUtf8(text, pos);
    return count;
}

}  // namespace

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
        appendShown(out, decodeUtf8(text, pos));
    return out;
}

std::string shownText(std::string_view text, std::size_t limit, std::string_view marker) {
    const std::size_t markerLength = codePoints(marker);
    std::string out;
    std::size_t shown = 0;
    // The longest part of `out` that still leaves room for the marker.
    std::size_t roomyBytes = 0;
    std::string piece;
    std::size_t pos = 0;
    while (pos < text.size()) {
        piece.clear();
        const std::size_t pieceLength = appendShown(piece, decodeUtf8(text, pos));
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

}  // namespace pelorus::text
