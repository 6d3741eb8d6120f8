// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/procfssource.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/linux/pinnedprocess.h"
#include "platform/linux/procfsfiles.h"
#include "platform/linux/procfsparse.h"

namespace pelorus::platform {
namespace {

using procfs::DirStream;
using procfs::UniqueFd;

/// Reads one process through the descriptor of its directory; nullopt drops it.
std::optional<ProcessEntry> readProcess(int pidDirFd, Pid pid) {
    const auto statText = procfs::readRecordAt(pidDirFd, "stat");
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
    const int exeError = exe ? ENOENT : exe.error();
    std::string cmdline;
    if (procfs::exeLinkMayFallBack(exeError)) {
        // Only asked when the link is absent or refused: kernel threads, zombies, other
        // users' processes. Only the first string is wanted, so only its first 4 KiB.
        if (auto text = procfs::readFileAt(pidDirFd, "cmdline", procfs::kCmdlineReadLimit))
            cmdline = std::move(*text);
    }
    entry.path = procfs::fallbackPathText(exeError, cmdline, stat->comm);
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
            const auto pidDir = procfs::openPlaceAt(::dirfd(m_root.get()), item->d_name);
            if (!pidDir)
                continue;
            if (auto entry = readProcess(pidDir->get(), *pid)) {
                out = std::move(*entry);
                return true;
            }
        }
        return false;
    }

private:
    DirStream m_root;
};

/// The entries of one task folder, each TID once, at most `limit` of them: a process
/// that starts threads faster than they are read cannot keep the walk going.
class ThreadSnapshot final : public Snapshot<ThreadEntry> {
public:
    ThreadSnapshot(DirStream tasks, Pid owner, std::size_t limit)
        : m_tasks(std::move(tasks)), m_owner(owner), m_limit(limit) {}

    bool next(ThreadEntry& out) override {
        if (m_seen.size() >= m_limit) {
            m_cutShort = m_cutShort || anotherThreadListed();
            return false;
        }
        while (const dirent* item = ::readdir(m_tasks.get())) {
            const auto tid = procfs::parseId(item->d_name);
            if (!tid || m_seen.contains(*tid))
                continue;
            const std::string statName = std::string(item->d_name) + "/stat";
            const auto statText = procfs::readRecordAt(::dirfd(m_tasks.get()), statName.c_str());
            if (!statText)
                continue;
            const auto stat = procfs::parseStat(*statText);
            if (!stat)
                continue;
            m_seen.insert(*tid);
            out.owner = m_owner;
            out.tid = *tid;
            out.basePriority = procfs::basePriority(stat->policy, stat->nice);
            return true;
        }
        return false;
    }

    bool cutShort() const override { return m_cutShort; }

private:
    /// Whether the folder lists a thread that the walk has not delivered.
    bool anotherThreadListed() {
        while (const dirent* item = ::readdir(m_tasks.get())) {
            const auto tid = procfs::parseId(item->d_name);
            if (tid && !m_seen.contains(*tid))
                return true;
        }
        return false;
    }

    DirStream m_tasks;
    Pid m_owner;
    std::size_t m_limit;
    std::unordered_set<ThreadId> m_seen;
    bool m_cutShort = false;
};

/// The files mapped into a process, read from its maps file in pieces as they are asked
/// for, each once. A walk reads at most MaxMapsBytes of the file and then ends, cut short.
class ModuleSnapshot final : public Snapshot<ModuleEntry> {
public:
    ModuleSnapshot(UniqueFd maps, Pid owner) : m_maps(std::move(maps)), m_owner(owner) {}

    bool next(ModuleEntry& out) override {
        for (;;) {
            if (auto path = m_reader.next()) {
                out.owner = m_owner;
                out.path = std::move(*path);
                return true;
            }
            if (m_ended)
                return false;
            readPiece();
        }
    }

    bool cutShort() const override { return m_cutShort; }

private:
    void readPiece() {
        if (m_read >= MaxMapsBytes) {
            // The rest is not read; a line cut by the bound names no file.
            m_cutShort = true;
            m_ended = true;
            return;
        }
        m_piece.resize(std::min(kMapsPieceBytes, MaxMapsBytes - m_read));
        ssize_t count = 0;
        do {
            count = ::read(m_maps.get(), m_piece.data(), m_piece.size());
        } while (count < 0 && errno == EINTR);
        if (count <= 0) {
            // The end, or the process has gone: what was read stands.
            m_reader.finish();
            m_ended = true;
            return;
        }
        m_read += static_cast<std::size_t>(count);
        m_reader.feed(std::string_view(m_piece.data(), static_cast<std::size_t>(count)));
    }

    /// One read of the maps file: a few hundred lines.
    static constexpr std::size_t kMapsPieceBytes = 64 * 1024;

    UniqueFd m_maps;
    Pid m_owner;
    procfs::MapsPathReader m_reader;
    std::string m_piece;
    std::size_t m_read = 0;
    bool m_ended = false;
    bool m_cutShort = false;
};

/// How many threads a walk delivers for a process that had `threadCount` at opening.
std::size_t threadWalkLimit(std::int32_t threadCount) {
    constexpr std::int64_t kAtLeast = 64;
    const std::int64_t twice = 2 * static_cast<std::int64_t>(std::max(threadCount, 0));
    return static_cast<std::size_t>(std::clamp<std::int64_t>(twice, kAtLeast, MaxThreadWalk));
}

/// A process held by the descriptor of its /proc directory.
class ProcfsOpenedProcess final : public OpenedProcess {
public:
    explicit ProcfsOpenedProcess(procfs::PinnedProcess process) : m_process(std::move(process)) {}

    Pid pid() const override { return m_process.pid(); }
    StartTime startTime() const override { return m_process.startTime(); }
    bool stillRunning() override { return m_process.stillRunning(); }

    std::unique_ptr<Snapshot<ThreadEntry>> threads() override {
        auto tasks = procfs::openDirStreamAt(m_process.descriptor(), "task");
        if (!tasks)
            return makeEmptySnapshot<ThreadEntry>();
        return std::make_unique<ThreadSnapshot>(std::move(*tasks), m_process.pid(),
                                                threadWalkLimit(m_process.threadCount()));
    }

    std::unique_ptr<Snapshot<ModuleEntry>> modules() override {
        UniqueFd maps(::openat(m_process.descriptor(), "maps", O_RDONLY | O_CLOEXEC | O_NOCTTY));
        if (!maps.valid())
            return makeEmptySnapshot<ModuleEntry>();
        return std::make_unique<ModuleSnapshot>(std::move(maps), m_process.pid());
    }

private:
    procfs::PinnedProcess m_process;
};

}  // namespace

ProcfsSource::ProcfsSource(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

std::unique_ptr<Snapshot<ProcessEntry>> ProcfsSource::processes() {
    auto root = procfs::openDirStreamAt(AT_FDCWD, m_procRoot.c_str());
    if (!root)
        return makeEmptySnapshot<ProcessEntry>();
    return std::make_unique<ProcessSnapshot>(std::move(*root));
}

std::unique_ptr<OpenedProcess> ProcfsSource::open(Pid pid, StartTime startTime) {
    auto process = procfs::PinnedProcess::pin(m_procRoot, pid, startTime);
    if (!process)
        return nullptr;
    return std::make_unique<ProcfsOpenedProcess>(std::move(*process));
}

PathConvention ProcfsSource::pathConvention() const {
    return kLinuxPaths;
}

}  // namespace pelorus::platform
