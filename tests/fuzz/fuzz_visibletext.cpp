// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Any text on its way to a widget: what comes out is valid UTF-8 and holds no control or
// invisible format character, and text without them passes unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/utf8.h"
#include "resources/formatting.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace pelorus;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const std::string shown = resources::visibleText(raw);
    FUZZ_CHECK(platform::isValidUtf8(shown));
    bool escaped = false;
    for (std::size_t pos = 0; pos < shown.size();) {
        const char32_t cp = platform::decodeUtf8(shown, pos);
        FUZZ_CHECK(!resources::isHiddenCharacter(cp));
        escaped = escaped || cp == '<';
    }
    // Valid text that needed no escape is shown as it is.
    if (platform::isValidUtf8(raw) && !escaped)
        FUZZ_CHECK(shown == raw);
    // Shown again, it stays the same: the escape is made of visible characters only.
    FUZZ_CHECK(resources::visibleText(shown) == shown);
    return 0;
}
