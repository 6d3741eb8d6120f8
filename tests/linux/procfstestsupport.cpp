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
#include <fstream>
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

platform::ProcessEntry rowOf(platform::ProcessSource& source, platform::Pid pid) {
    platform::ProcessEntry entry;
    for (auto walk = source.processes(); walk->next(entry);) {
        if (entry.pid == pid)
            return entry;
    }
    return {};
}

std::optional<platform::StartTime> startTimeOf(pid_t id) {
    std::ifstream in("/proc/" + std::to_string(id) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos)
        return std::nullopt;
    // Field 3 (the state) follows the name; field 22 is 19 further on.
    std::istringstream fields(line.substr(nameEnd + 1));
    std::string field;
    for (int number = 3; number <= 22; ++number) {
        if (!(fields >> field))
            return std::nullopt;
    }
    return std::stoull(field);
}

WaitingThread::WaitingThread() {
    auto tid = m_started.get_future();
    m_thread = std::thread([this, released = m_release.get_future()] {
        m_started.set_value(::gettid());
        released.wait();
    });
    m_tid = tid.get();
}

WaitingThread::~WaitingThread() {
    m_release.set_value();
    m_thread.join();
}

std::string commOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string comm;
    std::getline(in, comm);
    return comm;
}

}  // namespace pelorus::testing
