// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

/// The compositor's answers read, and its commands written: text in, values out, no I/O.
namespace pelorus::platform::sway {

/// Where a tiled or floating window stands, as far as a command can put it back there.
struct Place {
    std::string workspace;
    bool floating = false;
    /// The top-left corner of a floating container (its title bar included), in the
    /// layout's coordinates, as `move absolute position` takes it.
    std::int32_t x = 0;
    std::int32_t y = 0;
    /// The tiled container's neighbours in its parent, before and after it; 0 for none.
    std::uint32_t before = 0;
    std::uint32_t after = 0;
};

/// One window of the compositor's tree.
struct Window {
    std::uint32_t id = 0;  ///< the container id, never reused while the compositor runs
    Pid pid = 0;           ///< as the compositor reports it; 0 when it reports none
    bool native = false;   ///< a Wayland client's; false for an Xwayland window
    std::string name;      ///< the title, raw as given
    std::string appId;     ///< the Wayland app_id, raw as given
    bool hidden = false;   ///< in the scratchpad, out of sight
    bool fullscreen = false;
    bool focused = false;
    Place place;
};

/// The windows of a GET_TREE answer in the tree's order (outputs, their workspaces, on
/// each the tiled windows depth-first, then the floating ones; the scratchpad's output
/// comes first), and the root's id. Only containers of a client (those with a `shell`)
/// are windows; splits, workspaces and outputs are not.
struct Tree {
    std::uint32_t rootId = 0;
    std::vector<Window> windows;
};

/// Reads a GET_TREE answer; nullopt when it is no JSON or has no root node. A field of
/// an unexpected type reads as absent, never as an error. The tree is walked with a stack
/// of its own, however deep it nests.
std::optional<Tree> parseTree(std::string_view json);

/// For each command of a RUN_COMMAND answer, whether it succeeded; empty when the answer
/// is not the array of results it should be.
std::vector<bool> commandResults(std::string_view json);

/// The criteria that pick one container, and only while it belongs to `pid`:
/// "[con_id=N pid=P]". The compositor checks both when it runs the command, so a command
/// never reaches a container that has changed hands.
std::string criteria(std::uint32_t id, Pid pid);

/// `text` as a quoted argument of a command: in double quotes, or in single quotes when it
/// holds a double quote. The compositor takes the characters between the quotes as they
/// are (a backslash included), so a text with both kinds of quote cannot be written:
/// nullopt.
std::optional<std::string> quoted(std::string_view text);

/// The name of the scratchpad's workspace, where hidden windows wait.
inline constexpr std::string_view kScratchpadWorkspace = "__i3_scratch";

}  // namespace pelorus::platform::sway
