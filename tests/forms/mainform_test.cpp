// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The main window's controller against a view that records its orders: each handler, what
// it asks of the window, and where it leaves the keyboard.
#include "app/mainform.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakeplatform.h"

namespace pelorus::testing {
namespace {

using app::ControlId;
using Calls = std::vector<std::string>;

constexpr ControlId kTaskList{ControlId::eTaskList};
constexpr ControlId kTree{ControlId::TFRM};

constexpr ControlId button(int index) {
    return ControlId{ControlId::eButton, index};
}

/// A window as the toolkits keep one: locking or hiding it takes the keyboard from its
/// controls, and a control gets the keyboard only while the window is active. Posted
/// closes wait for runPosted(). Controls are named by their ControlId in `calls`.
class FakeMainView final : public app::MainFormView {
public:
    platform::ReportList& taskRows() override { return tasks; }
    platform::ReportList& detailRows() override { return details; }
    platform::WindowTree& windowNodes() override { return tree; }
    void loadForm(const app::MainTexts& loaded) override {
        texts = loaded;
        record("load");
    }
    app::TwipSize clientSize() const override { return size; }
    void placeControls(const app::ControlGeometry& placed) override { boxes = placed; }
    bool isEnabled() const override { return enabled; }
    void setEnabled(bool value) override {
        enabled = value;
        focused = value ? focused : std::nullopt;
        record(value ? "enable" : "disable");
    }
    bool isVisible() const override { return visible; }
    void setVisible(bool value) override {
        visible = active = value;
        focused = value ? focused : std::nullopt;
        record(value ? "show" : "hide");
    }
    void processEvents() override {
        record("events");
        if (onEvents)
            onEvents();
    }
    std::optional<ControlId> focusedControl() const override { return focused; }
    void giveKeyboard(ControlId control) override {
        record("keyboard " + std::to_string(control.kind) + "." + std::to_string(control.index));
        focused = active && enabled ? control : focused;
    }
    void showAboutBox(platform::Form& frmMain) override {
        aboutForm = &frmMain;
        active = false;  // the box takes the activation
        record("about");
    }
    void close() override {
        record("close");
        closed = closed || form->closeRequested();
    }
    void closeLater() override {
        record("close later");
        ++posted;
    }

    void record(std::string call) { calls.push_back(std::move(call)); }
    /// Hands the posted close requests to the form, as the event loop would.
    void runPosted() {
        for (; posted > 0; --posted)
            closed = closed || form->closeRequested();
    }
    /// The about box unloads and the window becomes active again.
    void closeAboutBox() {
        std::exchange(aboutForm, nullptr)->setEnabled(true);
        active = true;
        form->windowActivated();
    }

    app::MainForm* form = nullptr;
    FakeReportList tasks;
    FakeReportList details;
    FakeWindowTree tree;
    app::MainTexts texts;
    app::TwipSize size{app::DesignClientWidth, app::DesignClientHeight};
    app::ControlGeometry boxes;
    bool enabled = true;
    bool visible = true;
    bool active = true;
    bool closed = false;
    int posted = 0;
    std::optional<ControlId> focused;
    platform::Form* aboutForm = nullptr;
    Calls calls;
    std::function<void()> onEvents;
};

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        addThreeProcesses(platform);
        view.form = &form;
    }

    /// Loaded, the row of process 200 selected, nothing recorded yet.
    void load() {
        form.Form_Load();
        view.tasks.selected = {2};
        view.calls.clear();
    }

    FakePlatform platform;
    FakeMainView view;
    app::MainForm form{platform, view};
};

TEST_F(MainFormTest, LoadFillsTheTextsYieldsOnceThenFillsTheTaskList) {
    int snapshotsAtEvents = -1;
    view.onEvents = [&] { snapshotsAtEvents = platform.processes.log.taken; };
    form.Form_Resize();
    form.Form_Load();
    form.Form_Load();

    EXPECT_EQ(view.boxes, app::ControlGeometry{}) << "no layout before the load";
    EXPECT_EQ(view.texts.title, "Pelorus Viewer 2.50 [beta 1]");
    EXPECT_EQ(view.texts.eButton[8], "H&ide all");
    EXPECT_EQ(view.texts.detailColumns[1], "Filename / TdID");
    EXPECT_EQ(snapshotsAtEvents, 0);
    EXPECT_EQ(platform.processes.log.taken, 1) << "a second load does nothing";
    // The task list has the keyboard when the window first shows.
    EXPECT_EQ(view.calls, (Calls{"load", "events", "disable", "enable", "keyboard 0.0"}));

    view.size = {15000, 10000};
    form.Form_Resize();
    EXPECT_EQ(view.boxes.eButton[4].left, 7560);
    EXPECT_EQ(view.boxes.eButton[4].top, 9505);
    EXPECT_EQ(view.boxes.TFRM.height, 9130);
}

