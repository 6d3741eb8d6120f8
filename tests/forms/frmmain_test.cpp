// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The main window on Qt's offscreen platform: what it shows after loading, its keyboard
// handling, its layout and its commands.
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

/// A fake system with three processes; process 200 has two threads.
void addThreeProcesses(FakePlatform& platform) {
    platform.processes.add(100, 8, "/usr/bin/alpha");
    platform.processes.add(200, 8, "/usr/lib/beta");
    platform.processes.add(300, 13, "/opt/gamma");
    platform.threads.entries = {{200, 200, 8}, {200, 201, 8}};
}

QImage iconImage(const QIcon& icon) {
    return icon.pixmap(32, 32).toImage();
}

TEST(FrmMainLoad, TitleIconCaptionsAndHeaders) {
    FakePlatform platform;
    frmMain form(platform);
    form.Form_Load();

    EXPECT_EQ(form.windowTitle().toStdString(), "Pelorus Viewer 2.50 [beta 1]");
    EXPECT_EQ(iconImage(form.windowIcon()),
              iconImage(resources::LoadIconResource(resources::IconId::MainWindow)));
    EXPECT_NE(iconImage(form.windowIcon()),
              iconImage(resources::LoadIconResource(resources::IconId::Program)));
    // The icon is this window's alone: the about box shows none.
    EXPECT_TRUE(QApplication::windowIcon().isNull());

    const char* labels[] = {"Tasks (currently running)", "Information",
                            "Windows (& windowlike controls)"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(form.eLabel(i)->text().toStdString(), labels[i]);
        EXPECT_TRUE(form.eLabel(i)->font().bold());
        EXPECT_EQ(form.eLabel(i)->alignment(), Qt::AlignCenter);
        EXPECT_EQ(form.eLabel(i)->focusPolicy(), Qt::NoFocus);
    }
    const char* captions[] = {"&Kill", "&Refresh", "&About",    "&Quit",    "&Show",
                              "&Hide", "&Refresh", "S&how all", "H&ide all"};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(form.eButton(i)->text().toStdString(), captions[i]);

    const char* taskHeaders[] = {"Task (filename)", "ProcID", "Location"};
    const char* detailHeaders[] = {"Property", "Filename / TdID", "Location / Priority"};
    ASSERT_EQ(form.eTaskList()->columnCount(), 3);
    ASSERT_EQ(form.TINF()->columnCount(), 3);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(form.eTaskList()->headerItem()->text(c).toStdString(), taskHeaders[c]);
        EXPECT_EQ(form.TINF()->headerItem()->text(c).toStdString(), detailHeaders[c]);
    }
}

TEST(FrmMainLoad, TheAmpersandOfTheTreeHeaderIsDrawnAsACharacter) {
    FakePlatform platform;
    frmMain form(platform);
    form.Form_Load();
    // Drawn as a mnemonic, "&" would vanish and the text would be narrower.
    QLabel& label = *form.eLabel(2);
    const int plain = label.fontMetrics().horizontalAdvance(label.text());
    EXPECT_GE(label.sizeHint().width(), plain);
}

TEST(FrmMainLoad, ListsKeepTheirDesignColumnWidthsUntilFilled) {
    FakePlatform platform;  // no process: the refresh fits nothing
    frmMain form(platform);
    form.Form_Load();
    form.resize(1200, 800);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const int taskWidths[] = {96, 96, 96};
    const int detailWidths[] = {96, 96, 1440};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(form.eTaskList()->columnWidth(c), taskWidths[c]) << c;
        EXPECT_EQ(form.TINF()->columnWidth(c), detailWidths[c]) << c;
    }
    EXPECT_EQ(form.TINF()->topLevelItemCount(), 0);
    EXPECT_EQ(form.TFRM()->topLevelItemCount(), 0);
}

TEST(FrmMainLoad, ImageListHoldsTwoSixteenPixelImages) {
    FakePlatform platform;
    frmMain form(platform);
    EXPECT_TRUE(form.eImgList().empty());
    form.Form_Load();
    ASSERT_EQ(form.eImgList().size(), 2U);
    for (const QIcon& image : form.eImgList()) {
        EXPECT_EQ(image.availableSizes(), QList<QSize>{QSize(16, 16)});
    }
    EXPECT_NE(form.eImgList()[0].pixmap(16, 16).toImage(),
              form.eImgList()[1].pixmap(16, 16).toImage());
    EXPECT_EQ(form.measures(), (app::LayoutMeasures{120, 120, 255, 375}));
}

