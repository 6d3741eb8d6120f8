// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The path texts of real processes whose names and paths are made to mislead.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/procfssource.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/support/xserver.h"

namespace pelorus::platform {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::commOf;
using testing::rowOf;
using testing::TempDir;

TEST(ProcessNames, ABinaryBeyondAPagePathShowsItsKernelNameNotItsForgedArgument) {
    TempDir base;
    auto deep =
        ChildProcess::start({testing::helperPath("pelorus_test_deeprun"), base.path().string(),
                             "/usr/bin/sleep", "/usr/bin/sshd", "60"});
    ASSERT_GT(deep.pid(), 0);
    ASSERT_TRUE(testing::PollUntil([&] { return commOf(deep.pid()) == "pelorus-deep"; }, 30000));
    ProcfsSource source;
    EXPECT_EQ(rowOf(source, deep.pid()).path, "pelorus-deep");
    deep.stop();
    // No call takes the deep path whole; rm walks it relative to each folder.
    std::string ignored;
    ChildProcess::startPiped({"rm", "-rf", base.path().string()}).finish(ignored);
}

TEST(ProcessNames, ControlCharactersAndInvalidBytesInAPathAreKeptAsRead) {
    TempDir dir;
    const std::string name =
        "a\xe2\x80\xae"
        "b\x1b[31mc\x01\xff";
    const fs::path program = dir.path() / name;
    fs::copy_file("/usr/bin/sleep", program);
    auto child = ChildProcess::start({program.string(), "60"});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(testing::PollUntil(
        [&] {
            std::error_code ended;
            return fs::read_symlink("/proc/" + std::to_string(child.pid()) + "/exe", ended) ==
                   program;
        },
        30000));
    ProcfsSource source;
    EXPECT_EQ(rowOf(source, child.pid()).path, program.string());
}

}  // namespace
}  // namespace pelorus::platform
