// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/windowsystem.h"

namespace pelorus::platform {

namespace x11 {
class Connection;
struct FramePlace;
}  // namespace x11

/// The desktop's windows as an X server reports them, over an xcb connection of its own.
///
/// Connection: desktop() opens it on first use (an empty display name means $DISPLAY)
/// and, on every later call, checks it with one round trip; a connection that has broken
/// (the server went away) is dropped there and a new one is tried, so the next opening
/// either reaches a server again or finds no desktop (0). The other questions use the
/// connection desktop() opened; without one they answer 0, empty or nothing. X errors are
/// answers: every request is unchecked and a missing reply means the window has gone.
/// Each call takes away the errors that xcb queued as events before it returns, and a
/// write to a server that has gone does not raise SIGPIPE in the calling thread.
///
/// A window lists at most 65,535 children: the protocol counts them in 16 bits, so the
/// children of a window that has more are not all seen.
///
/// Questions about many windows are sent together and their replies read afterwards, in
/// batches of at most x11::kRequestBatchBytes of requests (4,096 windows for children,
/// 455 for owners and texts), so one tree level costs a few round trips, not one per
/// window; the replies buffered at once stay bounded (a title and a class of maximal
/// length take about 6 KiB per window), and no write can block on a server that has
/// stopped reading.
///
/// A server that misbehaves: each reply is awaited for x11::kXReplyLimit at most. A
/// server that lets that pass (suspended, hung, grabbed by another client for that long)
/// counts as stalled: the call ends as far as it got, the other questions answer as if
/// there were no server, and the next desktop() drops that connection and opens a new
/// one, bounded by kXConnectLimit. A server that has gone answers the same at once. So no
/// call waits for the server much longer than those limits, and a walk or a command that
/// meets either ends early with what it had.
///
/// A server that answers, but slowly (another client grabs it again and again, each time
/// for less than the reply limit), would still hold a walk of many questions for minutes:
/// the deadline of the action (setDeadline) bounds every wait too, the connecting included.
/// Past it every call answers at once as if there were no server, while the connection is
/// kept for the next action.
///
/// Top-level windows: children(desktop()) lists the client top-levels topmost first (see
/// x11::clientWindows: under a reparenting manager the application's own windows, not the
/// manager's frames; while no manager runs each child of the root is itself).
///
/// Owners: a window that does not exist has none (0), whatever its id: the X-Resource
/// extension answers by the client bits of an id, so an id that no longer exists inside
/// a live client's range would name that client. Else the PID that X-Resource reports for
/// the client that created the window (the server knows it). Where it reports none (a
/// client connected over TCP, no extension), the window's _NET_WM_PID, only what the client
/// wrote, and only when its WM_CLIENT_MACHINE names this host; else 0. A window that a
/// client left behind with the RetainPermanent close-down mode still reports the PID of
/// its creator, which has ended: the server keeps no other answer.
///
/// PID namespaces: the server names clients by the PIDs of its own namespace. Where it
/// names the viewer's own connection by another number than getpid() (the viewer runs in
/// a container), its PIDs would name unrelated processes of the viewer's list:
/// ownersComparable() is false and owners() answers 0 for every window. Where it names the
/// viewer by none (the viewer reaches it over TCP), its PIDs are those of another machine:
/// only the claims of clients on this host count, as for any client over TCP.
///
/// Texts: the title is _NET_WM_NAME, else WM_NAME; the class is the second string of
/// WM_CLASS. Each is cut at its first NUL, turned into valid UTF-8 (a Latin-1 STRING
/// property that is not UTF-8 is read as Latin-1; any other byte that is no part of a
/// valid sequence becomes U+FFFD) and cut at 254 code points.
///
/// WM_STATE marks a client that a manager manages only where a manager can have put it:
/// on a child of the root or of one of the manager's frames (x11::readFacts). Any client
/// may write it on windows of its own; there it counts for nothing, so such a window is
/// neither taken for a top-level nor waited for when it is hidden.
///
/// Commands: each sends the questions of its check (the owner of the check's window) and
/// of its act (the window's map state, WM_STATE, _NET_WM_STATE and parent, whether a
/// manager runs and which window it names as its own, and for a hide the frame place) in
/// one batch: one round trip, and a second only under a manager that names no window of
/// its own (for a window in a frame) or writes no frame extents (for the place). Then, the
/// check passed, it acts without waiting for an answer. show() maps the window, asks the
/// manager to put back a frame it withdrew (below), asks it to activate a managed top-level
/// or a minimised window (which de-iconifies it and raises it under most managers), and
/// asks for the window to be restacked above its siblings (icewm activates without
/// raising, and takes the restack request, which the server hands to the manager of a
/// managed top-level). hide() unmaps the window; a managed top-level also gets the
/// synthetic UnmapNotify to the root, so that its manager withdraws it, and the hide
/// waits, a quarter of a second at most, for the event that says the manager has let it
/// go (x11::awaitWithdrawal): no request, no round trip. raise() activates a managed
/// top-level and restacks the window.
///
/// Positions: without a manager the X server keeps a window's position across unmap and
/// map. Under a reparenting manager a withdrawn top-level is managed afresh when mapped
/// again and placed by the manager's own policy, and where the manager leaves the
/// withdrawn window differs from manager to manager (see windowmanager.h). So the window
/// system remembers, for each visible or minimised top-level it withdraws, where its frame
/// stood and the client's size, and when it maps that window again while it is still
/// withdrawn it asks the manager (right after the map, which the manager handles first)
/// to put the frame back there. That holds under every manager tried, whatever gravity the
/// client's hints say, and changes no property of the client. Only windows this object
/// hid are moved; at most kRememberedPlaces are remembered at once.
///
/// Stale handles: the viewer checks that a node's window still belongs to the opened
/// process before it acts (see the window commands). A client that destroys a window and
/// reuses its id for a new one is the same process: that newer window is reached.
class XcbWindowSystem final : public WindowSystem {
public:
    static constexpr std::size_t kRememberedPlaces = 65536;

    explicit XcbWindowSystem(std::string displayName = {});
    ~XcbWindowSystem() override;
    XcbWindowSystem(const XcbWindowSystem&) = delete;
    XcbWindowSystem& operator=(const XcbWindowSystem&) = delete;

    WindowHandle desktop() override;
    bool ownersComparable() override;
    std::vector<std::vector<WindowHandle>> children(std::span<const WindowHandle> parents) override;
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override;
    std::vector<WindowText> texts(std::span<const WindowHandle> windows) override;
    bool show(WindowHandle window, const WindowCheck& check) override;
    bool hide(WindowHandle window, const WindowCheck& check) override;
    bool raise(WindowHandle window, const WindowCheck& check) override;

    /// For tests: takes the events that wait on the connection and returns their number,
    /// which is 0 when each call has left the queue empty as it should.
    std::size_t takeWaitingEvents();
    /// For tests: how often a hide has waited for a manager to let a window go.
    std::size_t withdrawalWaits() const { return m_withdrawalWaits; }
    /// For tests and the benchmarks: the round trips of the present connection so far
    /// (see x11::Connection::roundTrips), 0 without one.
    std::size_t roundTrips() const;

private:
    std::string m_displayName;
    std::unique_ptr<x11::Connection> m_connection;
    std::unordered_map<WindowHandle, std::unique_ptr<x11::FramePlace>> m_hiddenPlaces;
    std::size_t m_withdrawalWaits = 0;
};

}  // namespace pelorus::platform