TEST(FrmMainLoad, EventsWaitingAtLoadAreHandledBeforeTheTaskListFills) {
    FakePlatform platform;
    addThreeProcesses(platform);
    frmMain form(platform);
    int snapshotsWhenHandled = -1;
    QMetaObject::invokeMethod(
        &form, [&] { snapshotsWhenHandled = platform.processes.log.taken; }, Qt::QueuedConnection);
    form.Form_Load();
    EXPECT_EQ(snapshotsWhenHandled, 0);
    EXPECT_EQ(platform.processes.log.taken, 1);
    EXPECT_EQ(form.eTaskList()->topLevelItemCount(), 3);
}

TEST(FrmMainLoad, TheTaskListShowsRealProcessesBeforeTheFirstShow) {
    ChildProcess child = ChildProcess::start({"sleep", "1000"});
    ASSERT_GT(child.pid(), 0);
    const auto platform = platform::makeNativePlatform();
    frmMain form(*platform);
    form.Form_Load();
    ASSERT_FALSE(form.isVisible());
    const int row = rowOf(*form.eTaskList(), resources::HexHandle(child.pid()));
    ASSERT_GE(row, 0);
    const QTreeWidgetItem* item = form.eTaskList()->topLevelItem(row);
    EXPECT_EQ(item->text(0).toStdString(), "sleep");
    EXPECT_EQ(form.taskTables().TaskPid[static_cast<size_t>(row)], child.pid());
    EXPECT_EQ(form.TINF()->topLevelItemCount(), 0);
    EXPECT_EQ(form.TFRM()->topLevelItemCount(), 0);
    // Filled, the columns were fitted to their contents.
    EXPECT_NE(form.eTaskList()->columnWidth(2), 96);
}

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

TEST(FrmMainCommands, TheDisabledButtonAndUnknownIndicesDoNothing) {
    FakePlatform platform;
    addThreeProcesses(platform);
    auto form = showLoadedForm(platform);
    form->eTaskList()->topLevelItem(0)->setSelected(true);
    EXPECT_FALSE(form->eButton(6)->isEnabled());
    EXPECT_EQ(form->eButton(6)->focusPolicy(), Qt::NoFocus);

    QTest::mouseClick(form->eButton(6), Qt::LeftButton);
    for (int index : {6, -1, 9, 32767, -32768})
        form->eButton_Click(index);

    EXPECT_EQ(platform.processes.log.taken, 1);
    EXPECT_TRUE(platform.control.calls.empty());
    EXPECT_TRUE(platform.windows.calls.empty());
    EXPECT_EQ(form->aboutBox(), nullptr);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->eTaskList()->topLevelItemCount(), 3);
}

TEST(FrmMainCommands, KillEndsEverySelectedRealProcessAndTheRowsStayUntilRefresh) {
    std::vector<ChildProcess> children;
    for (int i = 0; i < 3; ++i) {
        children.push_back(ChildProcess::start({"sleep", "1000"}));
        ASSERT_GT(children.back().pid(), 0);
    }
    ChildProcess bystander = ChildProcess::start({"sleep", "1000"});
    const auto platform = platform::makeNativePlatform();
    auto form = showLoadedForm(*platform);
    for (const ChildProcess& child : children) {
        const int row = rowOf(*form->eTaskList(), resources::HexHandle(child.pid()));
        ASSERT_GE(row, 0);
        form->eTaskList()->topLevelItem(row)->setSelected(true);
    }
    const int rows = form->eTaskList()->topLevelItemCount();

    form->eButton(0)->click();
    for (ChildProcess& child : children)
        EXPECT_TRUE(child.waitForEnd(10000));
    EXPECT_FALSE(bystander.reapIfEnded());
    EXPECT_EQ(form->eTaskList()->topLevelItemCount(), rows);
    for (const ChildProcess& child : children) {
        EXPECT_GE(rowOf(*form->eTaskList(), resources::HexHandle(child.pid())), 0);
    }

    form->eButton(1)->click();
    for (const ChildProcess& child : children) {
        EXPECT_EQ(rowOf(*form->eTaskList(), resources::HexHandle(child.pid())), -1);
    }
    EXPECT_GE(rowOf(*form->eTaskList(), resources::HexHandle(bystander.pid())), 0);
}

