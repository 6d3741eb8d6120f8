// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/mainlayout.h"
#include "details/taskdetails.h"
#include "platform/platform.h"
#include "platform/toolkit/toolkit.h"
#include "tasks/tasktables.h"

/// The main window's controller, shared by the Qt and the Win32 front-ends: everything
/// that decides lives here, the front-ends draw, lay out and pass events on.
namespace pelorus::app {

/// The key code of Enter in eTaskList_KeyUp, whichever Enter key was released.
inline constexpr int kEnterKey = 13;
/// The bits of eTaskList_KeyUp's Shift argument.
inline constexpr int kShiftBit = 1;
inline constexpr int kCtrlBit = 2;
inline constexpr int kAltBit = 4;

/// A control of the main window that can have the keyboard: a list, the tree, or the
/// button of eButton at `index`.
struct ControlId {
    enum Kind { eTaskList, TINF, TFRM, eButton };
    Kind kind = eTaskList;
    int index = 0;

    friend bool operator==(const ControlId&, const ControlId&) = default;
};

constexpr ControlId buttonControl(platform::ButtonIndex index) {
    return ControlId{ControlId::eButton, static_cast<int>(index)};
}

/// Every control of the main window that can have the keyboard.
constexpr std::array<ControlId, 3 + platform::ButtonCount> keyboardControls() {
    std::array<ControlId, 3 + platform::ButtonCount> controls{
        ControlId{ControlId::eTaskList}, ControlId{ControlId::TINF}, ControlId{ControlId::TFRM}};
    for (int i = 0; i < platform::ButtonCount; ++i)
        controls[static_cast<std::size_t>(3 + i)] = ControlId{ControlId::eButton, i};
    return controls;
}

/// The main window's texts from the string table, by control.
struct MainTexts {
    std::string title;
    std::array<std::string, 3> eLabel;
    std::array<std::string, platform::ButtonCount> eButton;
    std::array<std::string, 3> taskColumns;
    std::array<std::string, 3> detailColumns;
};

MainTexts mainTexts();

/// A client area's size in twips.
struct TwipSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

/// What the controller asks of a front-end's main window. A view carries orders out and
/// answers questions; it keeps no rule of when or which.
class MainFormView {
public:
    virtual ~MainFormView() = default;

    virtual platform::ReportList& taskRows() = 0;
    virtual platform::ReportList& detailRows() = 0;
    virtual platform::WindowTree& windowNodes() = 0;

    /// Sets the texts, the window's icon and the two images of the tree.
    virtual void loadForm(const MainTexts& texts) = 0;
    virtual TwipSize clientSize() const = 0;
    /// Places every control in its box and fits the captions to the new sizes.
    virtual void placeControls(const ControlGeometry& boxes) = 0;

    virtual bool isEnabled() const = 0;
    /// Only the input lock: the keyboard is given back by giveKeyboard.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isVisible() const = 0;
    /// Hides the window, or shows it where it stood and makes it the active window.
    virtual void setVisible(bool visible) = 0;
    virtual void processEvents() = 0;

    /// The control of this window that has the keyboard, if one has.
    virtual std::optional<ControlId> focusedControl() const = 0;
    /// Gives `control` the keyboard if the window is active, never activating it; a
    /// control that is disabled is passed over.
    virtual void giveKeyboard(ControlId control) = 0;

    /// Loads the about box if it is not loaded and shows it; unloaded, it gives the
    /// input back through `frmMain`.
    virtual void showAboutBox(platform::Form& frmMain) = 0;
    /// A close request as the close box makes it, now; it comes back as closeRequested.
    virtual void close() = 0;
    /// The same request once the event being handled has returned.
    virtual void closeLater() = 0;
};

/// The main form `frmMain` without its widgets: it owns the task tables and the opening,
/// maps the form's events to the commands, and decides where the keyboard goes. It is the
/// form the logic locks, hides and yields through. A close request while an opening runs
/// (it yields to events, see TaskDetails) is deferred to the opening's end; one while the
/// window is locked is refused, but a deferred one waits for the unlock.
class MainForm final : public platform::Form {
public:
    /// `platform` and `view` must outlive the form.
    MainForm(platform::Platform& platform, MainFormView& view);
    ~MainForm() override;
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    /// Texts, layout measures, one pass over the waiting events, then the task list.
    /// Once, before the first show; a second call does nothing.
    void Form_Load();
    /// Lays the controls out for the client size; nothing before Form_Load.
    void Form_Resize();
    /// 0 Kill, 1 Refresh, 2 About, 3 Quit, 4 Show, 5 Hide, 7 Show all, 8 Hide all; 6 and
    /// any other index do nothing.
    void eButton_Click(int Index);
    void eTaskList_DblClick();
    /// Enter (kEnterKey) opens the selected row, whatever Shift holds.
    void eTaskList_KeyUp(int KeyCode, int Shift);
    /// Opens the selected row.
    void ShowTaskDetails();

    /// The window's close box, Quit or the system asks to close: whether it closes now.
    bool closeRequested();
    /// The window became active, or its frame took the keyboard: the control that had the
    /// keyboard gets it back. False, doing nothing, while the window is locked.
    bool windowActivated();
    /// The window stopped being active: notes the control that had the keyboard.
    void windowDeactivated();

    /// The lock (false: no input; true: input and the keyboard back), the visibility (shown
    /// again: active, keyboard back), one pass over the waiting events.
    void setEnabled(bool enabled) override;
    void setVisible(bool visible) override;
    void processEvents() override;

    const tasks::TaskTables& taskTables() const { return *m_tables; }
    const LayoutMeasures& measures() const { return m_measures; }
    /// Where the last layout put the controls; the rounded design before the first.
    const ControlGeometry& controlGeometry() const { return m_boxes; }
    bool isOpening() const { return m_details.isRunning(); }
    bool isLoaded() const { return m_loaded; }
    /// The control that gets the keyboard when the window next takes it back.
    ControlId keyboardControl() const { return m_keyboard; }

private:
    void RefreshTaskList();
    void rememberKeyboard();
    void giveKeyboardBack();
    void closeIfDeferred();

    platform::Platform& m_platform;
    MainFormView& m_view;
    std::unique_ptr<tasks::TaskTables> m_tables;
    details::TaskDetails m_details;
    ControlGeometry m_boxes;
    LayoutMeasures m_measures;
    /// The first control of the keyboard order has the keyboard when the window first shows.
    ControlId m_keyboard{ControlId::eTaskList};
    bool m_loaded = false;
    bool m_closeDeferred = false;
    bool m_closePosted = false;
};

}  // namespace pelorus::app
