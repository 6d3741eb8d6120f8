// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tests/support/xserver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <utility>

extern char** environ;

namespace pelorus::testing {

ChildProcess ChildProcess::start(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& extraEnvironment) {
    return spawn(argv, extraEnvironment, -1);
}

ChildProcess ChildProcess::spawn(const std::vector<std::string>& argv,
                                 const std::vector<std::string>& extraEnvironment, int outputFd,
                                 int inputFd) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        environment.emplace_back(*entry);
    }
    for (const auto& extra : extraEnvironment) {
        const auto name = extra.substr(0, extra.find('=') + 1);
        std::erase_if(environment, [&](const std::string& e) { return e.starts_with(name); });
        environment.push_back(extra);
    }
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (const auto& e : environment)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);

    ChildProcess child;
    const pid_t pid = fork();
    if (pid == 0) {
        if (outputFd >= 0)
            dup2(outputFd, STDOUT_FILENO);
        if (inputFd >= 0)
            dup2(inputFd, STDIN_FILENO);
        execvpe(args[0], args.data(), env.data());
        _exit(127);
    }
    if (pid > 0) {
        child.m_pid = pid;
        child.m_reaped = false;
    }
    return child;
}

ChildProcess ChildProcess::startPiped(const std::vector<std::string>& argv) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return {};
    // The child's standard output becomes the write end (dup2 clears its CLOEXEC there).
    ChildProcess child = spawn(argv, {}, fds[1]);
    close(fds[1]);
    if (child.m_pid <= 0) {
        close(fds[0]);
        return child;
    }
    child.m_out = fds[0];
    return child;
}

ChildProcess ChildProcess::startConversing(const std::vector<std::string>& argv,
                                           const std::vector<std::string>& extraEnvironment) {
    // A child that ends early must fail the test's write, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return {};
    if (pipe2(in, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return {};
    }
    ChildProcess child = spawn(argv, extraEnvironment, out[1], in[0]);
    close(out[1]);
    close(in[0]);
    if (child.m_pid <= 0) {
        close(out[0]);
        close(in[1]);
        return child;
    }
    child.m_out = out[0];
    child.m_in = in[1];
    return child;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)),
      m_reaped(std::exchange(other.m_reaped, true)),
      m_out(std::exchange(other.m_out, -1)),
      m_in(std::exchange(other.m_in, -1)),
      m_ended(other.m_ended),
      m_buffer(std::move(other.m_buffer)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        release();
        m_pid = std::exchange(other.m_pid, -1);
        m_reaped = std::exchange(other.m_reaped, true);
        m_out = std::exchange(other.m_out, -1);
        m_in = std::exchange(other.m_in, -1);
        m_ended = other.m_ended;
        m_buffer = std::move(other.m_buffer);
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    release();
}

void ChildProcess::release() {
    if (m_in >= 0)
        close(m_in);
    m_in = -1;
    if (!m_reaped)
        stop();
    if (m_out >= 0)
        close(m_out);
    m_out = -1;
}

bool ChildProcess::fill(int milliseconds) {
    for (;;) {
        if (m_out < 0 || m_ended)
            return false;
        pollfd waiting{m_out, POLLIN, 0};
        if (poll(&waiting, 1, milliseconds) <= 0)
            return false;
        char chunk[4096];
        const ssize_t count = read(m_out, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count == 0)
            m_ended = true;
        if (count <= 0)
            return false;
        m_buffer.append(chunk, static_cast<std::size_t>(count));
        return true;
    }
}

std::optional<std::string> ChildProcess::takeLine() {
    for (;;) {
        const auto newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return line;
        }
        if (!fill(0))
            return std::nullopt;
    }
}

std::optional<std::string> ChildProcess::readLine() {
    for (;;) {
        if (auto line = takeLine())
            return line;
        if (!fill(60000))
            return std::nullopt;
    }
}

bool ChildProcess::writeLine(const std::string& line) {
    if (m_in < 0)
        return false;
    const std::string text = line + "\n";
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = ::write(m_in, text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        written += static_cast<std::size_t>(count);
    }
    return true;
}

int ChildProcess::finish(std::string& output) {
    while (auto line = readLine())
        output += *line + "\n";
    output += m_buffer;
    m_buffer.clear();
    if (m_ended) {
        int status = 0;
        if (!m_reaped) {
            while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
            m_reaped = true;
        }
        return status;
    }
    return stop();
}

