// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <chrono>
#include <optional>
#include <span>
#include <vector>

#include "platform/processsource.h"
#include "platform/types.h"

namespace pelorus::platform {

/// What must still hold of a window for a command to act on it, checked by the window
/// system itself right before it acts, so that a display server is asked the check's and
/// the act's questions together: `window` (the one acted on, or the nearest window above
/// it whose creator the walk knew) still exists and was created by `creator`, and after
/// that answer `process` still runs, so it held its PID all along and the creator named
/// was that process. A window whose id another client has taken over is never reached.
struct WindowCheck {
    WindowHandle window = 0;
    Pid creator = 0;
    OpenedProcess* process = nullptr;
};

/// Windows that a window system knows it cannot show, so that the tree can say why they
/// are missing rather than pass over them in silence.
enum class UnseenWindows {
    /// A Wayland session whose compositor tells no other program about its windows (no
    /// interface the viewer speaks: GNOME's, or any other): only X windows are shown.
    NativeWindowsUnseen,
    /// The compositor's socket is named but does not answer.
    CompositorSilent,
    /// The compositor answers with PIDs of another PID namespace than the viewer's: its
    /// windows cannot be told apart by process, so none is shown.
    CompositorPidsForeign,
};

/// The desktop's windows. Every question may be asked about many windows at once (a display
/// server's backend sends one tree level's requests before it reads a reply); answers come
/// in the order of the questions. A window that has gone, or any error, is an answer of 0,
/// empty or no-op, never an exception. The commands speak intentions (show, hide, raise).
/// One user action (a walk, a command) runs under a deadline: past it every question answers
/// at once as if the windows had gone, so the action ends with what it has.
class WindowSystem {
public:
    using Clock = std::chrono::steady_clock;
    using Deadline = Clock::time_point;

    virtual ~WindowSystem() = default;

    /// Bounds the questions that follow by `deadline`; nullopt lifts the bound.
    virtual void setDeadline(std::optional<Deadline> deadline) { m_deadline = deadline; }

    /// Whether the deadline set last has passed: the answers since then are cut short.
    virtual bool deadlinePassed() const { return m_deadline && Clock::now() >= *m_deadline; }

    /// Whether the owners this window system answers are identifiers of the viewer's own
    /// process list. False when the display server counts processes in another PID
    /// namespace (the viewer runs in a container): its PIDs would name unrelated
    /// processes, so owners() then answers 0 for every window.
    virtual bool ownersComparable() { return true; }

    /// The desktop window, whose children are the top-level windows; 0 when there is no
    /// desktop (no display server reachable).
    virtual WindowHandle desktop() = 0;

    /// For each of `parents`, its children topmost first. For the desktop these are the
    /// client top-level windows (under a reparenting window manager the application's
    /// own windows, not the manager's frames). A window that has gone has none.
    virtual std::vector<std::vector<WindowHandle>> children(
        std::span<const WindowHandle> parents) = 0;

    /// For each window, the PID of the process that created it; 0 when unknown or gone.
    virtual std::vector<Pid> owners(std::span<const WindowHandle> windows) = 0;

    /// For each window, its title and class name.
    virtual std::vector<WindowText> texts(std::span<const WindowHandle> windows) = 0;

    /// The commands' Show: `window` becomes visible in the state it has, restored when that
    /// state is minimised (a maximised one stays maximised), on top of its siblings (a
    /// top-level also becomes the active window). The intentions act only while `check`
    /// holds, and answer whether they acted (false: the check failed, the window has gone,
    /// or there is no window system).
    virtual bool show(WindowHandle window, const WindowCheck& check) = 0;

    /// The commands' Hide: `window` becomes invisible whatever its state; where the window
    /// system would not keep its place by itself, it notes the place for the next show().
    virtual bool hide(WindowHandle window, const WindowCheck& check) = 0;

    /// Puts `window` on top of its siblings (a top-level also becomes the active window),
    /// its state kept.
    virtual bool raise(WindowHandle window, const WindowCheck& check) = 0;

    /// What this window system knew it could not show at its last desktop(); empty when
    /// it shows every window of the desktop.
    virtual std::vector<UnseenWindows> unseenWindows() { return {}; }

protected:
    const std::optional<Deadline>& deadline() const { return m_deadline; }

private:
    std::optional<Deadline> m_deadline;
};

}  // namespace pelorus::platform
