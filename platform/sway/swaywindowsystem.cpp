// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/sway/swaywindowsystem.h"

#include <algorithm>
#include <utility>

#include "platform/sway/swayipc.h"
#include "platform/text/utf8.h"

namespace pelorus::platform {
namespace {

bool isContainer(WindowHandle handle) {
    return (handle & kCompositorWindow) != 0 && handle != kCompositorWindow;
}

std::uint32_t containerOf(WindowHandle handle) {
    return handle & ~kCompositorWindow;
}

const sway::Window* find(const sway::Tree& tree, std::uint32_t id) {
    const auto found = std::find_if(tree.windows.begin(), tree.windows.end(),
                                    [id](const sway::Window& window) { return window.id == id; });
    return found != tree.windows.end() ? &*found : nullptr;
}

/// A neighbour a window can go back beside: still there, and not in the scratchpad.
bool standsOut(const sway::Tree& tree, std::uint32_t id) {
    if (id == 0)
        return false;
    const sway::Window* window = find(tree, id);
    // A split container is no window of the list; it is taken to stand where it stood.
    return window == nullptr || !window->hidden;
}

}  // namespace

SwayWindowSystem::SwayWindowSystem(std::string socketPath) : m_socketPath(std::move(socketPath)) {}

SwayWindowSystem::~SwayWindowSystem() = default;

std::optional<sway::Tree> SwayWindowSystem::tree() {
    if (m_connection == nullptr || m_connection->broken())
        return std::nullopt;
    if (deadlinePassed())
        return std::nullopt;
    const auto answer = m_connection->request(sway::MessageType::GetTree, {}, deadline());
    if (!answer)
        return std::nullopt;
    return sway::parseTree(*answer);
}

std::vector<bool> SwayWindowSystem::run(const std::string& commands) {
    if (m_connection == nullptr || m_connection->broken())
        return {};
    if (deadlinePassed())
        return {};
    const auto answer = m_connection->request(sway::MessageType::RunCommand, commands, deadline());
    return answer ? sway::commandResults(*answer) : std::vector<bool>{};
}

WindowHandle SwayWindowSystem::desktop() {
    m_answered = false;
    // The connection of the last call is checked by this request; one that turns out to
    // have ended (the compositor went, or was started again) is replaced at once, while
    // one that stalled waits for the next call, so no call waits twice.
    bool fresh = false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_connection == nullptr || m_connection->broken()) {
            m_connection = sway::IpcConnection::open(m_socketPath);
            if (m_connection == nullptr)
                return 0;
            m_pidsOwn = sway::inOwnPidNamespace(m_connection->peerPid());
            fresh = true;
        }
        const auto current = tree();
        if (current && current->rootId != 0) {
            m_answered = true;
            return kCompositorWindow | current->rootId;
        }
        if (fresh || m_connection->stalled())
            return 0;
        m_connection.reset();
    }
    return 0;
}

std::vector<std::vector<WindowHandle>> SwayWindowSystem::children(
    std::span<const WindowHandle> parents) {
    std::vector<std::vector<WindowHandle>> result(parents.size());
    std::optional<sway::Tree> current;
    bool asked = false;
    for (std::size_t i = 0; i < parents.size(); ++i) {
        // Only the root has windows under it: the compositor's tree holds no child
        // windows of a client's window.
        if (!isContainer(parents[i]))
            continue;
        if (!asked) {
            current = tree();
            asked = true;
        }
        if (!current || (kCompositorWindow | current->rootId) != parents[i])
            continue;
        for (const sway::Window& window : current->windows) {
            if (window.native)
                result[i].push_back(kCompositorWindow | window.id);
        }
    }
    return result;
}

std::vector<Pid> SwayWindowSystem::owners(std::span<const WindowHandle> windows) {
    std::vector<Pid> result(windows.size(), 0);
    if (!m_pidsOwn || std::none_of(windows.begin(), windows.end(), isContainer))
        return result;
    const auto current = tree();
    if (!current)
        return result;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (!isContainer(windows[i]))
            continue;
        const sway::Window* window = find(*current, containerOf(windows[i]));
        if (window == nullptr || !window->native || window->pid == 0)
            continue;
        result[i] = window->pid;
    }
    return result;
}

std::vector<WindowText> SwayWindowSystem::texts(std::span<const WindowHandle> windows) {
    std::vector<WindowText> result(windows.size());
    if (std::none_of(windows.begin(), windows.end(), isContainer))
        return result;
    const auto current = tree();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (!isContainer(windows[i]))
            continue;
        result[i].shownNumber = containerOf(windows[i]);
        const sway::Window* window = current ? find(*current, containerOf(windows[i])) : nullptr;
        if (window == nullptr)
            continue;
        result[i].title = text::sanitizeUtf8(window->name, MaxWindowTextLength);
        result[i].className = text::sanitizeUtf8(window->appId, MaxWindowTextLength);
    }
    return result;
}

