// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Any text on its way to a widget: what comes out is valid UTF-8 and holds no control or
// invisible format character, and text without them passes unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text/escaping.h"
#include "platform/text/utf8.h"
#include "resources/formatting.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace pelorus;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const std::string shown = text::visibleText(raw);
    FUZZ_CHECK(text::isValidUtf8(shown));
    bool escaped = false;
    for (std::size_t pos = 0; pos < shown.size();) {
        const char32_t cp = text::decodeUtf8(shown, pos);
        FUZZ_CHECK(!text::isHiddenCharacter(cp));
        escaped = escaped || cp == '<';
    }
    // Valid text that needed no escape is shown as it is.
    if (text::isValidUtf8(raw) && !escaped)
        FUZZ_CHECK(shown == raw);
    // Shown again, it stays the same: the escape is made of visible characters only.
    FUZZ_CHECK(text::visibleText(shown) == shown);

    // Held to a length: never longer, the whole when it fits, else a start of the whole
    // that is cut at a character or escape and ends with the marker.
    const std::string marker = "\xE2\x80\xA6";
    for (const std::size_t limit : {0UL, 1UL, 9UL, 254UL}) {
        const std::string held = resources::shownText(raw, limit);
        FUZZ_CHECK(text::isValidUtf8(held));
        std::size_t characters = 0;
        for (std::size_t pos = 0; pos < held.size(); ++characters)
            text::decodeUtf8(held, pos);
        FUZZ_CHECK(characters <= limit);
        if (held != shown) {
            FUZZ_CHECK(limit == 0 ? held.empty() : held.ends_with(marker));
            const std::string start =
                held.substr(0, held.size() - (limit == 0 ? 0 : marker.size()));
            FUZZ_CHECK(shown.starts_with(start));
            // Cut where a character ends, never inside one.
            const std::size_t next = start.size();
            FUZZ_CHECK(next < shown.size() &&
                       (static_cast<unsigned char>(shown[next]) & 0xC0) != 0x80);
        }
    }
    return 0;
}
