// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <dirent.h>

#include <memory>
#include <optional>
#include <string>

/// Small owners of file descriptors and directory streams, and reads relative to a
/// directory descriptor: everything of one process is read through the descriptor of its
/// /proc directory, so that one entry cannot mix two processes that shared a PID.
namespace pelorus::platform::procfs {

/// Owns one file descriptor; closes it when it goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();

private:
    int m_fd = -1;
};

struct DirCloser {
    void operator()(DIR* dir) const;
};
/// A directory stream; closing it closes the descriptor it was made from.
using DirStream = std::unique_ptr<DIR, DirCloser>;

/// Opens directory `name` relative to `dirFd` (AT_FDCWD: the working directory).
/// Invalid, with errno set, on failure.
UniqueFd openDirectoryAt(int dirFd, const char* name);

/// Opens directory `name` relative to `dirFd` only as a place to name files from
/// (O_PATH): cheaper than a full open, but no handle for signals. Invalid on failure.
UniqueFd openPlaceAt(int dirFd, const char* name);

/// A stream over the entries of directory `name` relative to `dirFd`; null on failure.
DirStream openDirStreamAt(int dirFd, const char* name);

/// The content of file `name` relative to `dirFd`, read until its end or until `limit`
/// bytes (files of /proc report a size of 0, so the size is not asked). nullopt with
/// errno set when it cannot be opened or read.
std::optional<std::string> readFileAt(int dirFd, const char* name,
                                      std::size_t limit = std::string::npos);

/// The content of a /proc file that the kernel writes as one record at the first read
/// (a stat file): a read that gives less than it was asked for holds all of it, so its
/// end is not asked for again. A longer record is read on to its end.
std::optional<std::string> readRecordAt(int dirFd, const char* name);

/// The target of symbolic link `name` relative to `dirFd`, whatever its length and
/// bytes. nullopt with errno set when it is not a link or cannot be read.
std::optional<std::string> readLinkAt(int dirFd, const char* name);

/// Whether the /proc directory open as `pidDirFd` stands for a process rather than a
/// thread: its status names the same number on its Pid and Tgid lines. A thread's
/// directory is found under its TID too, though the root does not list it: a PID that a
/// thread of another process has taken opens as that thread, whose thread group is its
/// process. Read through the descriptor, so the answer is about the directory opened,
/// whatever number the root gave it. False, with errno set, when the status cannot be
/// read; false with errno 0 when it names another thread group or no numbers.
bool isThreadGroupLeader(int pidDirFd);

}  // namespace pelorus::platform::procfs
