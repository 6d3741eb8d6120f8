// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/procfsfiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/linux/procfsparse.h"

namespace pelorus::platform::procfs {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int UniqueFd::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void DirCloser::operator()(DIR* dir) const {
    ::closedir(dir);
}

namespace {

/// The descriptor `fd` that a call gave, or that call's error.
Result<UniqueFd> opened(int fd) {
    if (fd < 0)
        return Failed{errno};
    return UniqueFd(fd);
}

}  // namespace

Result<UniqueFd> openDirectoryAt(int dirFd, const char* name) {
    return opened(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

Result<UniqueFd> openPlaceAt(int dirFd, const char* name) {
    return opened(::openat(dirFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC));
}

Result<DirStream> openDirStreamAt(int dirFd, const char* name) {
    auto fd = openDirectoryAt(dirFd, name);
    if (!fd)
        return Failed{fd.error()};
    DIR* dir = ::fdopendir(fd->get());
    if (dir == nullptr)
        return Failed{errno};
    fd->release();  // the stream owns it now
    return DirStream(dir);
}

namespace {

/// Reads file `name` relative to `dirFd` to its end or to `limit` bytes. With
/// `shortReadEnds`, a read that gives less than it was asked for is the last one.
Result<std::string> readFile(int dirFd, const char* name, std::size_t limit, bool shortReadEnds) {
    const auto fd = opened(::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd)
        return Failed{fd.error()};
    std::string content;
    char buffer[4096];
    while (content.size() < limit) {
        const std::size_t wanted = std::min(sizeof buffer, limit - content.size());
        const ssize_t count = ::read(fd->get(), buffer, wanted);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return Failed{errno};
        }
        if (count == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(count));
        if (shortReadEnds && static_cast<std::size_t>(count) < wanted)
            break;
    }
    return content;
}

}  // namespace

Result<std::string> readFileAt(int dirFd, const char* name, std::size_t limit) {
    return readFile(dirFd, name, limit, /*shortReadEnds=*/false);
}

Result<std::string> readRecordAt(int dirFd, const char* name) {
    return readFile(dirFd, name, std::string::npos, /*shortReadEnds=*/true);
}

Result<bool> isThreadGroupLeader(int pidDirFd) {
    const auto status = readFileAt(pidDirFd, "status", kStatusReadLimit);
    if (!status)
        return Failed{status.error()};
    const auto tgid = statusNumber(*status, "Tgid");
    return tgid && tgid == statusNumber(*status, "Pid");
}

Result<std::string> readLinkAt(int dirFd, const char* name) {
    // readlink cuts silently at the buffer's end: grow until the target fits with room.
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(dirFd, name, target.data(), target.size());
        if (length < 0)
            return Failed{errno};
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

}  // namespace pelorus::platform::procfs
