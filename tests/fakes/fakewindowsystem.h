// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/windowsystem.h"

namespace pelorus::testing {

/// An in-memory window system: numbered windows with a parent, children in z-order
/// (topmost first), an owning process, a title, a class and a show state. Its commands
/// keep the seam's contract (tests/contract holds the suite it shares with the real ones);
/// it records the commands that acted, in order, and counts the questions asked. A window
/// that is not there has no children, no owner and no texts, as a window that has gone.
class FakeWindowSystem final : public platform::WindowSystem {
public:
    enum class State { Hidden, Normal, Minimised, Maximised };

    struct Window {
        platform::WindowHandle parent = 0;
        platform::Pid owner = 0;
        std::string title;
        std::string className;
        State state = State::Normal;
        std::vector<platform::WindowHandle> children;  ///< topmost first
    };

    /// A command that acted: "show", "hide" or "raise".
    struct Call {
        std::string what;
        platform::WindowHandle window = 0;
        bool operator==(const Call&) const = default;
    };

    /// The desktop window; 0 stands for no desktop.
    platform::WindowHandle desktopHandle = 1;

    /// Adds window `handle` under `parent` (the desktop for a top-level) as its topmost
    /// child, or as its lowest child when `bottom` is set.
    void add(platform::WindowHandle handle, platform::WindowHandle parent, platform::Pid owner,
             std::string title = {}, std::string className = {}, bool bottom = false) {
        Window window;
        window.parent = parent;
        window.owner = owner;
        window.title = std::move(title);
        window.className = std::move(className);
        windows[handle] = window;
        auto& siblings = childList(parent);
        if (bottom) {
            siblings.push_back(handle);
        } else {
            siblings.insert(siblings.begin(), handle);
        }
    }

    /// Destroys a window and everything below it.
    void destroy(platform::WindowHandle handle) {
        const auto found = windows.find(handle);
        if (found == windows.end())
            return;
        const auto kids = found->second.children;
        for (const auto kid : kids)
            destroy(kid);
        std::erase(childList(found->second.parent), handle);
        windows.erase(handle);
    }

    bool exists(platform::WindowHandle handle) const { return windows.contains(handle); }

    platform::WindowHandle desktop() override {
        ++questions;
        return desktopHandle;
    }

    /// Records the bound; the deadline passes when `deadlineAfter` questions have been
    /// answered under it, whatever the clock says.
    void setDeadline(std::optional<Deadline> deadline) override {
        WindowSystem::setDeadline(deadline);
        bounded = deadline.has_value();
        m_boundedFrom = questions;
    }
    bool deadlinePassed() const override {
        return bounded && deadlineAfter >= 0 && questions - m_boundedFrom >= deadlineAfter;
    }
    bool ownersComparable() override { return comparableOwners; }

    std::vector<std::vector<platform::WindowHandle>> children(
        std::span<const platform::WindowHandle> parents) override {
        ++questions;
        ++childrenCalls;
        largestAsk = std::max(largestAsk, parents.size());
        if (beforeChildren)
            beforeChildren(childrenCalls);
        std::vector<std::vector<platform::WindowHandle>> result;
        for (const auto parent : parents) {
            if (desktopHandle != 0 && parent == desktopHandle) {
                result.push_back(topLevels);
            } else {
                const auto found = windows.find(parent);
                result.push_back(found != windows.end() ? found->second.children
                                                        : std::vector<platform::WindowHandle>{});
            }
        }
        return result;
    }

    std::vector<platform::Pid> owners(std::span<const platform::WindowHandle> handles) override {
        ++questions;
        ++ownersCalls;
        std::vector<platform::Pid> result;
        for (const auto handle : handles) {
            const auto found = windows.find(handle);
            result.push_back(found != windows.end() ? found->second.owner : 0);
        }
        return result;
    }

    std::vector<platform::WindowText> texts(
        std::span<const platform::WindowHandle> handles) override {
        ++questions;
        ++textsCalls;
        textsAsked += handles.size();
        largestAsk = std::max(largestAsk, handles.size());
        std::vector<platform::WindowText> result;
        for (const auto handle : handles) {
            const auto found = windows.find(handle);
            result.push_back(found != windows.end() ? platform::WindowText{found->second.title,
                                                                           found->second.className}
                                                    : platform::WindowText{});
        }
        return result;
    }

    /// Visible, restored from minimised (a maximised window stays so), on top.
    bool show(platform::WindowHandle handle, const platform::WindowCheck& check) override {
        if (!holds(handle, check))
            return false;
        State& state = windows[handle].state;
        if (state == State::Hidden || state == State::Minimised)
            state = State::Normal;
        toTop(handle);
        return acted("show", handle);
    }

    bool hide(platform::WindowHandle handle, const platform::WindowCheck& check) override {
        if (!holds(handle, check))
            return false;
        windows[handle].state = State::Hidden;
        return acted("hide", handle);
    }

    bool raise(platform::WindowHandle handle, const platform::WindowCheck& check) override {
        if (!holds(handle, check))
            return false;
        toTop(handle);
        return acted("raise", handle);
    }

    std::map<platform::WindowHandle, Window> windows;
    std::vector<platform::WindowHandle> topLevels;  ///< topmost first
    std::vector<Call> calls;
    int childrenCalls = 0;
    int ownersCalls = 0;
    int textsCalls = 0;
    std::size_t textsAsked = 0;  ///< windows whose texts were asked for, in all
    std::size_t largestAsk = 0;  ///< the most windows asked about in one call
    /// Runs at the start of every children() call with the call's number (from 1), so
    /// that a test can change the windows while a walk runs.
    std::function<void(int)> beforeChildren;
    /// Runs after every command that acted.
    std::function<void()> afterAct;
    /// Every call of the window system counts as a question.
    int questions = 0;
    /// The number of questions after which the deadline of an action passes; -1: never.
    int deadlineAfter = -1;
    /// Whether an action's deadline bounds the questions now.
    bool bounded = false;
    /// Whether the owners are the viewer's processes (not another PID namespace's).
    bool comparableOwners = true;

private:
    int m_boundedFrom = 0;

    /// One question: whether a command acts (the window is there and the check holds, the
    /// process asked last).
    bool holds(platform::WindowHandle handle, const platform::WindowCheck& check) {
        ++questions;
        const auto checked = windows.find(check.window);
        return exists(handle) && checked != windows.end() && check.creator != 0 &&
               checked->second.owner == check.creator && check.process != nullptr &&
               check.process->stillRunning();
    }

    bool acted(const char* what, platform::WindowHandle handle) {
        calls.push_back({what, handle});
        if (afterAct)
            afterAct();
        return true;
    }

    void toTop(platform::WindowHandle handle) {
        auto& siblings = childList(windows[handle].parent);
        std::erase(siblings, handle);
        siblings.insert(siblings.begin(), handle);
    }

    std::vector<platform::WindowHandle>& childList(platform::WindowHandle parent) {
        if (parent == desktopHandle)
            return topLevels;
        return windows[parent].children;
    }
};

}  // namespace pelorus::testing
