// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <array>
#include <memory>

#include "app/mainlayout.h"
#include "details/taskdetails.h"
#include "platform/platform.h"
#include "resources/strings.h"
#include "tasks/tasktables.h"

// After the seam's types: windows.h names macros that would clash with them.
#include "app/win32/win32controls.h"

namespace pelorus::about::win32 {
class FORM_Info;
}

namespace pelorus::app::win32 {

/// The main window in Win32 and comctl32: the task list with its four commands, the
/// detail list, the window tree with its five commands, every control at its design
/// geometry in twips at the system's DPI, laid out afresh on every change of size. It
/// drives the same logic as the Qt form through the same seam.
class frmMain final : public platform::Form {
public:
    /// Builds the window hidden, its controls in their design state.
    explicit frmMain(platform::Platform& platform);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    /// Title, icon, captions, column headers, the layout measures, the two images, one
    /// pass over the waiting messages, then the task list. Once, before the first show.
    void Form_Load();
    /// The command of button `Index`; 6 and any other index do nothing.
    void eButton_Click(int Index);
    /// Opens the task list's selected row; ignored while an opening runs.
    void ShowTaskDetails();

    /// Runs the message loop until the window is gone; the program's exit code.
    int run();
    /// Hands one message to the forms' keyboard handling (Tab, access keys, Enter, Esc);
    /// true when it was used there.
    bool handleDialogMessage(MSG& message);

    // The form as the logic sees it.
    void setEnabled(bool enabled) override;
    void setVisible(bool visible) override;
    void processEvents() override;

    HWND hwnd() const { return m_window; }
    HWND eLabel(int index) const { return m_eLabel.at(static_cast<std::size_t>(index)); }
    HWND eButton(int index) const { return m_eButton.at(static_cast<std::size_t>(index)); }
    const ListViewReportList& eTaskList() const { return m_eTaskList; }
    const ListViewReportList& TINF() const { return m_TINF; }
    const TreeViewWindowTree& TFRM() const { return m_TFRM; }
    HIMAGELIST eImgList() const { return m_eImgList; }
    const ControlGeometry& controlGeometry() const { return m_boxes; }
    const LayoutMeasures& measures() const { return m_measures; }
    const tasks::TaskTables& taskTables() const { return *m_tables; }
    about::win32::FORM_Info* aboutBox() const { return m_about.get(); }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK taskListProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void Form_Resize();
    void RefreshTaskList();
    void eTaskList_DblClick();
    void eTaskList_KeyUp(int KeyCode, int Shift);
    /// Notes the control that has the keyboard, if it is one of this window's.
    void rememberFocus();
    /// Clicks the button that has the keyboard focus, if one has it.
    void pressFocusedButton();

    platform::Platform& m_platform;
    std::unique_ptr<tasks::TaskTables> m_tables;
    HWND m_window = nullptr;
    std::array<HWND, 3> m_eLabel{};
    std::array<HWND, platform::ButtonCount> m_eButton{};
    ListViewReportList m_eTaskList;
    ListViewReportList m_TINF;
    TreeViewWindowTree m_TFRM;
    HIMAGELIST m_eImgList = nullptr;
    HBRUSH m_captionBrush = nullptr;
    details::TaskDetails m_details;
    std::unique_ptr<about::win32::FORM_Info> m_about;
    ControlGeometry m_boxes;
    LayoutMeasures m_measures;
    int m_dpi = 96;
    HWND m_focus = nullptr;
    bool m_closeDeferred = false;
};

}  // namespace pelorus::app::win32
