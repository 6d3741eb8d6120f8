// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The fake window system holds to the contract of the real ones.
#include <memory>

#include "tests/contract/windowsystemcontract.h"
#include "tests/fakes/fakeprocesses.h"
#include "tests/fakes/fakewindowsystem.h"

namespace pelorus::testing {
namespace {

constexpr platform::Pid kProgram = 7;
constexpr platform::Pid kEnded = 9;
constexpr platform::StartTime kStarted = 4000;

/// Top-levels 0x10, 0x20, 0x30 (on top) of the program; 0x10 holds 0x11 below 0x12.
class FakeDesktop final : public ContractDesktop {
public:
    FakeDesktop() {
        m_processes.add(kProgram, 8, "/usr/bin/program", kStarted);
        m_processes.add(kEnded, 8, "/usr/bin/ended", kStarted);
        m_process = m_processes.open(kProgram, kStarted);
        m_ended = m_processes.open(kEnded, kStarted);
        m_processes.startTimes.erase(kEnded);
        for (const platform::WindowHandle top : {0x10U, 0x20U, 0x30U})
            m_windows.add(top, m_windows.desktopHandle, kProgram);
        m_windows.add(0x11, 0x10, kProgram);
        m_windows.add(0x12, 0x10, kProgram);
    }

    platform::WindowSystem& windows() override { return m_windows; }
    std::vector<platform::WindowHandle> topLevels() override { return {0x10, 0x20, 0x30}; }
    platform::WindowHandle child() override { return 0x11; }
    platform::WindowHandle siblingAbove() override { return 0x12; }
    platform::WindowCheck check(platform::WindowHandle window) override {
        return {window, kProgram, m_process.get()};
    }
    platform::OpenedProcess& endedProcess() override { return *m_ended; }

    bool put(platform::WindowHandle window, State state) override {
        static constexpr FakeWindowSystem::State kStates[] = {
            FakeWindowSystem::State::Hidden, FakeWindowSystem::State::Hidden,
            FakeWindowSystem::State::Normal, FakeWindowSystem::State::Minimised,
            FakeWindowSystem::State::Maximised};
        m_windows.windows.at(window).state = kStates[static_cast<int>(state)];
        return state != State::Gone;
    }
    bool becomes(platform::WindowHandle window, State state) override {
        const auto found = m_windows.windows.find(window);
        if (found == m_windows.windows.end())
            return state == State::Gone;
        switch (found->second.state) {
            case FakeWindowSystem::State::Hidden:
                return state == State::Hidden;
            case FakeWindowSystem::State::Normal:
                return state == State::Normal;
            case FakeWindowSystem::State::Minimised:
                return state == State::Minimised;
            case FakeWindowSystem::State::Maximised:
                return state == State::Maximised;
        }
        return false;
    }
    bool becomesTopmost(platform::WindowHandle window) override {
        const platform::WindowHandle parent = m_windows.windows.at(window).parent;
        const auto& siblings = parent == m_windows.desktopHandle
                                   ? m_windows.topLevels
                                   : m_windows.windows.at(parent).children;
        return !siblings.empty() && siblings.front() == window;
    }
    void destroy(platform::WindowHandle window) override { m_windows.destroy(window); }

private:
    FakeWindowSystem m_windows;
    FakeProcessSource m_processes;
    std::unique_ptr<platform::OpenedProcess> m_process;
    std::unique_ptr<platform::OpenedProcess> m_ended;
};

INSTANTIATE_TEST_SUITE_P(Fake, WindowSystemContract,
                         ::testing::Values(ContractTarget{
                             "Fake", [] { return std::make_unique<FakeDesktop>(); }}),
                         contractName);

}  // namespace
}  // namespace pelorus::testing
