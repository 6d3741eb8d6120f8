// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A stat line of /proc/PID/stat, and a /proc entry name, as any process can shape them
// (the name field is whatever the process set with prctl or its binary's name).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/linux/procfsparse.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace pelorus::platform::procfs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto stat = parseStat(text)) {
        // The name lies inside the line, between its first '(' and its last ')'.
        FUZZ_CHECK(stat->comm.data() >= text.data());
        FUZZ_CHECK(stat->comm.data() + stat->comm.size() <= text.data() + text.size());
        FUZZ_CHECK(stat->comm.data() + stat->comm.size() == text.data() + text.rfind(')'));
        const auto priority = basePriority(stat->policy, stat->nice);
        FUZZ_CHECK(priority == 4 || priority == 6 || priority == 8 || priority == 10 ||
                   priority == 13 || priority == 24);
    }
    if (const auto id = parseId(text))
        FUZZ_CHECK(*id >= 1);
    return 0;
}
