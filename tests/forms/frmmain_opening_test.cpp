// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Opening a process from the task list, and what may happen while it runs. On Qt's offscreen
// platform.
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

class FrmMainOpening : public ::testing::Test {
protected:
    void SetUp() override {
        addThreeProcesses(platform);
        form = showLoadedForm(platform);
        list = form->eTaskList();
        list->setCurrentItem(list->topLevelItem(1));
        list->setFocus();
    }

    int openings() const { return static_cast<int>(platform.processes.startTimeQueries.size()); }
    int headRows() const {
        return static_cast<int>(form->TINF()->findItems("Exefile", Qt::MatchExactly).size());
    }

    FakePlatform platform;
    std::unique_ptr<frmMain> form;
    QTreeWidget* list = nullptr;
};

TEST_F(FrmMainOpening, EnterWithAnyModifierOpensTheSelectedRow) {
    pressAndRelease(list, Qt::Key_Return);
    ASSERT_EQ(openings(), 1);
    EXPECT_EQ(platform.processes.startTimeQueries.back(), 200);
    // Exefile, ProcessID, blank, two threads, blank.
    EXPECT_EQ(form->TINF()->topLevelItemCount(), 6);
    pressAndRelease(list, Qt::Key_Return, Qt::ShiftModifier);
    pressAndRelease(list, Qt::Key_Return, Qt::ControlModifier);
    pressAndRelease(list, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(openings(), 4);
    EXPECT_EQ(headRows(), 1);
}

TEST_F(FrmMainOpening, OtherKeysAndPressesAloneDoNotOpen) {
    pressAndRelease(list, Qt::Key_Space);
    pressAndRelease(list, Qt::Key_A);
    QTest::keyPress(list, Qt::Key_Return);
    EXPECT_EQ(openings(), 0);
    QTest::keyRelease(list, Qt::Key_Return);
    EXPECT_EQ(openings(), 1);
}

TEST_F(FrmMainOpening, AHeldEnterOpensOnce) {
    QTest::keyPress(list, Qt::Key_Return);
    for (int i = 0; i < 3; ++i) {
        // A held key repeats as release and press pairs marked as auto-repeated.
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r", true);
        QApplication::sendEvent(list, &release);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r", true);
        QApplication::sendEvent(list, &press);
    }
    QTest::keyRelease(list, Qt::Key_Return);
    EXPECT_EQ(openings(), 1);
}

TEST_F(FrmMainOpening, ADoubleClickAnywhereInTheListOpensTheSelectedRow) {
    QWindow* window = form->windowHandle();
    QWidget* viewport = list->viewport();
    // Blank space below the rows.
    const QPoint blank = viewport->mapTo(form.get(), QPoint(10, viewport->height() - 5));
    ASSERT_FALSE(list->indexAt(QPoint(10, viewport->height() - 5)).isValid());
    QTest::mouseDClick(window, Qt::LeftButton, {}, blank);
    ASSERT_EQ(openings(), 1);
    EXPECT_EQ(platform.processes.startTimeQueries.back(), 200);

    // On a row: the first click selects it, the double-click opens it.
    const QRect third = list->visualItemRect(list->topLevelItem(2));
    const QPoint onThird = viewport->mapTo(form.get(), third.center());
    QTest::mouseClick(window, Qt::LeftButton, {}, onThird);
    QTest::mouseDClick(window, Qt::LeftButton, {}, onThird);
    ASSERT_EQ(openings(), 2);
    EXPECT_EQ(platform.processes.startTimeQueries.back(), 300);
    const int afterRows = openings();

    // The header is not the list's area.
    const QPoint onHeader = list->header()->mapTo(form.get(), QPoint(10, 5));
    QTest::mouseDClick(window, Qt::LeftButton, {}, onHeader);
    EXPECT_EQ(openings(), afterRows);
}

TEST_F(FrmMainOpening, NothingSelectedOpensNothing) {
    list->clearSelection();
    pressAndRelease(list, Qt::Key_Return);
    EXPECT_EQ(openings(), 0);
    EXPECT_EQ(form->TINF()->topLevelItemCount(), 0);
}

TEST_F(FrmMainOpening, ASecondOpeningDuringAnOpeningIsIgnored) {
    platform.threads.beforeEntry = [&](std::size_t index) {
        if (index != 0)
            return;
        pressAndRelease(list, Qt::Key_Return);
        const QPoint blank(10, list->viewport()->height() - 5);
        QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {},
                           list->viewport()->mapTo(form.get(), blank));
    };
    pressAndRelease(list, Qt::Key_Return);
    EXPECT_EQ(openings(), 1);
    EXPECT_EQ(headRows(), 1);
    EXPECT_EQ(form->TINF()->topLevelItemCount(), 6);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(FrmMainOpening, AWindowCommandDuringAnOpeningActsOnTheTreeShownAndTheFormComesBack) {
    platform.windows.add(10, 1, 200, "ten");
    platform.windows.add(11, 1, 200, "eleven");
    pressAndRelease(list, Qt::Key_Return);
    QTreeWidget* tree = form->TFRM();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 2);
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));  // window 10, below 11
    list->setFocus();
    platform.windows.calls.clear();

    bool visibleAfterCommands = false;
    platform.threads.beforeEntry = [&](std::size_t index) {
        if (index != 0)
            return;
        form->eButton_Click(4);
        form->eButton_Click(8);
        visibleAfterCommands = form->isVisible();
    };
    pressAndRelease(list, Qt::Key_Return);

    // Until the walk ends the tree is the one the last opening built.
    using Call = FakeWindowSystem::Call;
    EXPECT_EQ(platform.windows.calls,
              (std::vector<Call>{{"show", 10}, {"hide", 11}, {"hide", 10}}));
    EXPECT_TRUE(visibleAfterCommands);
    EXPECT_EQ(headRows(), 1);
    EXPECT_EQ(form->TINF()->topLevelItemCount(), 6);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 2);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(form->focusWidget(), list);
    EXPECT_TRUE(waitUntil([&] { return form->isActiveWindow(); }));
}

// With a close request first, the suite both front-ends share (frontendsuite.h) has it.
TEST_F(FrmMainOpening, AboutDuringAnOpeningKeepsTheFormLockedUntilTheBoxCloses) {
    platform.threads.beforeEntry = [&](std::size_t index) {
        if (index == 0)
            form->eButton(2)->click();
    };
    pressAndRelease(list, Qt::Key_Return);

    EXPECT_EQ(headRows(), 1);
    EXPECT_EQ(form->TINF()->topLevelItemCount(), 6);
    EXPECT_EQ(form->TFRM()->topLevelItemCount(), 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isEnabled());
    ASSERT_FALSE(aboutClosed(*form));
    EXPECT_TRUE(form->aboutBox()->window()->isVisible());

    QTest::mouseClick(aboutButton(*form), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return aboutClosed(*form); }));
    EXPECT_TRUE(form->isEnabled());
    QTest::qWait(50);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->focusWidget(), list);
}

}  // namespace
}  // namespace pelorus::testing
