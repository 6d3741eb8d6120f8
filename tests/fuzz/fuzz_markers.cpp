// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The markers of the string table's texts ("$" in "$ (???)") replaced by values, as
// texts of the table meet numbers and names.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "resources/strings.h"
#include "tests/fuzz/fuzzcheck.h"

using pelorus::resources::replaceAll;

namespace {

/// The same replacement, written the plain way: left to right, never rescanning.
std::string reference(const std::string& text, const std::string& marker,
                      const std::string& value) {
    if (marker.empty())
        return text;
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text.compare(pos, marker.size(), marker) == 0) {
            out += value;
            pos += marker.size();
        } else {
            out += text[pos++];
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string marker = input.ConsumeRandomLengthString(8);
    const std::string value = input.ConsumeRandomLengthString(64);
    const std::string text = input.ConsumeRemainingBytesAsString();
    FUZZ_CHECK(replaceAll(text, marker, value) == reference(text, marker, value));
    return 0;
}
