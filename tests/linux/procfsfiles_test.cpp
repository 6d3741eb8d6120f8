// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The readers at a directory descriptor give the error of the call that failed with
// their answer, whatever runs between that call and the caller's look.
#include "platform/linux/procfsfiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

#include "tests/support/xserver.h"

namespace pelorus::platform::procfs {
namespace {

/// The error of a failed read; 0 for an answer.
template <class T>
int errorOf(const Result<T>& result) {
    return result ? 0 : result.error();
}

/// Each reader, through the descriptor of a process's directory.
const struct {
    const char* what;
    std::function<int(int dirFd)> error;
} kReaders[] = {
    {"stat", [](int fd) { return errorOf(readRecordAt(fd, "stat")); }},
    {"status", [](int fd) { return errorOf(readFileAt(fd, "status", 64)); }},
    {"exe link", [](int fd) { return errorOf(readLinkAt(fd, "exe")); }},
    {"task folder", [](int fd) { return errorOf(openDirStreamAt(fd, "task")); }},
    {"thread group", [](int fd) { return errorOf(isThreadGroupLeader(fd)); }},
};

TEST(ProcfsFiles, ReadsThroughTheDirectoryOfAnEndedProcessFailWithEsrch) {
    auto sleeper = testing::ChildProcess::start({"sleep", "60"});
    ASSERT_GT(sleeper.pid(), 0);
    const auto directory =
        openDirectoryAt(AT_FDCWD, ("/proc/" + std::to_string(sleeper.pid())).c_str());
    ASSERT_TRUE(directory);
    for (const auto& reader : kReaders)
        EXPECT_EQ(reader.error(directory->get()), 0) << reader.what;
    sleeper.stop();
    for (const auto& reader : kReaders)
        EXPECT_EQ(reader.error(directory->get()), ESRCH) << reader.what;
}

TEST(ProcfsFiles, EachFailureCarriesItsOwnError) {
    const auto self = openDirectoryAt(AT_FDCWD, "/proc/self");
    ASSERT_TRUE(self);
    EXPECT_EQ(readFileAt(self->get(), "no such file").error(), ENOENT);
    EXPECT_EQ(readLinkAt(self->get(), "stat").error(), EINVAL) << "not a link";
    EXPECT_EQ(openDirectoryAt(self->get(), "stat").error(), ENOTDIR);
    EXPECT_EQ(openDirectoryAt(AT_FDCWD, "/proc/0").error(), ENOENT);
}

}  // namespace
}  // namespace pelorus::platform::procfs
