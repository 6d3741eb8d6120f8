// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The path text of a process whose exe link failed (and how), from the first 4 KiB of its
// cmdline and its comm: cmdline and comm are the process's own to set.
#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/linux/procfsparse.h"
#include "tests/fuzz/fuzzcheck.h"

using namespace pelorus::platform::procfs;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    static constexpr int kErrors[] = {ENOENT, EACCES, ESRCH, ENAMETOOLONG, EINVAL, ELOOP, EIO};
    const int error = input.PickValueInArray(kErrors);
    const std::string comm = input.ConsumeRandomLengthString(64);
    std::string cmdline = input.ConsumeRemainingBytesAsString();
    if (cmdline.size() > kCmdlineReadLimit)
        cmdline.resize(kCmdlineReadLimit);  // what the source reads at most

    const std::string text = fallbackPathText(error, cmdline, comm);
    if (!exeLinkMayFallBack(error)) {
        // Never text the process set on its command line.
        FUZZ_CHECK(text == comm);
        return 0;
    }
    if (text == comm || text == "[" + comm + "]")
        return 0;
    // Else it is the whole first string of cmdline, an absolute path, complete.
    FUZZ_CHECK(text == cmdline.substr(0, cmdline.find('\0')));
    FUZZ_CHECK(!text.empty() && text.front() == '/');
    FUZZ_CHECK(cmdline.find('\0') != std::string::npos || cmdline.size() < kCmdlineReadLimit);
    return 0;
}