const sway::Window* SwayWindowSystem::checked(const sway::Tree& tree, WindowHandle handle,
                                              const WindowCheck& check) const {
    if (!isContainer(handle) || !m_pidsOwn || check.window != handle || check.creator == 0)
        return nullptr;
    const sway::Window* found = find(tree, containerOf(handle));
    if (found == nullptr || !found->native || found->pid != check.creator)
        return nullptr;
    // Asked after the compositor's answer: a process that still runs then held its PID all
    // along, so the PID the compositor named was that process.
    if (check.process == nullptr || !check.process->stillRunning())
        return nullptr;
    return found;
}

bool SwayWindowSystem::hide(WindowHandle window, const WindowCheck& check) {
    const auto current = tree();
    const sway::Window* found = current ? checked(*current, window, check) : nullptr;
    if (found == nullptr)
        return false;
    if (found->hidden)
        return true;
    const bool remember = m_hiddenPlaces.size() < kRememberedPlaces;
    const auto results = run(sway::criteria(found->id, check.creator) + " move scratchpad");
    if (remember && !results.empty() && results.front())
        m_hiddenPlaces[found->id] = found->place;
    return true;
}

bool SwayWindowSystem::show(WindowHandle window, const WindowCheck& check) {
    const auto current = tree();
    const sway::Window* found = current ? checked(*current, window, check) : nullptr;
    if (found == nullptr)
        return false;
    if (found->hidden)
        putBack(*current, *found, check.creator);
    m_hiddenPlaces.erase(found->id);
    run(sway::criteria(found->id, check.creator) + " focus");
    return true;
}

void SwayWindowSystem::putBack(const sway::Tree& tree, const sway::Window& window, Pid owner) {
    const std::string pick = sway::criteria(window.id, owner);
    const auto remembered = m_hiddenPlaces.find(window.id);
    const auto workspace = remembered != m_hiddenPlaces.end()
                               ? sway::quoted(remembered->second.workspace)
                               : std::nullopt;
    if (!workspace) {
        // Hidden by someone else (or on a workspace whose name no command can write):
        // shown as the compositor shows its scratchpad.
        run(pick + " scratchpad show");
        return;
    }
    const sway::Place& place = remembered->second;
    if (place.floating) {
        // Out of the scratchpad for good (a floating window in it would stay a
        // scratchpad window), onto its workspace, at its corner.
        run(pick + " move container to workspace " + *workspace +
            ", floating disable, floating enable, move absolute position " +
            std::to_string(place.x) + " " + std::to_string(place.y));
        return;
    }
    // Tiled: onto its workspace and out of the scratchpad (it goes last there), then
    // after the neighbour that stood before it, or after the one that stood after it and
    // swapped with that one, through a mark of this window's own name that goes again at
    // once. A tiled window moved to a mark goes right after the marked one.
    const auto results =
        run(pick + " move container to workspace " + *workspace + ", floating disable");
    if (results.empty() || !results.front())
        return;
    const bool useBefore = standsOut(tree, place.before);
    const bool useAfter = !useBefore && standsOut(tree, place.after);
    if (!useBefore && !useAfter)
        return;
    const std::uint32_t neighbour = useBefore ? place.before : place.after;
    const std::string mark = "_pelorus_" + std::to_string(window.id);
    const std::string other = "[con_id=" + std::to_string(neighbour) + "]";
    std::string commands =
        other + " mark --add " + mark + "; " + pick + " move container to mark " + mark;
    if (useAfter)
        commands += "; " + pick + " swap container with con_id " + std::to_string(neighbour);
    commands += "; " + other + " unmark " + mark;
    run(commands);
}

bool SwayWindowSystem::raise(WindowHandle window, const WindowCheck& check) {
    const auto current = tree();
    const sway::Window* found = current ? checked(*current, window, check) : nullptr;
    if (found != nullptr)
        run(sway::criteria(found->id, check.creator) + " focus");
    return found != nullptr;
}

std::vector<UnseenWindows> SwayWindowSystem::unseenWindows() {
    if (!m_answered)
        return {UnseenWindows::CompositorSilent};
    if (!m_pidsOwn)
        return {UnseenWindows::CompositorPidsForeign};
    return {};
}

}  // namespace pelorus::platform
