// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "about/aboutbox.h"
#include "app/frmmain.h"
#include "platform/platform.h"
#include "tests/fakes/fakeplatform.h"

namespace pelorus::testing {

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

/// Sends a key press and its release to `target`, as a keyboard does.
inline void pressAndRelease(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyPress(target, key, modifiers);
    QTest::keyRelease(target, key, modifiers);
}

/// The about box's window and its one button.
inline QPushButton* aboutButton(const app::frmMain& form) {
    QWidget* box = form.aboutBox() != nullptr ? form.aboutBox()->window() : nullptr;
    return box != nullptr ? box->findChild<QPushButton*>() : nullptr;
}

inline bool aboutClosed(const app::frmMain& form) {
    return form.aboutBox() == nullptr || form.aboutBox()->window() == nullptr;
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
