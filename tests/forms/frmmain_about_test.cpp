// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// About: the main window locked while the box is open, and given back by every way of closing it.
// On Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QWindow>

#include "about/aboutbox.h"
#include "resources/formatting.h"
#include "resources/pictures.h"
#include "tests/forms/formtesting.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {
namespace {

using app::frmMain;

// The lock and the refused close, twice: the suite both front-ends share (frontendsuite.h).
TEST(FrmMainAbout, EveryWayOfClosingTheBoxGivesTheInputBackWithoutActivation) {
    FakePlatform platform;
    addThreeProcesses(platform);
    auto form = showLoadedForm(platform);
    int activations = 0;
    struct Counter : QObject {
        int& count;
        explicit Counter(int& c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::WindowActivate)
                ++count;
            return false;
        }
    } counter(activations);
    form->installEventFilter(&counter);

    const std::vector<std::pair<const char*, std::function<void(QWidget&)>>> routes{
        {"button", [](QWidget& box) { box.findChild<QPushButton*>()->click(); }},
        {"Enter", [](QWidget& box) { QTest::keyClick(&box, Qt::Key_Return); }},
        {"Esc", [](QWidget& box) { QTest::keyClick(&box, Qt::Key_Escape); }},
        {"Alt+C",
         [](QWidget& box) { QTest::keyClick(box.windowHandle(), Qt::Key_C, Qt::AltModifier); }},
        {"close", [](QWidget& box) { box.close(); }},
    };
    for (const auto& [name, closeBox] : routes) {
        SCOPED_TRACE(name);
        form->eButton(2)->click();
        QWidget* box = form->aboutBox()->window();
        ASSERT_NE(box, nullptr);
        // Not a Qt child of the main window, which would disable it along with it.
        EXPECT_TRUE(box->isWindow());
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_TRUE(box->isEnabled());
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        EXPECT_FALSE(form->isEnabled());
        activations = 0;

        closeBox(*box);
        ASSERT_TRUE(waitUntil([&] { return aboutClosed(*form); }));
        QTest::qWait(50);
        EXPECT_TRUE(form->isEnabled());
        EXPECT_EQ(activations, 0);
        // The focus is back where it was, ready for when the window is active again.
        EXPECT_EQ(form->focusWidget(), form->eTaskList());
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
}

}  // namespace
}  // namespace pelorus::testing
