// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The main window's keyboard order and access keys. On Qt's offscreen platform.
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

TEST(FrmMainKeyboard, FocusStartsInTheTaskListAndTabFollowsTheDesignOrder) {
    FakePlatform platform;
    addThreeProcesses(platform);
    auto form = showLoadedForm(platform);
    ASSERT_EQ(QApplication::focusWidget(), form->eTaskList());

    const std::vector<QWidget*> expected{form->eButton(0), form->eButton(1), form->eButton(2),
                                         form->eButton(3), form->TFRM(),     form->eButton(7),
                                         form->eButton(5), form->eButton(4), form->TINF(),
                                         form->eButton(8), form->eTaskList()};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    // Backwards through the same ring.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), form->eButton(8));
}

TEST(FrmMainKeyboard, AltRRefreshesTheTaskListAndTheFocusStaysInIt) {
    FakePlatform platform;
    addThreeProcesses(platform);
    auto form = showLoadedForm(platform);
    QSignalSpy refresh(form->eButton(1), &QPushButton::clicked);
    QSignalSpy windowRefresh(form->eButton(6), &QPushButton::clicked);
    platform.processes.add(400, 8, "/usr/bin/delta");

    QTest::keyClick(form.get(), Qt::Key_R, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return refresh.count() == 1; }));
    EXPECT_EQ(windowRefresh.count(), 0);
    EXPECT_EQ(platform.processes.log.taken, 2);
    EXPECT_EQ(form->eTaskList()->topLevelItemCount(), 4);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), form->eTaskList());
}

TEST(FrmMainKeyboard, ReturnOrEnterPressesTheFocusedButton) {
    FakePlatform platform;
    addThreeProcesses(platform);
    // Every button but the disabled one, Quit last: it closes the window.
    for (const int index : {0, 1, 4, 5, 7, 8, 2, 3}) {
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            auto form = showLoadedForm(platform);
            QSignalSpy clicked(form->eButton(index), &QPushButton::clicked);
            form->eButton(index)->setFocus(Qt::TabFocusReason);
            ASSERT_EQ(QApplication::focusWidget(), form->eButton(index));
            pressAndRelease(QApplication::focusWidget(), key);
            EXPECT_EQ(clicked.count(), 1) << "button " << index << ", key " << key;
            // A held key repeats its presses: the button is pressed once.
            QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
            if (QWidget* focus = QApplication::focusWidget(); focus == form->eButton(index))
                QApplication::sendEvent(focus, &repeat);
            EXPECT_EQ(clicked.count(), 1) << "button " << index << ", key " << key;
            if (form->aboutBox() != nullptr && form->aboutBox()->window() != nullptr)
                aboutButton(*form)->click();
        }
    }
}

TEST(FrmMainKeyboard, ReturnInTheTaskListStillOpensTheRow) {
    FakePlatform platform;
    addThreeProcesses(platform);
    auto form = showLoadedForm(platform);
    QSignalSpy kill(form->eButton(0), &QPushButton::clicked);
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(1));
    pressAndRelease(form->eTaskList(), Qt::Key_Return);
    EXPECT_EQ(form->TINF()->topLevelItemCount(), 6) << "four rows and two threads";
    EXPECT_EQ(kill.count(), 0);
}

TEST(FrmMainKeyboard, AltHMovesTheFocusBetweenTheTwoHButtonsPressingNeither) {
    FakePlatform platform;
    addThreeProcesses(platform);
    auto form = showLoadedForm(platform);
    QSignalSpy hide(form->eButton(5), &QPushButton::clicked);
    QSignalSpy showAll(form->eButton(7), &QPushButton::clicked);

    QTest::keyClick(form.get(), Qt::Key_H, Qt::AltModifier);
    QWidget* first = QApplication::focusWidget();
    EXPECT_TRUE(first == form->eButton(5) || first == form->eButton(7));
    QTest::keyClick(form.get(), Qt::Key_H, Qt::AltModifier);
    QWidget* second = QApplication::focusWidget();
    EXPECT_TRUE(second == form->eButton(5) || second == form->eButton(7));
    EXPECT_NE(first, second);
    // Give a press its time to come; none does.
    QTest::qWait(300);
    EXPECT_EQ(hide.count(), 0);
    EXPECT_EQ(showAll.count(), 0);
    EXPECT_TRUE(platform.windows.calls.empty());
}

}  // namespace
}  // namespace pelorus::testing
