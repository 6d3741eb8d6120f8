// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowtree.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "resources/formatting.h"

namespace pelorus::details {
namespace {

std::string windowKey(platform::WindowHandle handle) {
    std::string key = "S";
    key += resources::keyHex(handle);
    return key;
}

/// The walk's queue: a table of WindowQueueSize handles, made afresh for each walk.
/// When it is full no window can be queued, so no further node is added at all. The
/// table never moves, so a range of it stays valid while the walk appends behind it.
class WindowQueue {
public:
    bool full() const { return m_length >= kCapacity; }
    void push(platform::WindowHandle handle) {
        if (!full())
            m_handles[m_length++] = handle;
    }
    std::size_t size() const { return m_length; }
    std::span<const platform::WindowHandle> range(std::size_t begin, std::size_t end) const {
        return {m_handles.get() + begin, end - begin};
    }

private:
    static constexpr auto kCapacity = static_cast<std::size_t>(WindowQueueSize);
    std::unique_ptr<platform::WindowHandle[]> m_handles =
        std::make_unique<platform::WindowHandle[]>(kCapacity);
    std::size_t m_length = 0;
};

/// One guarded block: the node, its place in the queue, its expanded state. A refused
/// node is not queued, so its children are never walked. False once the queue is full.
bool addWindow(platform::WindowTree& TFRM, WindowQueue& queue, const std::string& parentKey,
               platform::WindowHandle handle, const platform::WindowText& text) {
    if (queue.full())
        return false;
    if (TFRM.addNode(parentKey, windowKey(handle),
                     resources::WindowCaption(text.title, text.className, handle), 2)) {
        queue.push(handle);
        TFRM.expand(TFRM.nodeCount());
    }
    return true;
}

}  // namespace

// The walk asks the window system one tree level at a time (the children of every queued
// window of a level, then the texts of all of them), yet adds the nodes in exactly the
// order of a walk that takes one queued window after the other: queue order, and under
// each parent its children topmost first.
void BuildWindowTree(platform::WindowSystem& windows, platform::WindowTree& TFRM, platform::Pid pid,
                     const std::string& file, bool processGone) {
    TFRM.clear();
    std::string RootKey = "M";
    RootKey += resources::keyHex(static_cast<std::uint32_t>(pid));
    if (!TFRM.addNode(std::nullopt, RootKey, file, 1))
        return;
    TFRM.expand(1);
    if (processGone)
        return;
    // With no X server (a session without one, or a server gone) the process is still
    // shown, with no windows under it.
    const platform::WindowHandle desktop = windows.desktop();
    if (desktop == 0)
        return;

    WindowQueue queue;
    // Top-level pass: only the process's own top-level windows, in z-order.
    const auto desktopChildren = windows.children(std::span(&desktop, 1));
    if (desktopChildren.empty())
        return;
    const std::vector<platform::WindowHandle>& tops = desktopChildren.front();
    const std::vector<platform::Pid> owners = windows.owners(tops);
    std::vector<platform::WindowHandle> own;
    for (std::size_t i = 0; i < tops.size() && i < owners.size(); ++i) {
        if (owners[i] == pid)
            own.push_back(tops[i]);
    }
    const std::vector<platform::WindowText> ownTexts = windows.texts(own);
    for (std::size_t i = 0; i < own.size(); ++i) {
        const platform::WindowText text =
            i < ownTexts.size() ? ownTexts[i] : platform::WindowText{};
        if (!addWindow(TFRM, queue, RootKey, own[i], text))
            return;
    }

    // Child pass: breadth-first over the queue, whoever created the children.
    std::size_t levelBegin = 0;
    while (levelBegin < queue.size()) {
        const std::size_t levelEnd = queue.size();
        const auto parents = queue.range(levelBegin, levelEnd);
        const auto kids = windows.children(parents);
        std::vector<platform::WindowHandle> all;
        for (const auto& list : kids)
            all.insert(all.end(), list.begin(), list.end());
        const std::vector<platform::WindowText> texts = windows.texts(all);
        std::size_t next = 0;
        for (std::size_t p = 0; p < parents.size() && p < kids.size(); ++p) {
            const std::string parentKey = windowKey(parents[p]);
            for (const platform::WindowHandle handle : kids[p]) {
                const platform::WindowText text =
                    next < texts.size() ? texts[next] : platform::WindowText{};
                ++next;
                if (!addWindow(TFRM, queue, parentKey, handle, text))
                    return;
            }
        }
        levelBegin = levelEnd;
    }
}

}  // namespace pelorus::details