int ChildProcess::stop(int signal) {
    if (m_reaped || m_pid <= 0)
        return 0;
    ::kill(m_pid, signal);
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
    return status;
}

bool ChildProcess::reapIfEnded() {
    if (m_reaped)
        return true;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid)
        m_reaped = true;
    return m_reaped;
}

bool PollUntil(const std::function<bool()>& condition, int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool ChildProcess::waitForEnd(int milliseconds) {
    return PollUntil([this] { return reapIfEnded(); }, milliseconds);
}

void ChildProcess::end(int milliseconds) {
    if (m_reaped || m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    // A manager whose server has gone may hang in its exit path: then it is killed.
    if (!waitForEnd(milliseconds))
        stop(SIGKILL);
}

const char* managerName(WindowManager manager) {
    switch (manager) {
        case WindowManager::Openbox:
            return "Openbox";
        case WindowManager::Icewm:
            return "Icewm";
        case WindowManager::Fluxbox:
            return "Fluxbox";
        default:
            return "NoManager";
    }
}

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    auto* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    free(reply);
    return atom;
}

bool hasProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
    auto* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_ANY, 0, 1), nullptr);
    const bool found = reply != nullptr && reply->type != XCB_ATOM_NONE;
    free(reply);
    return found;
}

// The manager announces itself with _NET_SUPPORTING_WM_CHECK on the root window before
// its event loop runs, and a window mapped in between may never be managed: map a probe
// until the manager takes it (gives it WM_STATE), then destroy it.
bool waitForWindowManager(const std::string& display) {
    xcb_connection_t* connection = nullptr;
    const bool connected = PollUntil(
        [&] {
            if (connection != nullptr)
                xcb_disconnect(connection);
            connection = xcb_connect(display.c_str(), nullptr);
            return xcb_connection_has_error(connection) == 0;
        },
        10000);
    if (!connected) {
        xcb_disconnect(connection);
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_atom_t check = internAtom(connection, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t wmState = internAtom(connection, "WM_STATE");
    bool managed = PollUntil([&] { return hasProperty(connection, screen->root, check); }, 10000);
    if (managed) {
        const xcb_window_t probe = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        managed = false;
        for (int attempt = 0; attempt < 20 && !managed; ++attempt) {
            xcb_unmap_window(connection, probe);
            xcb_map_window(connection, probe);
            xcb_flush(connection);
            managed = PollUntil([&] { return hasProperty(connection, probe, wmState); }, 500);
        }
        xcb_destroy_window(connection, probe);
        xcb_flush(connection);
        // The manager drops the probe's frame before it takes the next client.
        free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
    xcb_disconnect(connection);
    return managed;
}

// An X server chooses its display number by the first listening address it can bind, the
// abstract socket "@/tmp/.X11-unix/X<n>" coming first; with -displayfd it neither writes
// nor heeds the lock file. A socket bound there (never listening: a client that tries
// it is refused) keeps every such server off the number.
int reserveAddress(const std::string& number) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = "/tmp/.X11-unix/X" + number;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// A server given the number explicitly also checks the lock file, and takes a lock over
// only when the PID inside has ended: ours, in the server's format (ten characters,
// right-aligned, and a newline), is alive. A lock already there is replaced only when it
// names the server just killed (a server started with its number leaves its lock behind
// when it is killed outright).
bool writeLockFile(const std::string& path, pid_t killedServer) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0444);
        if (fd >= 0) {
            char text[16];
            const int length =
                std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
            const bool written = write(fd, text, static_cast<size_t>(length)) == length;
            close(fd);
            return written;
        }
        if (errno != EEXIST)
            return false;
        std::ifstream existing(path);
        long owner = 0;
        if (!(existing >> owner) || owner != killedServer)
            return false;
        unlink(path.c_str());
    }
    return false;
}

