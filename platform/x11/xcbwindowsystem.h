// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/windowsystem.h"

namespace pelorus::platform {

/// The desktop's windows as an X server reports them, over an xcb connection of its own.
///
/// Connection: desktop() opens it on first use (an empty display name means $DISPLAY)
/// and, on every later call, checks it with one round trip; a connection that has broken
/// (the server went away) is dropped there and a new one is tried, so the next opening
/// either reaches a server again or finds no desktop (0). The other questions use the
/// connection desktop() opened; without one they answer 0, empty or nothing. X errors are
/// answers: every request is unchecked and a missing reply means the window has gone.
/// The errors themselves, which xcb queues as events, are thrown away before each call
/// returns. A write to a server that has gone does not raise SIGPIPE in the calling thread.
///
/// Questions about many windows are sent together and their replies read afterwards, so
/// one tree level costs a few round trips, not one per window.
///
/// Top-level windows: children(desktop()) lists the client top-levels topmost first.
/// For each child of the root, from the top of the stacking order down, it gives the
/// child itself if it carries WM_STATE, else its first descendant (breadth-first,
/// siblings topmost first) that does, else the child itself. Under a reparenting
/// manager these are the application's own windows, not the manager's frames. While no
/// window manager runs there are no frames and no search: each child of the root is
/// itself.
///
/// Owners: the PID the X-Resource extension reports for the client that created the
/// window (the server knows it); where it reports none (a remote client, no extension),
/// the window's _NET_WM_PID, which is only what the client wrote; else 0.
///
/// Texts: the title is _NET_WM_NAME, else WM_NAME; the class is the second string of
/// WM_CLASS. Each is cut at its first NUL, turned into valid UTF-8 (a Latin-1 STRING
/// property that is not UTF-8 is read as Latin-1; any other byte that is no part of a
/// valid sequence becomes U+FFFD) and cut at 254 code points.
///
/// Placement: iconic (WM_STATE IconicState or _NET_WM_STATE_HIDDEN) reads SW_SHOWMINIMIZED,
/// else unmapped reads SW_HIDE, else both maximised states read SW_SHOWMAXIMIZED, else
/// SW_SHOWNORMAL. Writing SW_HIDE unmaps the window (a managed top-level also gets the
/// synthetic UnmapNotify to the root, so that its manager withdraws it); SW_SHOW maps it;
/// SW_SHOWNORMAL maps it and, when a manager runs, asks it to activate the window, which
/// de-iconifies it. Other show states change nothing. raise() asks the manager to activate
/// a managed top-level (source: pager) and restacks any other window above its siblings.
/// A managed top-level is a window that carries WM_STATE while a window manager runs (some
/// client redirects the root's substructure): only the manager can restack it, and a bare
/// restack request would be the manager's to refuse. Just after a map the manager has not
/// marked the window yet, so a window without WM_STATE counts as well when it is a child
/// of the root that is not override-redirect (the manager has its map request) or when
/// the manager's client (the one that created its _NET_SUPPORTING_WM_CHECK window)
/// created its parent but not the window itself (the manager has framed it).
///
/// Positions: the X server keeps a window's position across unmap and map. Under a
/// reparenting manager, a hidden top-level is withdrawn and managed afresh when shown
/// again, and the manager may place it elsewhere; no state is kept to fight that.
///
/// Stale handles: a node keeps the id of its window. When the client destroys the window
/// and later reuses the id for a new window, the commands reach that newer window of the
/// same client. That is accepted: the server gives no generation count to tell them apart.
class XcbWindowSystem final : public WindowSystem {
public:
    explicit XcbWindowSystem(std::string displayName = {});
    ~XcbWindowSystem() override;
    XcbWindowSystem(const XcbWindowSystem&) = delete;
    XcbWindowSystem& operator=(const XcbWindowSystem&) = delete;

    WindowHandle desktop() override;
    std::vector<std::vector<WindowHandle>> children(std::span<const WindowHandle> parents) override;
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override;
    std::vector<WindowText> texts(std::span<const WindowHandle> windows) override;
    WindowPlacement placement(WindowHandle window) override;
    void setPlacement(WindowHandle window, const WindowPlacement& placement) override;
    void raise(WindowHandle window) override;

    /// For tests: takes the events that wait on the connection and returns their number,
    /// which is 0 when each call has left the queue empty as it should.
    std::size_t takeWaitingEvents();

private:
    struct Connection;
    /// The open connection when it is usable, else null.
    Connection* live();

    std::string m_displayName;
    std::unique_ptr<Connection> m_connection;
};

}  // namespace pelorus::platform
