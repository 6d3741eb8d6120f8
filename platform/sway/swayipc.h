// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pelorus::platform::sway {

/// How long one request to the compositor may take, from the first byte sent to the last
/// byte of its reply. A compositor answers in a millisecond or two, a loaded one in tens;
/// one that takes seconds is suspended or hung. The same bound as for an X reply, so a
/// walk or a command waits no longer on a compositor than on an X server.
inline constexpr std::chrono::seconds kReplyLimit{5};

/// The largest reply taken. A window costs about 1.5 KiB of GET_TREE's answer, so this
/// holds some 40,000 windows, more than a desktop has; a compositor that announces more
/// is not believed (the request fails), and the viewer never holds more than this at once.
inline constexpr std::size_t kMaxReplyBytes = 64 * 1024 * 1024;

/// The message types the viewer sends.
enum class MessageType : std::uint32_t {
    RunCommand = 0,
    GetTree = 4,
};

/// One connection to the compositor's IPC socket (sway-ipc(7): the magic "i3-ipc", a 32-bit
/// length and a 32-bit type in native byte order, then the JSON payload). Every request is
/// bounded by kReplyLimit as a whole. A compositor that lets it pass, or has gone, or answers
/// with something other than the reply asked for, breaks the connection for good: every
/// later request fails at once (see platform/README.md). No write raises SIGPIPE.
class IpcConnection {
public:
    /// Connects to the socket at `path`; null when nothing accepts a connection there.
    static std::unique_ptr<IpcConnection> open(const std::string& path);
    ~IpcConnection();
    IpcConnection(const IpcConnection&) = delete;
    IpcConnection& operator=(const IpcConnection&) = delete;

    /// Sends one message and returns the payload of its reply; nullopt when the request
    /// failed (the connection is then broken).
    std::optional<std::string> request(
        MessageType type, std::string_view payload,
        std::optional<std::chrono::steady_clock::time_point> actionDeadline = {});

    bool broken() const { return m_broken; }
    /// Broken because the compositor let kReplyLimit pass, not because it went away.
    bool stalled() const { return m_stalled; }

    /// The compositor's PID as the kernel reports it for the other end of the socket, in
    /// the viewer's own PID namespace; 0 when the compositor lives where the viewer cannot
    /// see it.
    pid_t peerPid() const { return m_peerPid; }

private:
    explicit IpcConnection(int fd, pid_t peerPid) : m_fd(fd), m_peerPid(peerPid) {}
    bool sendAll(std::string_view bytes, std::chrono::steady_clock::time_point deadline);
    bool receiveAll(char* buffer, std::size_t length,
                    std::chrono::steady_clock::time_point deadline);

    int m_fd = -1;
    pid_t m_peerPid = 0;
    bool m_broken = false;
    bool m_stalled = false;
};

/// Whether process `pid` (in the viewer's PID namespace, as IpcConnection::peerPid gives
/// it) lives in the viewer's own PID namespace, so that the PIDs it reports are the ones
/// the viewer's process list shows. False when the kernel does not let the viewer compare
/// (another user's process, /proc hidden) or `pid` is 0.
bool inOwnPidNamespace(pid_t pid);

}  // namespace pelorus::platform::sway
