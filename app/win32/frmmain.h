// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <array>
#include <memory>

#include "app/mainform.h"
#include "platform/platform.h"
#include "tasks/tasktables.h"

// After the seam's types: windows.h names macros that would clash with them.
#include "app/win32/win32controls.h"

namespace pelorus::about::win32 {
class FORM_Info;
}

namespace pelorus::app::win32 {

/// The main window in Win32 and comctl32: the task list with its four commands, the
/// detail list, the window tree with its five commands, every control at its design
/// geometry in twips at the system's DPI. A view of MainForm, which decides, as the Qt
/// form is: this class builds the controls, places them, and passes their messages on.
class frmMain final : public MainFormView {
public:
    /// Builds the window hidden, its controls in their design state.
    explicit frmMain(platform::Platform& platform);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    void Form_Load() { m_form.Form_Load(); }
    void eButton_Click(int Index) { m_form.eButton_Click(Index); }
    void ShowTaskDetails();

    /// Runs the message loop until the window is gone; the program's exit code.
    int run();
    /// Hands one message to the forms' keyboard handling (Tab, access keys, Enter, Esc);
    /// true when it was used there.
    bool handleDialogMessage(MSG& message);
    void processEvents() override;

    /// The form as the logic sees it: its lock, its visibility, one pass over the messages.
    platform::Form& form() { return m_form; }

    HWND hwnd() const { return m_window; }
    HWND eLabel(int index) const { return m_eLabel.at(static_cast<std::size_t>(index)); }
    HWND eButton(int index) const { return m_eButton.at(static_cast<std::size_t>(index)); }
    const ListViewReportList& eTaskList() const { return m_eTaskList; }
    const ListViewReportList& TINF() const { return m_TINF; }
    const TreeViewWindowTree& TFRM() const { return m_TFRM; }
    HIMAGELIST eImgList() const { return m_eImgList; }
    const ControlGeometry& controlGeometry() const { return m_form.controlGeometry(); }
    const LayoutMeasures& measures() const { return m_form.measures(); }
    const tasks::TaskTables& taskTables() const { return m_form.taskTables(); }
    about::win32::FORM_Info* aboutBox() const { return m_about.get(); }

private:
    // MainFormView
    platform::ReportList& taskRows() override { return m_eTaskList; }
    platform::ReportList& detailRows() override { return m_TINF; }
    platform::WindowTree& windowNodes() override { return m_TFRM; }
    void loadForm(const MainTexts& texts) override;
    TwipSize clientSize() const override;
    void placeControls(const ControlGeometry& boxes) override;
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;
    bool isVisible() const override;
    void setVisible(bool visible) override;
    std::optional<ControlId> focusedControl() const override;
    void giveKeyboard(ControlId control) override;
    void showAboutBox(platform::Form& frmMain) override;
    void close() override;
    void closeLater() override;

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK taskListProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR id, DWORD_PTR data);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    /// The control's window; null for an index outside eButton.
    HWND controlWindow(ControlId control) const;
    /// Wine's tree view can leave the first tree it gets undrawn: draw it afresh.
    void redrawTree();
    /// Clicks the button that has the keyboard focus, if one has it.
    void pressFocusedButton();

    std::array<HWND, 3> m_eLabel{};
    std::array<HWND, platform::ButtonCount> m_eButton{};
    ListViewReportList m_eTaskList;
    ListViewReportList m_TINF;
    TreeViewWindowTree m_TFRM;
    HWND m_window = nullptr;
    HIMAGELIST m_eImgList = nullptr;
    HBRUSH m_captionBrush = nullptr;
    int m_dpi = 96;
    MainForm m_form;
    std::unique_ptr<about::win32::FORM_Info> m_about;
};

}  // namespace pelorus::app::win32
