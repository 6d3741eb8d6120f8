// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/procfssource.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/procfsfiles.h"
#include "platform/linux/procfsparse.h"

namespace pelorus::platform {
namespace {

using procfs::DirStream;
using procfs::UniqueFd;

/// Reads one process through the descriptor of its directory; nullopt drops it.
std::optional<ProcessEntry> readProcess(int pidDirFd, Pid pid) {
    const auto statText = procfs::readFileAt(pidDirFd, "stat");
    if (!statText)
        return std::nullopt;
    const auto stat = procfs::parseStat(*statText);
    if (!stat)
        return std::nullopt;

    ProcessEntry entry;
    entry.pid = pid;
    entry.basePriority = procfs::basePriority(stat->policy, stat->nice);
    entry.startTime = stat->startTime;
    const auto exe = procfs::readLinkAt(pidDirFd, "exe");
    if (exe && !exe->empty()) {
        entry.path = *exe;
        return entry;
    }
    // An empty target names nothing: read as an absent link.
    const int exeError = exe ? ENOENT : errno;
    std::optional<std::string> cmdline;
    if (procfs::exeLinkMayFallBack(exeError)) {
        // Only asked when the link is absent or refused: kernel threads, zombies, other
        // users' processes. Only the first string is wanted, so only its first 4 KiB.
        cmdline = procfs::readFileAt(pidDirFd, "cmdline", procfs::kCmdlineReadLimit);
    }
    entry.path = procfs::fallbackPathText(exeError, cmdline.value_or(std::string()), stat->comm);
    return entry;
}

class ProcessSnapshot final : public Snapshot<ProcessEntry> {
public:
    explicit ProcessSnapshot(DirStream root) : m_root(std::move(root)) {}

    bool next(ProcessEntry& out) override {
        while (const dirent* item = ::readdir(m_root.get())) {
            const auto pid = procfs::parseId(item->d_name);
            if (!pid)
                continue;
            const UniqueFd pidDir = procfs::openDirectoryAt(::dirfd(m_root.get()), item->d_name);
            if (!pidDir.valid())
                continue;
            if (auto entry = readProcess(pidDir.get(), *pid)) {
                out = std::move(*entry);
                return true;
            }
        }
        return false;
    }

private:
    DirStream m_root;
};

class ThreadSnapshot final : public Snapshot<ThreadEntry> {
public:
    ThreadSnapshot(DirStream tasks, Pid owner) : m_tasks(std::move(tasks)), m_owner(owner) {}

    bool next(ThreadEntry& out) override {
        while (const dirent* item = ::readdir(m_tasks.get())) {
            const auto tid = procfs::parseId(item->d_name);
            if (!tid)
                continue;
            const std::string statName = std::string(item->d_name) + "/stat";
            const auto statText = procfs::readFileAt(::dirfd(m_tasks.get()), statName.c_str());
            if (!statText)
                continue;
            const auto stat = procfs::parseStat(*statText);
            if (!stat)
                continue;
            out.owner = m_owner;
            out.tid = *tid;
            out.basePriority = procfs::basePriority(stat->policy, stat->nice);
            return true;
        }
        return false;
    }

private:
    DirStream m_tasks;
    Pid m_owner;
};

class ModuleSnapshot final : public Snapshot<ModuleEntry> {
public:
    ModuleSnapshot(std::vector<std::string> paths, Pid owner)
        : m_paths(std::move(paths)), m_owner(owner) {}

    bool next(ModuleEntry& out) override {
        if (m_next == m_paths.size())
            return false;
        out.owner = m_owner;
        out.path = std::move(m_paths[m_next++]);
        return true;
    }

private:
    std::vector<std::string> m_paths;
    std::size_t m_next = 0;
    Pid m_owner;
};

}  // namespace

ProcfsSource::ProcfsSource(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

std::unique_ptr<Snapshot<ProcessEntry>> ProcfsSource::processes() {
    DirStream root = procfs::openDirStreamAt(AT_FDCWD, m_procRoot.c_str());
    if (!root)
        return makeEmptySnapshot<ProcessEntry>();
    return std::make_unique<ProcessSnapshot>(std::move(root));
}

std::optional<StartTime> ProcfsSource::startTime(Pid pid) {
    if (pid <= 0)
        return std::nullopt;
    const UniqueFd rootDir = procfs::openDirectoryAt(AT_FDCWD, m_procRoot.c_str());
    if (!rootDir.valid())
        return std::nullopt;
    const auto statName = std::to_string(pid) + "/stat";
    const auto statText = procfs::readFileAt(rootDir.get(), statName.c_str());
    if (!statText)
        return std::nullopt;
    const auto stat = procfs::parseStat(*statText);
    if (!stat)
        return std::nullopt;
    return stat->startTime;
}

PathConvention ProcfsSource::pathConvention() const {
    return kLinuxPaths;
}

std::unique_ptr<Snapshot<ThreadEntry>> ProcfsSource::threads(Pid pid) {
    if (pid <= 0)
        return makeEmptySnapshot<ThreadEntry>();
    const UniqueFd rootDir = procfs::openDirectoryAt(AT_FDCWD, m_procRoot.c_str());
    if (!rootDir.valid())
        return makeEmptySnapshot<ThreadEntry>();
    const UniqueFd pidDir = procfs::openDirectoryAt(rootDir.get(), std::to_string(pid).c_str());
    if (!pidDir.valid())
        return makeEmptySnapshot<ThreadEntry>();
    DirStream tasks = procfs::openDirStreamAt(pidDir.get(), "task");
    if (!tasks)
        return makeEmptySnapshot<ThreadEntry>();
    return std::make_unique<ThreadSnapshot>(std::move(tasks), pid);
}

std::unique_ptr<Snapshot<ModuleEntry>> ProcfsSource::modules(Pid pid) {
    if (pid < 0)
        return makeEmptySnapshot<ModuleEntry>();
    // Pid 0 is the viewer itself; its entries carry its own PID.
    const std::string name = pid == 0 ? std::string("self") : std::to_string(pid);
    const Pid owner = pid == 0 ? static_cast<Pid>(::getpid()) : pid;
    const UniqueFd rootDir = procfs::openDirectoryAt(AT_FDCWD, m_procRoot.c_str());
    if (!rootDir.valid())
        return makeEmptySnapshot<ModuleEntry>();
    const UniqueFd pidDir = procfs::openDirectoryAt(rootDir.get(), name.c_str());
    if (!pidDir.valid())
        return makeEmptySnapshot<ModuleEntry>();
    const auto maps = procfs::readFileAt(pidDir.get(), "maps");
    if (!maps)
        return makeEmptySnapshot<ModuleEntry>();
    return std::make_unique<ModuleSnapshot>(procfs::mapsPaths(*maps), owner);
}

}  // namespace pelorus::platform
