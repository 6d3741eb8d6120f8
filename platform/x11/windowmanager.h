// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/x11/xcbconnection.h"

/// The window manager's side of the X server, as the window system needs it: which
/// windows a manager holds, how it is asked to activate, withdraw and place them, and
/// where the client windows sit inside its frames. How the managers that were tried
/// differ: platform/README.md.
namespace pelorus::platform::x11 {

/// Where a managed top-level stands: its frame's outer top-left corner on the root and
/// the client window's own size.
struct FramePlace {
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

/// Whether a window manager runs: some client redirects the root's substructure.
bool managerRuns(const Connection& connection);

/// What a window command needs to know of its window before it acts.
struct WindowFacts {
    bool exists = false;
    bool managerRuns = false;
    /// A managed top-level: a window that a window manager holds, which only the manager
    /// can restack and which it must be told to withdraw (see readFacts).
    bool managed = false;
    bool mapped = false;
    /// WM_STATE IconicState or _NET_WM_STATE_HIDDEN.
    bool minimised = false;
    /// Its parent is not the root (under a manager: it sits in a frame).
    bool framed = false;
};

/// The questions of WindowFacts, sent in one batch with whatever else the caller asks.
struct FactQuestions {
    xcb_get_window_attributes_cookie_t attributes;
    xcb_query_tree_cookie_t tree;
    xcb_get_property_cookie_t state;
    xcb_get_property_cookie_t netState;
    xcb_get_window_attributes_cookie_t rootAttributes;
    xcb_get_property_cookie_t supporting;
};
FactQuestions askFacts(const Connection& connection, xcb_window_t window);

/// The answers to askFacts. While a manager runs, a managed top-level is a child of the
/// root that carries WM_STATE or is not override-redirect, or a window that the manager's
/// client (the creator of its _NET_SUPPORTING_WM_CHECK window) has framed: it created the
/// window's parent but not the window. Under a manager that names no window of its own,
/// only a WM_STATE right inside a child of the root (a frame) counts, at one more round trip.
WindowFacts readFacts(const Connection& connection, xcb_window_t window,
                      const FactQuestions& questions);

/// Asks the manager to activate the window (source: a pager, which managers obey
/// without the focus-stealing checks they apply to applications).
void activate(const Connection& connection, xcb_window_t window);

/// The ICCCM synthetic UnmapNotify: the manager withdraws the (unmapped) window even if
/// the real UnmapNotify never reached it.
void withdraw(const Connection& connection, xcb_window_t window);

/// Asks the server to tell this connection when `window` is reparented or destroyed
/// (StructureNotify), or, with `watch` false, no longer; sent before a withdrawal, so that
/// awaitWithdrawal sends no request of its own.
void watchStructure(const Connection& connection, xcb_window_t window, bool watch);

/// Waits (a quarter of a second at most, and no longer than the action may take) until
/// the manager has let the withdrawn window go: the event that puts it under the root, or
/// the one that says it has gone, as watchStructure asked. A map sent while the manager
/// still holds the window in its frame can be lost, so the next Show would find it hidden.
void awaitWithdrawal(const Connection& connection, xcb_window_t window);

/// The questions of a top-level's frame place, sent with the facts of a hide: the client's
/// size, its place on the root and the frame extents its manager wrote.
struct PlaceQuestions {
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t corner;
    xcb_get_property_cookie_t extents;
};
PlaceQuestions askPlace(const Connection& connection, xcb_window_t window);

/// The window's frame place from the answers to askPlace: the client's place on the root
/// less the frame's left and top extents (_NET_FRAME_EXTENTS) is the frame's outer corner.
/// Where the manager wrote no extents, the frame itself is asked (framePlace). None when
/// the window has gone.
std::optional<FramePlace> readPlace(const Connection& connection, xcb_window_t window,
                                    const PlaceQuestions& questions);

/// The window's frame place (its outermost ancestor below the root, or itself); none
/// when it has gone. A few round trips: one per frame level.
std::optional<FramePlace> framePlace(const Connection& connection, xcb_window_t window);

/// Asks the manager to put the window's frame at `place` (`_NET_MOVERESIZE_WINDOW`,
/// NorthWest gravity, source: a pager).
void moveFrame(const Connection& connection, xcb_window_t window, const FramePlace& place);

/// How deep and how wide the search for a client window inside one frame goes: frames
/// nest a few levels at most, and a child of the root with a huge subtree of its own is
/// no frame.
inline constexpr int kClientSearchDepth = 4;
inline constexpr std::size_t kClientSearchWindows = 256;

/// For each child of the root, the client window it stands for: the child itself if it
/// carries WM_STATE, else its first descendant (breadth-first, siblings topmost first,
/// within the caps above) that does and that the manager can have marked (inside the
/// manager's frames: see readFacts), else the child itself. Each level of all the
/// searches together costs one round trip per batch of requests (kRequestBatchBytes).
std::vector<xcb_window_t> clientWindows(const Connection& connection,
                                        std::vector<xcb_window_t> tops);

}  // namespace pelorus::platform::x11
