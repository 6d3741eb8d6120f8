// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/platform.h"
#include "tests/fakes/fakeprocesses.h"
#include "tests/fakes/fakewindowsystem.h"

namespace pelorus::testing {

/// A platform made of the in-memory stand-ins, for cases that need control over what
/// the system answers.
class FakePlatform final : public platform::Platform {
public:
    FakePlatform() {
        processes.threadSource = &threads;
        processes.moduleSource = &modules;
    }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    platform::ProcessSource& processSource() override { return processes; }
    platform::ProcessControl& processControl() override { return control; }
    platform::WindowSystem& windowSystem() override { return windows; }

    FakeProcessSource processes;
    FakeThreadSource threads;
    FakeModuleSource modules;
    FakeProcessControl control;
    FakeWindowSystem windows;
};

/// A fake system with three processes; process 200 has two threads.
inline void addThreeProcesses(FakePlatform& platform) {
    platform.processes.add(100, 8, "/usr/bin/alpha");
    platform.processes.add(200, 8, "/usr/lib/beta");
    platform.processes.add(300, 13, "/opt/gamma");
    platform.threads.entries = {{200, 200, 8}, {200, 201, 8}};
}

}  // namespace pelorus::testing
