// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowtree.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "resources/strings.h"

namespace pelorus::details {
namespace {

std::string windowKey(platform::WindowHandle handle) {
    std::string key = "S";
    key += text::keyHex(handle);
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
/// node is not queued, so its children are never walked.
void addWindow(platform::WindowTree& TFRM, WindowQueue& queue, OpenedWindows& opened,
               const std::string& parentKey, platform::WindowHandle parent,
               platform::WindowHandle handle, platform::Pid creator,
               const platform::WindowText& text) {
    if (TFRM.addNode(
            parentKey, windowKey(handle),
            resources::WindowCaption(text.title, text.className, text.shownNumber.value_or(handle)),
            2)) {
        queue.push(handle);
        opened.add(handle, parent, creator);
        TFRM.expand(TFRM.nodeCount());
    }
}

/// A window met by the walk and the window it was met under (0: the desktop).
struct Found {
    platform::WindowHandle parent = 0;
    platform::WindowHandle window = 0;
};

/// How a step of the walk ended.
enum class Step {
    Done,     ///< everything it met is in the tree
    TooDeep,  ///< windows below the deepest level shown were left out
    Full,     ///< the queue is full and windows were left out
    TimedOut  ///< the walk's deadline has passed; what the last question answered is not used
};

/// Adds the windows of `found` in order, asking for the texts (and, of windows below the
/// top level, the creators) of no more windows than the queue has room for, kWalkChunk at
/// most at a time.
Step addFound(platform::WindowSystem& windows, platform::WindowTree& TFRM, WindowQueue& queue,
              OpenedWindows& opened, const std::string& RootKey, std::span<const Found> found) {
    std::size_t next = 0;
    while (next < found.size()) {
        const std::size_t room = static_cast<std::size_t>(WindowQueueSize) - queue.size();
        if (room == 0)
            return Step::Full;
        const std::size_t count = std::min({room, kWalkChunk, found.size() - next});
        std::vector<platform::WindowHandle> asked;
        asked.reserve(count);
        for (std::size_t i = next; i < next + count; ++i)
            asked.push_back(found[i].window);
        const std::vector<platform::WindowText> texts = windows.texts(asked);
        // A top-level window's creator is the process: that is how the walk chose it.
        const bool topLevel = found[next].parent == 0;
        const std::vector<platform::Pid> creators =
            topLevel ? std::vector<platform::Pid>(count, opened.pid) : windows.owners(asked);
        if (windows.deadlinePassed())
            return Step::TimedOut;
        for (std::size_t i = 0; i < count; ++i) {
            const Found& window = found[next + i];
            const std::string parentKey = window.parent == 0 ? RootKey : windowKey(window.parent);
            addWindow(TFRM, queue, opened, parentKey, window.parent, window.window,
                      i < creators.size() ? creators[i] : 0,
                      i < texts.size() ? texts[i] : platform::WindowText{});
        }
        next += count;
    }
    return Step::Done;
}

/// The walk itself, from the desktop down; says how it ended.
Step walk(platform::WindowSystem& windows, platform::WindowTree& TFRM, OpenedWindows& opened,
          const std::string& RootKey, platform::WindowHandle desktop) {
    WindowQueue queue;
    // Top-level pass: only the process's own top-level windows, in z-order.
    const auto desktopChildren = windows.children(std::span(&desktop, 1));
    if (windows.deadlinePassed())
        return Step::TimedOut;
    if (desktopChildren.empty())
        return Step::Done;
    const std::vector<platform::WindowHandle>& tops = desktopChildren.front();
    std::vector<Found> own;
    for (std::size_t first = 0; first < tops.size(); first += kWalkChunk) {
        const auto chunk =
            std::span(tops).subspan(first, std::min(kWalkChunk, tops.size() - first));
        const std::vector<platform::Pid> owners = windows.owners(chunk);
        if (windows.deadlinePassed())
            return Step::TimedOut;
        for (std::size_t i = 0; i < chunk.size() && i < owners.size(); ++i) {
            if (owners[i] == opened.pid)
                own.push_back({0, chunk[i]});
        }
    }
    if (const Step step = addFound(windows, TFRM, queue, opened, RootKey, own); step != Step::Done)
        return step;

    // Child pass: breadth-first over the queue, whoever created the children, one level
    // of the tree at a time; the windows below the deepest level shown are only looked for.
    std::size_t levelBegin = 0;
    for (int depth = 1; levelBegin < queue.size(); ++depth) {
        const std::size_t levelEnd = queue.size();
        for (std::size_t first = levelBegin; first < levelEnd; first += kWalkChunk) {
            const auto parents = queue.range(first, std::min(levelEnd, first + kWalkChunk));
            const auto kids = windows.children(parents);
            if (windows.deadlinePassed())
                return Step::TimedOut;
            std::vector<Found> found;
            for (std::size_t p = 0; p < parents.size() && p < kids.size(); ++p) {
                for (const platform::WindowHandle handle : kids[p])
                    found.push_back({parents[p], handle});
            }
            // Toolkits nest their windows a few levels deep, some tens at most, but any
            // client may hang a chain of its own windows of any depth under any window, and
            // the tree control's layout, expansion and clean-up go through each level
            // recursively (tens of thousands end the program for want of stack). 64 levels
            // hold every tree a toolkit builds and cost a few kilobytes of stack at most.
            if (depth == kMaxWindowDepth) {
                if (!found.empty())
                    return Step::TooDeep;
                continue;
            }
            if (const Step step = addFound(windows, TFRM, queue, opened, RootKey, found);
                step != Step::Done) {
                return step;
            }
        }
        levelBegin = levelEnd;
    }
    return Step::Done;
}

std::string noteText(resources::StringId id, long long value) {
    return resources::replaceAll(resources::LoadString(id), "$", std::to_string(value));
}

}  // namespace

void addWindowNote(platform::WindowTree& TFRM, std::string_view name, const std::string& text) {
    if (TFRM.nodeCount() < 1)
        return;
    std::string key = "N:";
    key += name;
    TFRM.addNode(TFRM.key(1), key, text, 0);
}

// The walk asks the window system one tree level at a time (the children of every queued
// window of a level, then the texts of all of them), in chunks of kWalkChunk and never for
// more windows than the queue has room for, yet adds the nodes in exactly the order of a
// walk that takes one queued window after the other: queue order, and under each parent
// its children topmost first.
OpenedWindows buildWindowTree(platform::WindowSystem& windows, platform::WindowTree& TFRM,
                              platform::Pid pid, const std::string& file, bool processGone,
                              std::chrono::milliseconds timeLimit) {
    OpenedWindows opened;
    opened.pid = pid;
    TFRM.clear();
    std::string RootKey = "M";
    RootKey += text::keyHex(static_cast<std::uint32_t>(pid));
    if (!TFRM.addNode(std::nullopt, RootKey, file, 1))
        return opened;
    TFRM.expand(1);
    if (processGone)
        return opened;

    const ActionDeadline deadline(windows, timeLimit);
    const auto timedOut = [&] {
        addWindowNote(TFRM, "time",
                      noteText(resources::StringId::WindowWalkTimedOut,
                               std::chrono::ceil<std::chrono::seconds>(timeLimit).count()));
    };
    // With no X server (a session without one, or a server gone) the process is still
    // shown, with no windows under it.
    const platform::WindowHandle desktop = windows.desktop();
    if (desktop == 0) {
        if (windows.deadlinePassed())
            timedOut();
        return opened;
    }
    // Owners in another PID namespace would name unrelated processes: none is believed.
    if (!windows.ownersComparable()) {
        addWindowNote(TFRM, "pidns", resources::LoadString(resources::StringId::WindowsUnmatched));
        return opened;
    }

    switch (walk(windows, TFRM, opened, RootKey, desktop)) {
        case Step::Done:
            break;
        case Step::TooDeep:
            addWindowNote(TFRM, "depth",
                          noteText(resources::StringId::WindowsTooDeep, kMaxWindowDepth));
            break;
        case Step::Full:
            addWindowNote(TFRM, "count",
                          noteText(resources::StringId::WindowsTooMany, WindowQueueSize));
            break;
        case Step::TimedOut:
            timedOut();
            break;
    }
    return opened;
}

}  // namespace pelorus::details
