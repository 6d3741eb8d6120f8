// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/joinedwindowsystem.h"

#include <cstddef>

namespace pelorus::platform {
namespace {

/// Questions about many windows split between the two sides and their answers put back
/// in the order asked.
template <typename Answer, typename Ask>
std::vector<Answer> askBoth(std::span<const WindowHandle> windows, WindowSystem& x,
                            WindowSystem* compositor, Ask ask) {
    std::vector<WindowHandle> toX;
    std::vector<WindowHandle> toCompositor;
    for (const WindowHandle window : windows)
        ((window & kCompositorWindow) != 0 ? toCompositor : toX).push_back(window);
    const std::vector<Answer> fromX = toX.empty() ? std::vector<Answer>{} : ask(x, toX);
    const std::vector<Answer> fromCompositor = toCompositor.empty() || compositor == nullptr
                                                   ? std::vector<Answer>{}
                                                   : ask(*compositor, toCompositor);
    std::vector<Answer> result(windows.size());
    std::size_t nextX = 0;
    std::size_t nextCompositor = 0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if ((windows[i] & kCompositorWindow) != 0) {
            if (nextCompositor < fromCompositor.size())
                result[i] = fromCompositor[nextCompositor];
            ++nextCompositor;
        } else {
            if (nextX < fromX.size())
                result[i] = fromX[nextX];
            ++nextX;
        }
    }
    return result;
}

}  // namespace

WindowSystem* JoinedWindowSystem::sideOf(WindowHandle window) const {
    return (window & kCompositorWindow) != 0 ? m_compositor : &m_x;
}

void JoinedWindowSystem::setDeadline(std::optional<Deadline> deadline) {
    WindowSystem::setDeadline(deadline);
    m_x.setDeadline(deadline);
    if (m_compositor != nullptr)
        m_compositor->setDeadline(deadline);
}

bool JoinedWindowSystem::ownersComparable() {
    return m_x.ownersComparable() || (m_compositor != nullptr && m_compositorDesktop != 0);
}

WindowHandle JoinedWindowSystem::desktop() {
    m_xDesktop = m_x.desktop();
    m_compositorDesktop = m_compositor != nullptr ? m_compositor->desktop() : 0;
    return m_xDesktop != 0 ? m_xDesktop : m_compositorDesktop;
}

std::vector<std::vector<WindowHandle>> JoinedWindowSystem::children(
    std::span<const WindowHandle> parents) {
    auto result = askBoth<std::vector<WindowHandle>>(
        parents, m_x, m_compositor, [](WindowSystem& side, std::span<const WindowHandle> asked) {
            return side.children(asked);
        });
    // Under X's root, the compositor's native top-levels (in its tree's order) follow X's
    // (topmost first).
    if (m_xDesktop == 0 || m_compositorDesktop == 0 || m_compositor == nullptr)
        return result;
    for (std::size_t i = 0; i < parents.size(); ++i) {
        if (parents[i] != m_xDesktop)
            continue;
        const auto native = m_compositor->children(std::span(&m_compositorDesktop, 1));
        if (!native.empty())
            result[i].insert(result[i].end(), native.front().begin(), native.front().end());
        break;
    }
    return result;
}

std::vector<Pid> JoinedWindowSystem::owners(std::span<const WindowHandle> windows) {
    return askBoth<Pid>(
        windows, m_x, m_compositor,
        [](WindowSystem& side, std::span<const WindowHandle> asked) { return side.owners(asked); });
}

std::vector<WindowText> JoinedWindowSystem::texts(std::span<const WindowHandle> windows) {
    return askBoth<WindowText>(
        windows, m_x, m_compositor,
        [](WindowSystem& side, std::span<const WindowHandle> asked) { return side.texts(asked); });
}

// No window of one side hangs under a window of the other, so a check across fails.
WindowSystem* JoinedWindowSystem::sideOf(WindowHandle window, const WindowCheck& check) const {
    return sideOf(check.window) == sideOf(window) ? sideOf(window) : nullptr;
}

bool JoinedWindowSystem::show(WindowHandle window, const WindowCheck& check) {
    WindowSystem* side = sideOf(window, check);
    return side != nullptr && side->show(window, check);
}

bool JoinedWindowSystem::hide(WindowHandle window, const WindowCheck& check) {
    WindowSystem* side = sideOf(window, check);
    return side != nullptr && side->hide(window, check);
}

bool JoinedWindowSystem::raise(WindowHandle window, const WindowCheck& check) {
    WindowSystem* side = sideOf(window, check);
    return side != nullptr && side->raise(window, check);
}

std::vector<UnseenWindows> JoinedWindowSystem::unseenWindows() {
    std::vector<UnseenWindows> result;
    if (m_compositor != nullptr)
        result = m_compositor->unseenWindows();
    else if (m_waylandSession)
        result.push_back(UnseenWindows::NativeWindowsUnseen);
    for (const UnseenWindows unseen : m_x.unseenWindows())
        result.push_back(unseen);
    return result;
}

}  // namespace pelorus::platform