TEST(FrmMainCommands, KillWithAnEmptyListDoesNothing) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    ASSERT_EQ(form->taskTables().TaskCount, 0);
    form->eButton(0)->click();
    EXPECT_TRUE(platform.control.calls.empty());
    EXPECT_TRUE(form->isEnabled());
}

TEST(FrmMainCommands, QuitClosesTheMainWindow) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    form->eButton(3)->click();
    EXPECT_FALSE(form->isVisible());
}

/// The about box's window and its one button.
QPushButton* aboutButton(const frmMain& form) {
    QWidget* box = form.aboutBox() != nullptr ? form.aboutBox()->window() : nullptr;
    return box != nullptr ? box->findChild<QPushButton*>() : nullptr;
}

bool aboutClosed(const frmMain& form) {
    return form.aboutBox() == nullptr || form.aboutBox()->window() == nullptr;
}

TEST(FrmMainAbout, AboutTwiceLoadsTheBoxAfreshAndUnlocksInBetween) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    for (int round = 0; round < 2; ++round) {
        form->eButton(2)->click();
        ASSERT_NE(form->aboutBox(), nullptr);
        QWidget* box = form->aboutBox()->window();
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->isVisible());
        EXPECT_TRUE(box->isWindow());
        // Not a Qt child of the main window, which would disable it along with it.
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_TRUE(box->isEnabled());
        EXPECT_FALSE(form->isEnabled());
        // A locked main window refuses to close.
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->isVisible());

        QPushButton* close = aboutButton(*form);
        ASSERT_NE(close, nullptr);
        QTest::mouseClick(close, Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return aboutClosed(*form); }));
        EXPECT_TRUE(form->isEnabled());
    }
    EXPECT_TRUE(form->close());
}

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

/// Sends a key press and its release to `target`, as a keyboard does.
void pressAndRelease(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyPress(target, key, modifiers);
    QTest::keyRelease(target, key, modifiers);
}

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

