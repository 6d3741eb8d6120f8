// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A compositor that answers wrongly, which sway cannot be made to do: a socket of the
// test's own that speaks the IPC framing and sends what each case says. Every question
// must come back, with nothing shown, and the tree must say that the compositor does not
// answer.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/sway/swaywindowsystem.h"

namespace {

using pelorus::platform::SwayWindowSystem;
using pelorus::platform::UnseenWindows;

std::string frame(std::uint32_t length, std::uint32_t type, const std::string& payload,
                  const char* magic = "i3-ipc") {
    std::string message(magic, 6);
    message.append(reinterpret_cast<const char*>(&length), sizeof(length));
    message.append(reinterpret_cast<const char*>(&type), sizeof(type));
    message.append(payload);
    return message;
}

/// Listens at a path of its own and answers every request of every connection with
/// `reply`, until it goes.
class FaultyCompositor {
public:
    explicit FaultyCompositor(std::string reply) : m_reply(std::move(reply)) {
        char directory[] = "/tmp/pelorus-faulty-XXXXXX";
        if (::mkdtemp(directory) == nullptr)
            return;
        m_directory = directory;
        m_path = m_directory + "/ipc.sock";
        m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, m_path.c_str(), sizeof(address.sun_path) - 1);
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(m_listener, 8) != 0) {
            return;
        }
        m_thread = std::thread([this] { serve(); });
    }
    ~FaultyCompositor() {
        m_stop = true;
        ::shutdown(m_listener, SHUT_RDWR);
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listener);
        ::unlink(m_path.c_str());
        ::rmdir(m_directory.c_str());
    }
    const std::string& path() const { return m_path; }
    int connections() const { return m_connections; }

private:
    void serve() {
        while (!m_stop) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                return;
            ++m_connections;
            char header[14];
            while (::recv(client, header, sizeof(header), MSG_WAITALL) == sizeof(header)) {
                std::uint32_t length = 0;
                std::memcpy(&length, header + 6, sizeof(length));
                std::string payload(length, '\0');
                if (length > 0 && ::recv(client, payload.data(), length, MSG_WAITALL) !=
                                      static_cast<ssize_t>(length)) {
                    break;
                }
                if (m_reply.empty() ||
                    ::send(client, m_reply.data(), m_reply.size(), MSG_NOSIGNAL) < 0) {
                    break;  // an empty reply: the connection is closed instead
                }
            }
            ::close(client);
        }
    }

    std::string m_reply;
    std::string m_directory;
    std::string m_path;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    std::thread m_thread;
};

TEST(FaultyCompositor, EveryWrongAnswerEndsTheQuestionWithNothingShown) {
    const std::string root = R"({"id": 1, "type": "root", "nodes": []})";
    struct Case {
        const char* what;
        std::string reply;
    };
    const std::vector<Case> cases{
        {"no JSON", frame(5, 4, "{[}]x")},
        {"JSON that is no tree", frame(2, 4, "[]")},
        {"another magic", frame(static_cast<std::uint32_t>(root.size()), 4, root, "i4-ipc")},
        {"the reply to another message", frame(static_cast<std::uint32_t>(root.size()), 0, root)},
        {"a length of 4 GiB", frame(0xFFFFFFFFU, 4, root)},
        {"the connection closed", ""},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        FaultyCompositor compositor(test.reply);
        ASSERT_FALSE(compositor.path().empty());
        SwayWindowSystem windows(compositor.path());
        EXPECT_EQ(windows.desktop(), 0U);
        EXPECT_EQ(windows.unseenWindows(),
                  std::vector<UnseenWindows>{UnseenWindows::CompositorSilent});
        // A connection that failed at once is tried again once, never more.
        EXPECT_EQ(windows.desktop(), 0U);
        EXPECT_LE(compositor.connections(), 2);
    }
    // The same socket with a right answer is a desktop.
    FaultyCompositor right(frame(static_cast<std::uint32_t>(root.size()), 4, root));
    SwayWindowSystem windows(right.path());
    EXPECT_EQ(windows.desktop(), 0x80000001U);
    // Its other end is this process, in its own PID namespace.
    EXPECT_TRUE(windows.unseenWindows().empty());
}

}  // namespace