// Each handler from the control that has the keyboard: what it asks of the window, and
// which control has the keyboard afterwards (none while the about box is active).
TEST_F(MainFormTest, EachHandlerAndWhereItLeavesTheKeyboard) {
    using Handler = std::function<void(app::MainForm&)>;
    const auto click = [](int index) -> Handler {
        return [=](auto& f) { f.eButton_Click(index); };
    };
    const auto enter = [](int shift) -> Handler {
        return [=](auto& f) { f.eTaskList_KeyUp(app::kEnterKey, shift); };
    };
    const Calls opening{"events", "events"};  // one pass after each of the two threads
    const Calls hideAndShow{"hide", "show"};
    const struct {
        const char* name;
        ControlId from;
        Handler handler;
        Calls calls;
        std::optional<ControlId> keyboard;
    } cases[] = {
        // The row of process 200 stays selected until Refresh clears the list.
        {"Kill", button(0), click(0), {}, button(0)},
        {"Enter with Alt", kTaskList, enter(app::kAltBit), opening, kTaskList},
        {"Space", kTaskList, [](auto& f) { f.eTaskList_KeyUp(' ', 0); }, {}, kTaskList},
        {"a double-click", kTaskList, [](auto& f) { f.eTaskList_DblClick(); }, opening, kTaskList},
        {"Refresh", button(1), click(1), {"disable", "enable", "keyboard 3.1"}, button(1)},
        {"About", button(2), click(2), {"disable", "about"}, std::nullopt},
        {"Show", button(4), click(4), {"hide", "show", "keyboard 3.4"}, button(4)},
        {"Hide all", button(8), click(8), {"hide", "show", "keyboard 3.8"}, button(8)},
        {"the disabled Refresh", kTree, click(6), {}, kTree},
        {"an index past the buttons", kTree, click(9), {}, kTree},
        {"a negative index", kTree, click(-1), {}, kTree},
    };
    load();
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        view.focused = test.from;
        view.calls.clear();
        test.handler(form);
        EXPECT_EQ(view.calls, test.calls);
        EXPECT_EQ(view.focused, test.keyboard);
        if (view.aboutForm != nullptr) {
            EXPECT_FALSE(form.closeRequested()) << "a locked window refuses to close";
            view.closeAboutBox();
            EXPECT_EQ(view.focused, button(2)) << "back once the window is active again";
        }
    }
    EXPECT_EQ(platform.control.calls, (std::vector<FakeProcessControl::Call>{{200, 100}}));
    EXPECT_EQ(platform.processes.startTimeQueries.size(), 2U);
    EXPECT_EQ(view.posted, 0) << "the refused close was not kept";
}

TEST_F(MainFormTest, AnActivationGivesBackWhatTheWindowHadWhenItLastWasInUse) {
    load();
    view.focused = kTree;
    form.windowDeactivated();
    view.focused.reset();  // another window had the keyboard meanwhile
    EXPECT_TRUE(form.windowActivated());
    EXPECT_EQ(view.focused, kTree);

    // Leaving a hidden or locked window notes nothing: what it had before comes back.
    view.focused = button(5);
    form.setVisible(false);
    form.setEnabled(false);
    view.focused = kTaskList;
    form.windowDeactivated();
    EXPECT_FALSE(form.windowActivated()) << "locked: nothing given";
    form.setEnabled(true);
    form.setVisible(true);
    EXPECT_EQ(view.focused, button(5));
}

// Close requests in the middle of an opening, alone or with the about box: the window
// closes once nothing uses the lists any more and the user's input is back.
TEST_F(MainFormTest, ACloseDuringAnOpeningWaitsForItsEndAndForTheUnlock) {
    const struct {
        const char* name;
        std::function<void(app::MainForm&)> during;
        bool closedAfterOpening;
        bool closedAfterBox;
    } cases[] = {
        {"close box", [](auto& f) { EXPECT_FALSE(f.closeRequested()); }, true, true},
        {"Quit", [](auto& f) { f.eButton_Click(3); }, true, true},
        {"close box, then About",
         [](auto& f) {
             EXPECT_FALSE(f.closeRequested());
             f.eButton_Click(2);
         },
         false, true},
        // Refused while locked, this close is not carried out later.
        {"About, then the close box",
         [](auto& f) {
             f.eButton_Click(2);
             EXPECT_FALSE(f.closeRequested());
         },
         false, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        FakeMainView fresh;
        app::MainForm mainForm(platform, fresh);
        fresh.form = &mainForm;
        mainForm.Form_Load();
        fresh.tasks.selected = {2};
        bool once = true;
        fresh.onEvents = [&] {
            if (mainForm.isOpening() && std::exchange(once, false))
                test.during(mainForm);
        };
        mainForm.eTaskList_KeyUp(app::kEnterKey, 0);
        EXPECT_EQ(fresh.details.rowCount(), 6) << "the opening ran to its end";
        EXPECT_FALSE(fresh.closed);
        fresh.runPosted();
        EXPECT_EQ(fresh.closed, test.closedAfterOpening);
        if (fresh.aboutForm != nullptr)
            fresh.closeAboutBox();
        fresh.runPosted();
        EXPECT_EQ(fresh.closed, test.closedAfterBox);
    }
}

}  // namespace
}  // namespace pelorus::testing
