// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QApplication>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/frmmain.h"
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

/// Handles events until `condition` holds or five seconds have passed.
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    return QTest::qWaitFor(condition, milliseconds);
}

/// A main form loaded and shown as the program does it, and active.
inline std::unique_ptr<app::frmMain> showLoadedForm(platform::Platform& platform) {
    auto form = std::make_unique<app::frmMain>(platform);
    form->Form_Load();
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        std::fprintf(stderr, "form not exposed\n");
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        std::fprintf(stderr, "form not active\n");
    return form;
}

/// The task-list row (0-based) whose process identifier column reads `pidText`; -1 when
/// there is none.
inline int rowOf(const QTreeWidget& list, const std::string& pidText) {
    for (int row = 0; row < list.topLevelItemCount(); ++row) {
        if (list.topLevelItem(row)->text(1).toStdString() == pidText)
            return row;
    }
    return -1;
}

}  // namespace pelorus::testing
