// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/windowsystem.h"

namespace pelorus::testing {

/// A window system under the window seam's contract, with one program's windows on it,
/// and a view of those windows of its own: what the suite reads never goes through the
/// window system under test.
class ContractDesktop {
public:
    enum class State { Gone, Hidden, Normal, Minimised, Maximised };

    virtual ~ContractDesktop() = default;

    virtual platform::WindowSystem& windows() = 0;
    /// The program's three shown top-levels, the last one on top.
    virtual std::vector<platform::WindowHandle> topLevels() = 0;
    /// A shown child window of the first top-level, right below a sibling (siblingAbove).
    virtual platform::WindowHandle child() = 0;
    virtual platform::WindowHandle siblingAbove() = 0;
    /// The check a command makes for `window`: its creator and the program's process.
    virtual platform::WindowCheck check(platform::WindowHandle window) = 0;
    /// A process that was opened as the program's was and has ended since.
    virtual platform::OpenedProcess& endedProcess() = 0;

    /// Puts a top-level into `state` as its program or its user would, and waits until it
    /// is so; false where this desktop has no such state (minimised or maximised without a
    /// window manager).
    virtual bool put(platform::WindowHandle window, State state) = 0;
    /// Whether `window` is in `state`, or comes to be within a few seconds (the desktop
    /// may carry a command out after the call has returned).
    virtual bool becomes(platform::WindowHandle window, State state) = 0;
    /// Whether `window` is, or comes to be, the topmost of its siblings among the
    /// program's windows.
    virtual bool becomesTopmost(platform::WindowHandle window) = 0;
    /// Destroys one of the program's windows, and waits until it has gone.
    virtual void destroy(platform::WindowHandle window) = 0;
};

/// One kind of desktop the suite runs on.
struct ContractTarget {
    std::string name;
    std::function<std::unique_ptr<ContractDesktop>()> make;
};

/// The suite (windowsystemcontract.cpp), instantiated once for each window system:
/// INSTANTIATE_TEST_SUITE_P(Name, WindowSystemContract, ::testing::Values(targets...),
/// contractName).
class WindowSystemContract : public ::testing::TestWithParam<ContractTarget> {
protected:
    void SetUp() override;

    std::unique_ptr<ContractDesktop> desktop;
};

std::string contractName(const ::testing::TestParamInfo<ContractTarget>& info);
/// Names the target in gtest's messages.
void PrintTo(const ContractTarget& target, std::ostream* out);

}  // namespace pelorus::testing
