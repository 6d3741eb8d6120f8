// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A maps text: the paths in it are the names of files that any user can create.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/linux/procfsparse.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace pelorus::platform::procfs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::set<std::string> seen;
    for (const auto& path : mapsPaths(text)) {
        FUZZ_CHECK(!path.empty() && path.front() == '/');
        FUZZ_CHECK(!path.starts_with("/memfd:"));
        FUZZ_CHECK(seen.insert(path).second);
        FUZZ_CHECK(path.size() <= text.size());
    }
    return 0;
}
