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

UniqueFd openDirectoryAt(int dirFd, const char* name) {
    return UniqueFd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

UniqueFd openPlaceAt(int dirFd, const char* name) {
    return UniqueFd(::openat(dirFd, name, O_PATH | O_DIRECTORY | O_CLOEXEC));
}

DirStream openDirStreamAt(int dirFd, const char* name) {
    UniqueFd fd = openDirectoryAt(dirFd, name);
    if (!fd.valid())
        return nullptr;
    DIR* dir = ::fdopendir(fd.get());
    if (dir == nullptr)
        return nullptr;
    fd.release();  // the stream owns it now
    return DirStream(dir);
}

namespace {

/// Reads `fd` to its end or to `limit` bytes. With `shortReadEnds`, a read that gives
/// less than it was asked for is the last one.
std::optional<std::string> readOpenedFile(const UniqueFd& fd, std::size_t limit,
                                          bool shortReadEnds) {
    if (!fd.valid())
        return std::nullopt;
    std::string content;
    char buffer[4096];
    while (content.size() < limit) {
        const std::size_t wanted = std::min(sizeof buffer, limit - content.size());
        const ssize_t count = ::read(fd.get(), buffer, wanted);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
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

std::optional<std::string> readFileAt(int dirFd, const char* name, std::size_t limit) {
    const UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY));
    return readOpenedFile(fd, limit, /*shortReadEnds=*/false);
}

std::optional<std::string> readRecordAt(int dirFd, const char* name) {
    const UniqueFd fd(::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY));
    return readOpenedFile(fd, std::string::npos, /*shortReadEnds=*/true);
}

bool isThreadGroupLeader(int pidDirFd) {
    const auto status = readFileAt(pidDirFd, "status", kStatusReadLimit);
    if (!status)
        return false;
    errno = 0;
    const auto tgid = statusNumber(*status, "Tgid");
    return tgid && tgid == statusNumber(*status, "Pid");
}

std::optional<std::string> readLinkAt(int dirFd, const char* name) {
    // readlink cuts silently at the buffer's end: grow until the target fits with room.
    std::string target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(dirFd, name, target.data(), target.size());
        if (length < 0)
            return std::nullopt;
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

}  // namespace pelorus::platform::procfs
