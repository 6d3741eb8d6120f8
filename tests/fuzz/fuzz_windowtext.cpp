// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The bytes of X window properties (titles in UTF-8 or Latin-1, WM_CLASS with and without
// its NULs), which every X client sets as it likes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text/utf8.h"
#include "platform/text/windowtext.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace pelorus;

namespace {

std::size_t codePoints(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++count)
        text::decodeUtf8(text, pos);
    return count;
}

void checkShown(const std::string& text, std::size_t limit) {
    FUZZ_CHECK(text::isValidUtf8(text));
    FUZZ_CHECK(codePoints(text) <= limit);
    FUZZ_CHECK(text.find('\0') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte picks a cut, so that short limits are tried as well as 254.
    const std::size_t limit = size == 0          ? text::MaxTextLength
                              : data[0] % 8 == 0 ? data[0] / 8
                                                 : text::MaxTextLength;
    checkShown(text::utf8Text(bytes, limit), limit);
    checkShown(text::stringText(bytes, limit), limit);
    const std::string_view className = text::classPart(bytes);
    FUZZ_CHECK(className.find('\0') == std::string_view::npos);
    if (!className.empty()) {
        FUZZ_CHECK(className.data() > bytes.data());
        FUZZ_CHECK(className.data() + className.size() <= bytes.data() + bytes.size());
        FUZZ_CHECK(className.data()[-1] == '\0');
    }
    checkShown(text::stringText(className, limit), limit);
    return 0;
}
