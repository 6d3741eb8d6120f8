// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <dirent.h>

#include <memory>
#include <string>
#include <utility>
#include <variant>

/// Small owners of file descriptors and directory streams, and reads relative to a
/// directory descriptor: everything of one process is read through the descriptor of its
/// /proc directory, so that one entry cannot mix two processes that shared a PID.
namespace pelorus::platform::procfs {

/// The error of a failed call, as a Result takes it: `return Failed{errno};`.
template <class E>
struct Failed {
    E error;
};
template <class E>
Failed(E) -> Failed<E>;

/// A value, or the error of the call that failed to give it (an errno value, unless
/// said otherwise). The error travels with the answer: errno would be changed by the
/// destructors and calls that run before the caller looks at it.
template <class T, class E = int>
class Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failed<E> failed) : m_state(std::in_place_index<1>, std::move(failed.error)) {}

    explicit operator bool() const { return m_state.index() == 0; }
    T& operator*() & { return std::get<0>(m_state); }
    const T& operator*() const& { return std::get<0>(m_state); }
    T&& operator*() && { return std::get<0>(std::move(m_state)); }
    T* operator->() { return &std::get<0>(m_state); }
    const T* operator->() const { return &std::get<0>(m_state); }
    /// Only of a failed call.
    const E& error() const { return std::get<1>(m_state); }

private:
    std::variant<T, E> m_state;
};

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
Result<UniqueFd> openDirectoryAt(int dirFd, const char* name);

/// Opens directory `name` relative to `dirFd` only as a place to name files from
/// (O_PATH): cheaper than a full open, but no handle for signals.
Result<UniqueFd> openPlaceAt(int dirFd, const char* name);

/// A stream over the entries of directory `name` relative to `dirFd`.
Result<DirStream> openDirStreamAt(int dirFd, const char* name);

/// The content of file `name` relative to `dirFd`, read until its end or until `limit`
/// bytes (files of /proc report a size of 0, so the size is not asked). Failed when it
/// cannot be opened or read: ESRCH once the process it belongs to has ended.
Result<std::string> readFileAt(int dirFd, const char* name, std::size_t limit = std::string::npos);

/// The content of a /proc file that the kernel writes as one record at the first read
/// (a stat file): a read that gives less than it was asked for holds all of it, so its
/// end is not asked for again. A longer record is read on to its end.
Result<std::string> readRecordAt(int dirFd, const char* name);

/// The target of symbolic link `name` relative to `dirFd`, whatever its length and
/// bytes. Failed when it is not a link (EINVAL) or cannot be read.
Result<std::string> readLinkAt(int dirFd, const char* name);

/// Whether the /proc directory open as `pidDirFd` stands for a process rather than a
/// thread: its status names the same number on its Pid and Tgid lines. Read through the
/// descriptor, so the answer is about the directory opened, whatever number the root gave
/// it. False when the status names another thread group or no numbers; failed when it
/// cannot be read.
Result<bool> isThreadGroupLeader(int pidDirFd);

}  // namespace pelorus::platform::procfs
