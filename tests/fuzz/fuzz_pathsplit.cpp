// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Path texts (process and module paths, names) split into file and folder under both
// conventions: any bytes a file name may hold.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text/pathtext.h"
#include "platform/text/utf8.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace pelorus;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Lower-casing follows the user's locale; the fuzzer runs under a UTF-8 one.
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    for (const auto& convention : {platform::kLinuxPaths, platform::kWindowsPaths}) {
        for (const bool trim : {true, false}) {
            const std::string text = text::pathText(raw, convention, trim);
            FUZZ_CHECK(text::isValidUtf8(text));
            FUZZ_CHECK(text.find('\0') == std::string::npos);
            if (trim)
                FUZZ_CHECK(text.empty() || text.front() != ' ');
            const text::PathParts parts = text::splitPath(text, convention);
            FUZZ_CHECK(parts.file.find(convention.separator) == std::string::npos ||
                       parts.location.empty());
            if (parts.location.empty() && parts.file == text)
                continue;
            // The separator belongs to neither part, and nothing else is lost.
            FUZZ_CHECK(parts.location + convention.separator + parts.file == text);
            FUZZ_CHECK(parts.file.find(convention.separator) == std::string::npos);
        }
    }
    return 0;
}
