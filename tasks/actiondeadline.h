// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>

namespace pelorus::tasks {

/// How long one action that reads the processes may take before it ends with what it has
/// and says so in its list: a Refresh, and each walk of an opening (its threads, its
/// modules). Far beyond what an ordinary system needs (a Refresh of 2,048 processes takes
/// about a tenth of a second, an opening of 2,000 threads and 500 modules a few tenths),
/// and as long as the viewer waits for any one answer of the X server: a user who waits
/// longer takes the viewer for hung.
inline constexpr std::chrono::seconds kActionLimit{5};

/// Where an action reads the time: the steady clock, or a test's own.
using ActionClock = std::function<std::chrono::steady_clock::time_point()>;

/// The steady clock of the system.
ActionClock steadyClock();

/// The limit as the notes write it: its whole seconds.
std::string actionLimitText();

/// The moment an action's time is up, counted from its start.
class ActionDeadline {
public:
    ActionDeadline(ActionClock clock, std::chrono::steady_clock::duration limit)
        : m_clock(std::move(clock)), m_end(m_clock() + limit) {}

    /// Whether the time is up now.
    bool passed() const { return m_clock() >= m_end; }

private:
    ActionClock m_clock;
    std::chrono::steady_clock::time_point m_end;
};

}  // namespace pelorus::tasks
