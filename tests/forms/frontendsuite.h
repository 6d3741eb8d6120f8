// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>

#include "app/mainform.h"
#include "tests/fakes/fakeplatform.h"

/// What the main window does wherever MainForm decides, run against each front-end's
/// frmMain: the Qt one (tests/forms) and the Win32 one (tests/win32). A front-end
/// instantiates the suite with a driver that loads and shows its window over a
/// FakePlatform and acts on it as the user does:
///   Driver(FakePlatform&); void click(ButtonIndex) (the button takes the keyboard);
///   void selectTaskRow(int row) (1-based); void releaseEnterInTaskList();
///   void requestClose() (as the close box); void closeAboutBox(); bool aboutOpen();
///   bool locked(); bool shown(); bool waitClosed() (handling events meanwhile);
///   bool activate() (false where the desktop does not activate the window);
///   std::optional<app::ControlId> keyboard(); int detailRows().
namespace pelorus::testing {

template <class Driver>
class FrontEndSuite : public ::testing::Test {
protected:
    FrontEndSuite() { addThreeProcesses(platform); }

    Driver& start() { return form.emplace(platform); }

    FakePlatform platform;
    std::optional<Driver> form;
};

TYPED_TEST_SUITE_P(FrontEndSuite);

// The button used keeps the keyboard through the lock of the about box (which refuses a
// close meanwhile) and through the hiding of a window command.
TYPED_TEST_P(FrontEndSuite, TheButtonUsedKeepsTheKeyboardThroughTheBoxAndACommand) {
    using platform::ButtonIndex;
    auto& form = this->start();
    const bool activates = form.activate();
    for (const ButtonIndex button :
         {ButtonIndex::About, ButtonIndex::HideAll, ButtonIndex::About}) {
        SCOPED_TRACE(static_cast<int>(button));
        form.click(button);
        if (button == ButtonIndex::About) {
            ASSERT_TRUE(form.aboutOpen());
            EXPECT_TRUE(form.locked());
            form.requestClose();
            EXPECT_TRUE(form.shown());
            form.closeAboutBox();
            EXPECT_FALSE(form.aboutOpen());
            EXPECT_FALSE(form.locked());
        }
        if (activates) {
            ASSERT_TRUE(form.activate());
            EXPECT_EQ(form.keyboard(), app::buttonControl(button));
        }
    }
    form.requestClose();
    EXPECT_TRUE(form.waitClosed());
}

// A close asked for while an opening reads the lists waits for its end; one that an about
// box opened meanwhile holds up waits for the box as well.
TYPED_TEST_P(FrontEndSuite, ACloseDuringAnOpeningIsCarriedOutAfterItAndAfterTheBox) {
    for (const bool withAbout : {false, true}) {
        SCOPED_TRACE(withAbout ? "Quit, then About" : "Quit");
        auto& form = this->start();
        bool shownDuring = false;
        this->platform.threads.beforeEntry = [&](std::size_t index) {
            if (index != 1)
                return;
            form.click(platform::ButtonIndex::Quit);
            if (withAbout)
                form.click(platform::ButtonIndex::About);
            shownDuring = form.shown();
        };
        form.selectTaskRow(2);
        form.releaseEnterInTaskList();
        this->platform.threads.beforeEntry = nullptr;

        EXPECT_TRUE(shownDuring);
        EXPECT_EQ(form.detailRows(), 6) << "the opening ran to its end";
        if (withAbout) {
            EXPECT_TRUE(form.shown());
            EXPECT_TRUE(form.locked());
            ASSERT_TRUE(form.aboutOpen());
            form.closeAboutBox();
        }
        EXPECT_TRUE(form.waitClosed());
    }
}

REGISTER_TYPED_TEST_SUITE_P(FrontEndSuite, TheButtonUsedKeepsTheKeyboardThroughTheBoxAndACommand,
                            ACloseDuringAnOpeningIsCarriedOutAfterItAndAfterTheBox);

}  // namespace pelorus::testing
