// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A maps text: the paths in it are the names of files that any user can create. Read in
// pieces, as the module walk reads the file, it names the same files as read whole.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/procfsparse.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace pelorus::platform::procfs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the size of the pieces.
    const std::size_t piece = 1 + data[0] % 64;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::set<std::string> seen;
    const std::vector<std::string> whole = mapsPaths(text);
    for (const auto& path : whole) {
        FUZZ_CHECK(!path.empty() && path.front() == '/');
        FUZZ_CHECK(!path.starts_with("/memfd:"));
        FUZZ_CHECK(seen.insert(path).second);
        FUZZ_CHECK(path.size() <= text.size());
    }
    MapsPathReader reader;
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < text.size(); at += piece) {
        reader.feed(text.substr(at, piece));
        while (auto path = reader.next())
            pieces.push_back(*path);
    }
    reader.finish();
    while (auto path = reader.next())
        pieces.push_back(*path);
    FUZZ_CHECK(pieces == whole);
    FUZZ_CHECK(reader.named() == whole.size());
    return 0;
}
