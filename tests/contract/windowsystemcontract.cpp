// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// What every window system promises of its commands (platform/windowsystem.h), read back
// through each desktop's own view of its windows.
#include "tests/contract/windowsystemcontract.h"

#include <string>
#include <vector>

namespace pelorus::testing {

void WindowSystemContract::SetUp() {
    desktop = GetParam().make();
    ASSERT_NE(desktop, nullptr) << "the desktop could not be set up";
}

std::string contractName(const ::testing::TestParamInfo<ContractTarget>& info) {
    return info.param.name;
}

void PrintTo(const ContractTarget& target, std::ostream* out) {
    *out << target.name;
}

namespace {

using State = ContractDesktop::State;

const char* stateName(State state) {
    switch (state) {
        case State::Gone:
            return "gone";
        case State::Hidden:
            return "hidden";
        case State::Normal:
            return "normal";
        case State::Minimised:
            return "minimised";
        case State::Maximised:
            return "maximised";
    }
    return "?";
}

TEST_P(WindowSystemContract, HideThenShowReturnsAWindowVisibleOnTop) {
    platform::WindowSystem& windows = desktop->windows();
    const platform::WindowHandle top = desktop->topLevels().front();
    for (const platform::WindowHandle window : {top, desktop->child()}) {
        SCOPED_TRACE(window == top ? "a top-level below the others" : "a child below a sibling");
        EXPECT_TRUE(windows.hide(window, desktop->check(window)));
        EXPECT_TRUE(desktop->becomes(window, State::Hidden));
        EXPECT_TRUE(windows.show(window, desktop->check(window)));
        EXPECT_TRUE(desktop->becomes(window, State::Normal));
        EXPECT_TRUE(desktop->becomesTopmost(window));
    }
}

// Show: visible in the state the window has, restored from minimised, always on top;
// whoever put it into that state.
TEST_P(WindowSystemContract, ShowMakesEveryStateVisibleOnTopAndKeepsMaximised) {
    const struct {
        State before;
        State after;
    } cases[] = {{State::Hidden, State::Normal},
                 {State::Minimised, State::Normal},
                 {State::Maximised, State::Maximised}};
    desktop.reset();  // each case on a desktop of its own
    for (const auto& each : cases) {
        SCOPED_TRACE(stateName(each.before));
        const auto desk = GetParam().make();
        ASSERT_NE(desk, nullptr);
        const platform::WindowHandle window = desk->topLevels().front();
        if (!desk->put(window, each.before)) {
            EXPECT_NE(each.before, State::Hidden) << "every desktop can hide a window";
            continue;  // a state this desktop does not have
        }
        EXPECT_TRUE(desk->windows().show(window, desk->check(window)));
        EXPECT_TRUE(desk->becomes(window, each.after));
        EXPECT_TRUE(desk->becomesTopmost(window));
    }
}

// Hide: hidden whatever the state; a window hidden while minimised comes back restored.
TEST_P(WindowSystemContract, HideHidesAWindowWhateverItsState) {
    desktop.reset();
    for (const State before : {State::Normal, State::Minimised, State::Maximised}) {
        SCOPED_TRACE(stateName(before));
        const auto desk = GetParam().make();
        ASSERT_NE(desk, nullptr);
        const platform::WindowHandle window = desk->topLevels().front();
        if (before != State::Normal && !desk->put(window, before))
            continue;
        EXPECT_TRUE(desk->windows().hide(window, desk->check(window)));
        EXPECT_TRUE(desk->becomes(window, State::Hidden));
        if (before == State::Minimised) {
            EXPECT_TRUE(desk->windows().show(window, desk->check(window)));
            EXPECT_TRUE(desk->becomes(window, State::Normal));
        }
    }
}

TEST_P(WindowSystemContract, RaisePutsAWindowOnTopInTheStateItHas) {
    platform::WindowSystem& windows = desktop->windows();
    const platform::WindowHandle top = desktop->topLevels().front();
    const bool maximised = desktop->put(top, State::Maximised);
    for (const platform::WindowHandle window : {top, desktop->child()}) {
        EXPECT_TRUE(windows.raise(window, desktop->check(window)));
        EXPECT_TRUE(desktop->becomesTopmost(window));
    }
    EXPECT_TRUE(desktop->becomes(top, maximised ? State::Maximised : State::Normal));
}

// A check that fails leaves the window as it was, whichever of its parts fails: the
// window's creator is another process, or the process the tree was built for has ended
// (its PID may name a newer one), or the creator is unknown.
TEST_P(WindowSystemContract, NoCommandActsWhenItsCheckFails) {
    platform::WindowSystem& windows = desktop->windows();
    const std::vector<platform::WindowHandle> tops = desktop->topLevels();
    const platform::WindowHandle shown = tops[0];
    const platform::WindowHandle hidden = tops[1];
    const platform::WindowHandle child = desktop->child();
    ASSERT_TRUE(desktop->put(hidden, State::Hidden));
    const auto failing = [&](platform::WindowHandle window) {
        platform::WindowCheck otherCreator = desktop->check(window);
        otherCreator.creator += 1;
        platform::WindowCheck ended = desktop->check(window);
        ended.process = &desktop->endedProcess();
        platform::WindowCheck unknown = desktop->check(window);
        unknown.creator = 0;
        return std::vector<platform::WindowCheck>{otherCreator, ended, unknown};
    };
    for (const platform::WindowCheck& check : failing(shown))
        EXPECT_FALSE(windows.hide(shown, check));
    for (const platform::WindowCheck& check : failing(hidden))
        EXPECT_FALSE(windows.show(hidden, check));
    for (const platform::WindowCheck& check : failing(child))
        EXPECT_FALSE(windows.raise(child, check));
    // A command that acts, after them: once its effect shows, theirs would show too (the
    // window system and its manager carry commands out in order).
    ASSERT_TRUE(windows.hide(tops[2], desktop->check(tops[2])));
    ASSERT_TRUE(desktop->becomes(tops[2], State::Hidden));
    EXPECT_TRUE(desktop->becomes(shown, State::Normal));
    EXPECT_TRUE(desktop->becomes(hidden, State::Hidden));
    EXPECT_TRUE(desktop->becomesTopmost(desktop->siblingAbove()));
}

TEST_P(WindowSystemContract, AWindowThatHasGoneIsActedOnByNoCommand) {
    platform::WindowSystem& windows = desktop->windows();
    const platform::WindowHandle child = desktop->child();
    const platform::WindowCheck check = desktop->check(child);
    desktop->destroy(child);
    EXPECT_FALSE(windows.show(child, check));
    EXPECT_FALSE(windows.hide(child, check));
    EXPECT_FALSE(windows.raise(child, check));
    EXPECT_TRUE(desktop->becomes(child, State::Gone));
}

}  // namespace
}  // namespace pelorus::testing
