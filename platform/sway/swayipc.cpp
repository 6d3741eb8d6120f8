// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/sway/swayipc.h"

#include <algorithm>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace pelorus::platform::sway {
namespace {

constexpr std::string_view kMagic = "i3-ipc";
constexpr std::size_t kHeaderBytes = kMagic.size() + 2 * sizeof(std::uint32_t);

using Clock = std::chrono::steady_clock;

/// Waits until `fd` is ready for `events` or the deadline passes; false then, or on an
/// error or hang-up without data.
bool waitReady(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd ready{fd, events, 0};
        const int result = ::poll(&ready, 1, static_cast<int>(left.count()) + 1);
        if (result < 0 && errno == EINTR)
            continue;
        if (result <= 0)
            return false;
        // A hang-up with data still to read lets the read see the data, then the end.
        return (ready.revents & events) != 0;
    }
}

}  // namespace

std::unique_ptr<IpcConnection> IpcConnection::open(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return nullptr;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return nullptr;
    // A local connect either succeeds at once or fails (EAGAIN: the compositor has so many
    // connections waiting that it takes none): it never waits.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return nullptr;
    }
    ucred peer{};
    socklen_t length = sizeof(peer);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0)
        peer.pid = 0;
    return std::unique_ptr<IpcConnection>(new IpcConnection(fd, peer.pid));
}

IpcConnection::~IpcConnection() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool IpcConnection::sendAll(std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            waitReady(m_fd, POLLOUT, deadline)) {
            continue;
        }
        return false;
    }
    return true;
}

bool IpcConnection::receiveAll(char* buffer, std::size_t length, Clock::time_point deadline) {
    while (length > 0) {
        const ssize_t got = ::recv(m_fd, buffer, length, MSG_DONTWAIT);
        if (got > 0) {
            buffer += got;
            length -= static_cast<std::size_t>(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            waitReady(m_fd, POLLIN, deadline)) {
            continue;
        }
        return false;  // the end of the stream, an error or the deadline
    }
    return true;
}

std::optional<std::string> IpcConnection::request(MessageType type, std::string_view payload,
                                                  std::optional<Clock::time_point> actionDeadline) {
    if (m_broken || payload.size() > kMaxReplyBytes)
        return std::nullopt;
    const auto replyDeadline = Clock::now() + kReplyLimit;
    const auto deadline = actionDeadline ? std::min(replyDeadline, *actionDeadline) : replyDeadline;
    std::string message(kMagic);
    const auto length = static_cast<std::uint32_t>(payload.size());
    const auto code = static_cast<std::uint32_t>(type);
    message.append(reinterpret_cast<const char*>(&length), sizeof(length));
    message.append(reinterpret_cast<const char*>(&code), sizeof(code));
    message.append(payload);

    char header[kHeaderBytes];
    m_broken = true;  // until the whole reply has come
    if (!sendAll(message, deadline) || !receiveAll(header, sizeof(header), deadline)) {
        // Only a compositor that let the reply limit pass has stalled; an action whose own
        // deadline came first leaves a connection that the next call opens afresh.
        m_stalled = Clock::now() >= replyDeadline;
        return std::nullopt;
    }
    std::uint32_t replyLength = 0;
    std::uint32_t replyType = 0;
    std::memcpy(&replyLength, header + kMagic.size(), sizeof(replyLength));
    std::memcpy(&replyType, header + kMagic.size() + sizeof(replyLength), sizeof(replyType));
    // Events come only to a client that subscribed, which the viewer never does: anything
    // but the reply to this request means the two ends no longer agree.
    if (std::string_view(header, kMagic.size()) != kMagic || replyType != code ||
        replyLength > kMaxReplyBytes) {
        return std::nullopt;
    }
    std::string reply(replyLength, '\0');
    if (!receiveAll(reply.data(), reply.size(), deadline)) {
        // Only a compositor that let the reply limit pass has stalled; an action whose own
        // deadline came first leaves a connection that the next call opens afresh.
        m_stalled = Clock::now() >= replyDeadline;
        return std::nullopt;
    }
    m_broken = false;
    return reply;
}

bool inOwnPidNamespace(pid_t pid) {
    if (pid <= 0)
        return false;
    // Two processes share a PID namespace when their namespace links name one file. The
    // kernel answers for another process only to a viewer that may inspect it (the same
    // user, or root).
    struct stat own {};
    struct stat theirs {};
    const std::string path = "/proc/" + std::to_string(pid) + "/ns/pid";
    if (::stat("/proc/self/ns/pid", &own) != 0 || ::stat(path.c_str(), &theirs) != 0)
        return false;
    return own.st_dev == theirs.st_dev && own.st_ino == theirs.st_ino;
}

}  // namespace pelorus::platform::sway