/// Puts this process's PID, in the server's format, into the lock file of a server that
/// still runs, in one step (a new file renamed over it).
bool takeOverLockFile(const std::string& path) {
    const std::string draft = path + ".pelorus";
    const int fd = open(draft.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0444);
    if (fd < 0)
        return false;
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
    const bool written = write(fd, text, static_cast<size_t>(length)) == length;
    close(fd);
    if (!written || rename(draft.c_str(), path.c_str()) != 0) {
        unlink(draft.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<XServer> XServer::start(WindowManager manager, bool listenTcp) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return nullptr;
    // The write end must survive exec in Xvfb: give it a descriptor without CLOEXEC.
    const int childFd = fcntl(pipeFds[1], F_DUPFD, 3);
    std::unique_ptr<XServer> server(new XServer);
    server->m_server = ChildProcess::start(
        {"Xvfb", "-displayfd", std::to_string(childFd), "-screen", "0", "1280x1024x24",
         listenTcp ? "-listen" : "-nolisten", "tcp", "-noreset"});
    close(childFd);
    close(pipeFds[1]);
    std::string number;
    pollfd waiting{pipeFds[0], POLLIN, 0};
    while (poll(&waiting, 1, 10000) > 0) {
        char buffer[16];
        const ssize_t count = read(pipeFds[0], buffer, sizeof buffer);
        if (count <= 0)
            break;
        number.append(buffer, static_cast<size_t>(count));
        if (number.find('\n') != std::string::npos)
            break;
    }
    close(pipeFds[0]);
    while (!number.empty() && (number.back() == '\n' || number.back() == ' '))
        number.pop_back();
    if (number.empty() || server->m_server.pid() <= 0)
        return nullptr;
    server->m_display = ":" + number;
    std::vector<std::string> command;
    switch (manager) {
        case WindowManager::Openbox:
            command = {"openbox", "--sm-disable"};
            break;
        case WindowManager::Icewm:
            command = {"icewm"};
            break;
        case WindowManager::Fluxbox:
            command = {"fluxbox"};
            break;
        default:
            break;
    }
    if (!command.empty()) {
        server->m_manager = ChildProcess::start(command, {"DISPLAY=" + server->m_display});
        if (server->m_manager.pid() <= 0 || !waitForWindowManager(server->m_display)) {
            return nullptr;
        }
    }
    return server;
}

bool XServer::kill() {
    m_manager.end();
    const std::string number = m_display.substr(1);
    const pid_t server = m_server.pid();
    const std::string lockFile = "/tmp/.X" + number + "-lock";
    // A server that starts while this one dies takes the lowest number whose lock names no
    // live process: the lock names this test's process before the server is killed, so no
    // other server tries the number at all.
    if (m_lockFile.empty() && takeOverLockFile(lockFile))
        m_lockFile = lockFile;
    if (!m_server.reapIfEnded())
        ::kill(server, SIGKILL);
    // Bind the address the moment the dying server lets it go, before any other server
    // can; once the server is reaped, it has let go for sure.
    for (bool ended = false; m_reservation < 0 && !ended;) {
        ended = m_server.reapIfEnded();
        m_reservation = reserveAddress(number);
    }
    m_server.stop();
    if (m_reservation >= 0 && m_lockFile.empty() && writeLockFile(lockFile, server))
        m_lockFile = lockFile;
    return m_reservation >= 0;
}

XServer::~XServer() {
    // The manager first, while its server still answers.
    m_manager.end();
    m_server.stop(SIGTERM);
    if (m_reservation >= 0)
        close(m_reservation);
    if (!m_lockFile.empty())
        unlink(m_lockFile.c_str());
}

WindowClient startWindowClient(const std::string& program, const std::string& mode,
                               const std::vector<std::string>& arguments,
                               const std::string& display, int milliseconds) {
    static int files = 0;
    const std::string file =
        std::filesystem::temp_directory_path() /
        ("pelorus-windowclient-" + std::to_string(::getpid()) + "-" + std::to_string(++files));
    std::vector<std::string> argv{program, mode, file};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    WindowClient client;
    client.process = display.empty() ? ChildProcess::start(argv)
                                     : ChildProcess::start(argv, {"DISPLAY=" + display});
    if (client.process.pid() <= 0 ||
        !PollUntil([&] { return std::filesystem::exists(file); }, milliseconds)) {
        return client;
    }
    std::ifstream in(file);
    std::string name;
    std::string id;
    while (in >> name >> id)
        client.ids[name] = std::stoul(id, nullptr, 16);
    std::filesystem::remove(file);
    client.named = true;
    return client;
}

}  // namespace pelorus::testing
