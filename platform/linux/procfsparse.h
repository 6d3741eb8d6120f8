// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/types.h"

/// Pure readers of the texts that /proc hands out. No I/O here: each takes the bytes of
/// one file (or one line) and gives back what the process source needs.
namespace pelorus::platform::procfs {

/// The fields of a stat file that the viewer uses.
struct StatFields {
    /// The name field, between the first '(' and the last ')': may hold spaces,
    /// parentheses and newlines. Points into the parsed text.
    std::string_view comm;
    char state = '?';
    std::int32_t nice = 0;
    /// How many threads the process had when the line was written (field 20).
    std::int32_t threadCount = 0;
    StartTime startTime = 0;
    /// The scheduling policy (SCHED_OTHER 0, FIFO 1, RR 2, BATCH 3, IDLE 5, DEADLINE 6);
    /// 0 when the line ends before it.
    std::int32_t policy = 0;
};

/// Parses one stat line (of /proc/PID/stat or /proc/PID/task/TID/stat). The numbered
/// fields are counted after the LAST ')', since the name before it may contain anything.
/// nullopt when the line has no name in parentheses, ends before the start time (field
/// 22), or a field the viewer reads is not a number.
std::optional<StatFields> parseStat(std::string_view text);

/// The viewer's 4..24 base priority for a thread's scheduling policy and nice value:
/// real-time policies 24, SCHED_IDLE 4, all others by nice (19..15 -> 4, 14..5 -> 6,
/// 4..-4 -> 8, -5..-14 -> 10, -15..-20 -> 13). Nice values outside -20..19 count as the
/// nearest end.
std::int32_t basePriority(std::int32_t policy, std::int32_t nice);

/// The path field of one maps line, decoded, when it names a file; nullopt for
/// anonymous and pseudo mappings ([heap], [stack], [vdso], memfd:, shared anonymous
/// memory) and for lines that are not maps lines. The kernel writes a newline inside a
/// path as the four characters "\012"; they are turned back into the newline byte so
/// that the text names the real file (a name that really holds those four characters
/// reads the same way and cannot be told apart). " (deleted)" is kept.
std::optional<std::string> mapsLinePath(std::string_view line);

/// The files named in a maps text that arrives in pieces, each once, in the order of its
/// first line: a maps file can run to hundreds of megabytes (65,530 mappings of paths of
/// 4 KiB), so it is never held whole. Holds the line that the last piece ended inside and
/// each file named so far, once, to tell the files it has not named yet.
class MapsPathReader {
public:
    /// Takes the next piece of the text.
    void feed(std::string_view piece);
    /// The text has ended: a last line without a line feed counts too.
    void finish();
    /// The next file that no earlier line named, if the pieces fed so far name one.
    std::optional<std::string> next();
    /// How many different files it has named.
    std::size_t named() const { return m_seen.size(); }

private:
    std::string m_text;
    std::size_t m_lineStart = 0;
    bool m_finished = false;
    std::unordered_set<std::string> m_seen;
};

/// Every file named in a maps text, each once, in the order of its first line.
std::vector<std::string> mapsPaths(std::string_view maps);

/// The most of cmdline that is read for the path text: its first string, if it is a
/// path, is at most this long (PATH_MAX with its NUL).
inline constexpr std::size_t kCmdlineReadLimit = 4096;

/// Whether a failed read of the exe link (its errno) may fall back to what cmdline says:
/// only when the link is absent or unreadable by right (ENOENT: kernel threads and
/// zombies; EACCES: another user's process; ESRCH: the process is ending). Any other
/// failure (ENAMETOOLONG for a binary run from a very long path) is no reason to believe
/// text that the process wrote itself.
bool exeLinkMayFallBack(int error);

/// The path text of a process whose exe link could not be read, having failed with
/// `exeError`. When the failure allows a fallback (exeLinkMayFallBack): the first NUL-ended
/// string of `cmdline` if it begins with '/'; else comm when cmdline is not empty; else
/// "[comm]" (kernel threads and zombies). On any other failure comm. `cmdline` is at most
/// the first kCmdlineReadLimit bytes of the file: a first string that does not end within
/// them is incomplete and not taken as a path. Nothing is cut.
std::string fallbackPathText(int exeError, std::string_view cmdline, std::string_view comm);

/// The number on line `name` ("Pid", "Tgid") of a status file; nullopt when the text has
/// no such line with a number. The kernel writes the process's name on the first line
/// with its line feeds escaped, so no name can forge a line of its own.
std::optional<std::int32_t> statusNumber(std::string_view status, std::string_view name);

/// The most of a status file that is read for its Tgid and Pid lines, the fourth and the
/// sixth: the name before them takes at most 128 bytes, escaped.
inline constexpr std::size_t kStatusReadLimit = 1024;

/// The number that a /proc entry name stands for: decimal digits only, 1 or above,
/// within the 32-bit range; nullopt for every other name ("self", "sys", "12a").
std::optional<std::int32_t> parseId(std::string_view name);

}  // namespace pelorus::platform::procfs
