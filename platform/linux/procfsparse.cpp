// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/procfsparse.h"

#include <sched.h>

#include <cerrno>

#include <algorithm>
#include <charconv>
#include <utility>

namespace pelorus::platform::procfs {
namespace {

template <class Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || ptr != end)
        return std::nullopt;
    return value;
}

/// Splits `text` at runs of spaces; leading and trailing spaces give no field.
std::vector<std::string_view> fields(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\n'))
            ++pos;
        if (pos == text.size())
            break;
        std::size_t end = pos;
        while (end < text.size() && text[end] != ' ' && text[end] != '\n')
            ++end;
        out.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

// Field numbers of the stat line, counted as proc(5) does (pid is 1, the name 2).
constexpr std::size_t kFirstFieldAfterName = 3;
constexpr std::size_t kNiceField = 19;
constexpr std::size_t kThreadCountField = 20;
constexpr std::size_t kStartTimeField = 22;
constexpr std::size_t kPolicyField = 41;

constexpr std::size_t index(std::size_t field) {
    return field - kFirstFieldAfterName;
}

// Names the kernel gives to memory that no file backs, though they begin with '/':
// memfd and shared anonymous memory are shmem files behind the scenes.
bool isAnonymousShmem(std::string_view path) {
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.starts_with("/memfd:"))
        return true;
    if (!path.ends_with(kDeleted))
        return false;
    const auto name = path.substr(0, path.size() - kDeleted.size());
    return name == "/dev/zero" || name == "/anon_hugepage" || name == "/[aio]" ||
           name.starts_with("/SYSV");
}

std::string decodeNewlines(std::string_view path) {
    constexpr std::string_view kEscapedNewline = "\\012";
    std::string out;
    out.reserve(path.size());
    std::size_t pos = 0;
    while (pos < path.size()) {
        if (path.substr(pos, kEscapedNewline.size()) == kEscapedNewline) {
            out.push_back('\n');
            pos += kEscapedNewline.size();
        } else {
            out.push_back(path[pos++]);
        }
    }
    return out;
}

}  // namespace

std::optional<StatFields> parseStat(std::string_view text) {
    const auto open = text.find('(');
    const auto close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return std::nullopt;
    }
    const auto rest = fields(text.substr(close + 1));
    if (rest.size() <= index(kStartTimeField) || rest[0].size() != 1)
        return std::nullopt;

    StatFields out;
    out.comm = text.substr(open + 1, close - open - 1);
    out.state = rest[0][0];
    const auto nice = parseNumber<std::int32_t>(rest[index(kNiceField)]);
    const auto threads = parseNumber<std::int32_t>(rest[index(kThreadCountField)]);
    const auto start = parseNumber<StartTime>(rest[index(kStartTimeField)]);
    if (!nice || !threads || !start)
        return std::nullopt;
    out.nice = *nice;
    out.threadCount = *threads;
    out.startTime = *start;
    if (rest.size() > index(kPolicyField)) {
        const auto policy = parseNumber<std::int32_t>(rest[index(kPolicyField)]);
        if (!policy)
            return std::nullopt;
        out.policy = *policy;
    }
    return out;
}

std::int32_t basePriority(std::int32_t policy, std::int32_t nice) {
    // glibc's <sched.h> does not name SCHED_DEADLINE; its value is fixed by the kernel ABI.
    constexpr std::int32_t kSchedDeadline = 6;
    if (policy == SCHED_FIFO || policy == SCHED_RR || policy == kSchedDeadline)
        return 24;
    if (policy == SCHED_IDLE)
        return 4;
    if (nice >= 15)
        return 4;
    if (nice >= 5)
        return 6;
    if (nice >= -4)
        return 8;
    if (nice >= -14)
        return 10;
    return 13;
}

std::optional<std::string> mapsLinePath(std::string_view line) {
    // address perms offset dev inode, then the path after a run of padding spaces. The
    // path itself may hold spaces, so it is the rest of the line, not a field.
    std::size_t pos = 0;
    for (int field = 0; field < 5; ++field) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        const auto start = pos;
        while (pos < line.size() && line[pos] != ' ')
            ++pos;
        if (pos == start)
            return std::nullopt;
    }
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    const auto path = line.substr(pos);
    if (!path.starts_with('/') || isAnonymousShmem(path))
        return std::nullopt;
    return decodeNewlines(path);
}

void MapsPathReader::feed(std::string_view piece) {
    // What was read already goes before the text is copied on, so that the held text
    // stays within one line and one piece.
    m_text.erase(0, m_lineStart);
    m_lineStart = 0;
    m_text.append(piece);
}

void MapsPathReader::finish() {
    m_finished = true;
}

std::optional<std::string> MapsPathReader::next() {
    while (m_lineStart < m_text.size()) {
        auto end = m_text.find('\n', m_lineStart);
        if (end == std::string::npos) {
            if (!m_finished)
                return std::nullopt;
            end = m_text.size();
        }
        const std::string_view line =
            std::string_view(m_text).substr(m_lineStart, end - m_lineStart);
        m_lineStart = end + 1;
        auto path = mapsLinePath(line);
        if (path && !m_seen.contains(*path)) {
            m_seen.insert(*path);
            return path;
        }
    }
    return std::nullopt;
}

std::vector<std::string> mapsPaths(std::string_view maps) {
    MapsPathReader reader;
    reader.feed(maps);
    reader.finish();
    std::vector<std::string> out;
    while (auto path = reader.next())
        out.push_back(std::move(*path));
    return out;
}

bool exeLinkMayFallBack(int error) {
    return error == ENOENT || error == EACCES || error == ESRCH;
}

std::string fallbackPathText(int exeError, std::string_view cmdline, std::string_view comm) {
    if (!exeLinkMayFallBack(exeError))
        return std::string(comm);
    const auto end = cmdline.find('\0');
    const bool complete = end != std::string_view::npos || cmdline.size() < kCmdlineReadLimit;
    const auto first = cmdline.substr(0, end);
    if (complete && first.starts_with('/'))
        return std::string(first);
    // A rewritten title such as "sshd: alice@pts/0" is not a path.
    if (!cmdline.empty())
        return std::string(comm);
    std::string bracketed;
    bracketed.reserve(comm.size() + 2);
    bracketed.append("[").append(comm).append("]");
    return bracketed;
}

std::optional<std::int32_t> statusNumber(std::string_view status, std::string_view name) {
    // Every line but the first follows a line feed; the first is the name's.
    std::size_t at = 0;
    for (;;) {
        at = status.find('\n', at);
        if (at == std::string_view::npos)
            return std::nullopt;
        ++at;
        const auto line = status.substr(at, status.find('\n', at) - at);
        if (line.size() > name.size() && line.starts_with(name) && line[name.size()] == ':') {
            auto value = line.substr(name.size() + 1);
            const auto first = value.find_first_not_of(" \t");
            if (first == std::string_view::npos)
                return std::nullopt;
            return parseNumber<std::int32_t>(value.substr(first));
        }
    }
}

std::optional<std::int32_t> parseId(std::string_view name) {
    if (name.empty() ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const auto id = parseNumber<std::int32_t>(name);
    if (!id || *id < 1)
        return std::nullopt;
    return id;
}

}  // namespace pelorus::platform::procfs
