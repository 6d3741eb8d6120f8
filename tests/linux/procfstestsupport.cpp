// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tests/linux/procfstestsupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <system_error>
#include <utility>

namespace pelorus::testing {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelorus-procfs-XXXXXX");
    if (::mkdtemp(pattern.data()) != nullptr)
        m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

PipedChild PipedChild::start(const std::vector<std::string>& argv) {
    PipedChild child;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return child;
    std::vector<char*> args;
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return child;
    }
    child.m_pid = pid;
    child.m_out = fds[0];
    child.m_reaped = false;
    return child;
}

PipedChild::PipedChild(PipedChild&& other) noexcept
    : m_pid(other.m_pid),
      m_out(other.m_out),
      m_reaped(other.m_reaped),
      m_ended(other.m_ended),
      m_buffer(std::move(other.m_buffer)) {
    other.m_pid = -1;
    other.m_out = -1;
    other.m_reaped = true;
}

PipedChild& PipedChild::operator=(PipedChild&& other) noexcept {
    if (this != &other) {
        stop();
        if (m_out >= 0)
            ::close(m_out);
        m_pid = std::exchange(other.m_pid, -1);
        m_out = std::exchange(other.m_out, -1);
        m_reaped = std::exchange(other.m_reaped, true);
        m_ended = other.m_ended;
        m_buffer = std::move(other.m_buffer);
    }
    return *this;
}

PipedChild::~PipedChild() {
    stop();
    if (m_out >= 0)
        ::close(m_out);
}

std::optional<std::string> PipedChild::readLine() {
    for (;;) {
        const auto newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return line;
        }
        if (m_out < 0)
            return std::nullopt;
        pollfd waitFor{m_out, POLLIN, 0};
        if (::poll(&waitFor, 1, 60000) <= 0)
            return std::nullopt;
        char chunk[4096];
        const ssize_t count = ::read(m_out, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR)
            continue;
        if (count == 0)
            m_ended = true;
        if (count <= 0)
            return std::nullopt;
        m_buffer.append(chunk, static_cast<std::size_t>(count));
    }
}

int PipedChild::finish(std::string& output) {
    while (auto line = readLine())
        output += *line + "\n";
    output += m_buffer;
    m_buffer.clear();
    // A helper that stopped talking without ending is ended here.
    return m_ended ? reap() : stop();
}

int PipedChild::stop() {
    if (m_reaped || m_pid <= 0)
        return 0;
    ::kill(m_pid, SIGKILL);
    return reap();
}

int PipedChild::reap() {
    if (m_reaped || m_pid <= 0)
        return 0;
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
    return status;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; std::getline(in, word, ' ');)
        out.push_back(word);
    return out;
}

std::string helperPath(const char* name) {
    return std::string(PELORUS_LINUX_HELPER_DIR) + "/" + name;
}

}  // namespace pelorus::testing
