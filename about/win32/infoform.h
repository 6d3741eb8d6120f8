// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>

#include "platform/toolkit/toolkit.h"
#include "platform/types.h"
#include "resources/strings.h"

// After the seam's types: windows.h names macros (SW_HIDE...) that would clash with them.
#include <windows.h>

namespace pelorus::about::win32 {

/// The about box in Win32: an ordinary top-level window owned by the main window (so it
/// has no task-bar button), white, with the labels `lLabel` 0, 1, 2 and 4, the pictures
/// `ePic` 0 and 1 and the button `eButton`, which is the default and the cancel button.
/// Every route that closes it runs `Form_Unload`, which gives the main form its input
/// back. One instance lives as long as the main window; each showing loads the window
/// afresh.
class FORM_Info {
public:
    FORM_Info(platform::Form& frmMain, HWND owner);
    ~FORM_Info();
    FORM_Info(const FORM_Info&) = delete;
    FORM_Info& operator=(const FORM_Info&) = delete;

    /// true: loads the box if it is not loaded and shows it; returns at once. false:
    /// unloads it.
    void setVisible(bool visible);

    /// The loaded window, or null.
    HWND window() const { return m_window; }
    /// `lLabel`(index) for 0, 1, 2 and 4, `ePic`(index) for 0 and 1, the button.
    HWND lLabel(int index) const;
    HWND ePic(int index) const { return m_ePic[index == 0 ? 0 : 1]; }
    HWND eButton() const { return m_eButton; }

    /// The message loop asks this for the messages of the box's window (Tab, Enter,
    /// Esc and Alt+C).
    bool handleDialogMessage(MSG& message);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Form_Load();
    void eButton_Click();
    void Form_Unload(std::int16_t& cancel);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    platform::Form& m_frmMain;
    HWND m_owner;
    HWND m_window = nullptr;
    HWND m_lLabel[4] = {};
    HWND m_ePic[2] = {};
    HWND m_eButton = nullptr;
    HBRUSH m_white = nullptr;
};

}  // namespace pelorus::about::win32