TEST_F(FrmMainOpening, ACloseOrQuitDuringAnOpeningIsCarriedOutAfterIt) {
    const std::vector<std::pair<const char*, std::function<void()>>> requests{
        {"close", [this] { EXPECT_FALSE(form->close()); }},
        {"Quit", [this] { form->eButton(3)->click(); }},
    };
    for (const auto& [name, request] : requests) {
        SCOPED_TRACE(name);
        form->show();
        bool visibleAfterRequest = false;
        int threadsRead = 0;
        platform.threads.beforeEntry = [&](std::size_t index) {
            ++threadsRead;
            if (index != 1)
                return;
            request();
            visibleAfterRequest = form->isVisible();
        };
        pressAndRelease(list, Qt::Key_Return);
        EXPECT_TRUE(visibleAfterRequest);
        EXPECT_EQ(threadsRead, 2);
        // The opening ran to its end: both threads and the window tree's root.
        EXPECT_EQ(form->TINF()->topLevelItemCount(), 6);
        EXPECT_EQ(form->TFRM()->topLevelItemCount(), 1);
        EXPECT_FALSE(form->isVisible());
    }
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
    EXPECT_EQ(platform.windows.calls, (std::vector<Call>{{"place", 10, platform::SW_SHOW},
                                                         {"raise", 10, 0},
                                                         {"place", 11, platform::SW_HIDE},
                                                         {"place", 10, platform::SW_HIDE}}));
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

TEST_F(FrmMainOpening, AboutDuringAnOpeningKeepsTheFormLockedUntilTheBoxCloses) {
    // Alone, and after a close request that the opening deferred: that close then waits
    // for the box to give the input back.
    for (const bool closeFirst : {false, true}) {
        SCOPED_TRACE(closeFirst ? "close, then About" : "About");
        platform.threads.beforeEntry = [&](std::size_t index) {
            if (index != 0)
                return;
            if (closeFirst) {
                EXPECT_FALSE(form->close());
            }
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
        if (closeFirst) {
            EXPECT_TRUE(waitUntil([&] { return !form->isVisible(); }));
        } else {
            QTest::qWait(50);
            EXPECT_TRUE(form->isVisible());
            EXPECT_EQ(form->focusWidget(), list);
        }
    }
}

TEST(FrmMainLayout, ControlsAtTheDesignClientSizeInPixels) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    ASSERT_EQ(form->size(), QSize(599, 423));
    EXPECT_EQ(form->eLabel(0)->geometry(), QRect(8, 8, 287, 17));
    EXPECT_EQ(form->eTaskList()->geometry(), QRect(8, 24, 287, 157));
    EXPECT_EQ(form->eButton(0)->geometry(), QRect(8, 182, 72, 25));
    EXPECT_EQ(form->eButton(1)->geometry(), QRect(80, 182, 72, 25));
    EXPECT_EQ(form->eButton(2)->geometry(), QRect(152, 182, 72, 25));
    EXPECT_EQ(form->eButton(3)->geometry(), QRect(224, 182, 71, 25));
    EXPECT_EQ(form->eLabel(1)->geometry(), QRect(8, 215, 287, 17));
    EXPECT_EQ(form->TINF()->geometry(), QRect(8, 232, 287, 183));
    EXPECT_EQ(form->eLabel(2)->geometry(), QRect(303, 8, 288, 17));
    EXPECT_EQ(form->TFRM()->geometry(), QRect(303, 24, 288, 365));
    EXPECT_EQ(form->eButton(4)->geometry(), QRect(303, 390, 58, 25));
    EXPECT_EQ(form->eButton(5)->geometry(), QRect(361, 390, 57, 25));
    EXPECT_EQ(form->eButton(6)->geometry(), QRect(418, 390, 58, 25));
    EXPECT_EQ(form->eButton(7)->geometry(), QRect(476, 390, 57, 25));
    EXPECT_EQ(form->eButton(8)->geometry(), QRect(533, 390, 58, 25));
}

/// Where the layout puts every control for a client area of `size` pixels.
std::vector<QRect> expectedAt(QSize size) {
    app::ControlGeometry boxes = app::RoundDesign(app::MainDesign());
    app::LayoutMainWindow(boxes, {120, 120, 255, 375}, size.width() * 15, size.height() * 15);
    std::vector<QRect> rects;
    const auto add = [&](const app::TwipRect& box) {
        const app::PixelRect p = app::ToPixels(box);
        rects.emplace_back(p.x, p.y, p.width, p.height);
    };
    for (const auto& box : boxes.eLabel)
        add(box);
    add(boxes.eTaskList);
    add(boxes.TINF);
    add(boxes.TFRM);
    for (const auto& box : boxes.eButton)
        add(box);
    return rects;
}

std::vector<QRect> actual(const frmMain& form) {
    std::vector<QRect> rects;
    for (int i = 0; i < 3; ++i)
        rects.push_back(form.eLabel(i)->geometry());
    rects.push_back(form.eTaskList()->geometry());
    rects.push_back(form.TINF()->geometry());
    rects.push_back(form.TFRM()->geometry());
    for (int i = 0; i < 9; ++i)
        rects.push_back(form.eButton(i)->geometry());
    return rects;
}

TEST(FrmMainLayout, EveryChangeOfSizeLaysTheWindowOutAfresh) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    // 300 x 300 twips, a larger window, then back to a middle size after the small one.
    for (QSize size : {QSize(20, 20), QSize(1000, 667), QSize(3, 2), QSize(800, 500)}) {
        form->resize(size);
        ASSERT_TRUE(waitUntil([&] { return form->size() == size; })) << size.width();
        EXPECT_EQ(actual(*form), expectedAt(size)) << size.width() << "x" << size.height();
    }
    form->resize(20, 20);
    ASSERT_TRUE(waitUntil([&] { return form->size() == QSize(20, 20); }));
    EXPECT_EQ(form->eButton(4)->y(), -13);
    EXPECT_EQ(form->eButton(4)->width(), 0);
    EXPECT_EQ(form->TFRM()->x(), 16);
}

}  // namespace
}  // namespace pelorus::testing
