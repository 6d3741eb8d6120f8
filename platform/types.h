// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

/// Plain value types that cross the platform seam. Nothing here knows Linux, X11 or Qt.
namespace pelorus::platform {

/// Process and thread identifiers are 32-bit values throughout the viewer.
using Pid = std::int32_t;
using ThreadId = std::int32_t;
/// A window handle: on X11 the window id, a 32-bit value.
using WindowHandle = std::uint32_t;
/// The top bit of a handle marks a Wayland compositor's container: the handle of
/// container id N is kCompositorWindow | N. X never gives an id with that bit (the X
/// protocol keeps the top three bits of every resource id zero), so X windows and a
/// compositor's containers live in one tree, and one key space, without clashing.
inline constexpr WindowHandle kCompositorWindow = 0x80000000U;
/// When a process started, in clock ticks since boot. Tells a listed process from a
/// newer one that took its PID since the list was read.
using StartTime = std::uint64_t;

/// One entry of the process snapshot.
struct ProcessEntry {
    Pid pid = 0;
    /// Base priority of the process's main thread on the viewer's 4..24 scale.
    std::int32_t basePriority = 0;
    /// The executable's path text as the system gives it: raw bytes, possibly not valid
    /// UTF-8, possibly a bare name ("[kthreadd]", "sshd: alice@pts/0") rather than a path.
    std::string path;
    StartTime startTime = 0;
};

/// One entry of the thread snapshot of a process.
struct ThreadEntry {
    Pid owner = 0;
    ThreadId tid = 0;
    std::int32_t basePriority = 0;
};

/// One entry of the module snapshot of a process: a loaded file.
struct ModuleEntry {
    Pid owner = 0;
    std::string path;  ///< raw bytes, possibly not valid UTF-8
};

/// How the platform writes paths: the folder separator and whether paths are shown
/// lower-cased. Data, not code paths, so that either convention can be tested anywhere.
struct PathConvention {
    char separator = '/';
    bool lowerCase = false;
    /// Only a text that begins with the separator is a path; any other text is a name
    /// (a rewritten title such as "sshd: alice@pts/0", "[kworker/0:1]") and stays whole.
    bool pathsBeginWithSeparator = true;
};

/// Linux: '/' and the case kept (file systems are case-sensitive).
inline constexpr PathConvention kLinuxPaths{'/', false, true};
/// The Windows convention: '\' and lower case; "C:\x" is a path too.
inline constexpr PathConvention kWindowsPaths{'\\', true, false};

/// Window titles and class names are shown cut to this many code points.
inline constexpr std::size_t MaxWindowTextLength = 254;

/// Title and class name of a window, each valid UTF-8 and at most MaxWindowTextLength
/// code points; empty when absent or when the window has gone.
struct WindowText {
    std::string title;
    std::string className;
    /// The number the window's node shows when it is not the handle itself: a
    /// compositor's container id (without the kCompositorWindow bit).
    std::optional<std::uint32_t> shownNumber = std::nullopt;
};

}  // namespace pelorus::platform
