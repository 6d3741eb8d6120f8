// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/toolkit/toolkit.h"

namespace pelorus::about {

/// The about box. One instance lives as long as the main window; its window exists only
/// while the box is loaded: each showing loads it afresh, each closing unloads it.
/// The window is a top-level of its own (never a Qt child of the main window, which
/// would be disabled along with it), transient for `owner`, with no task-bar button.
class FORM_Info {
public:
    /// `frmMain` is the form whose input the box gives back (setEnabled(true)) whenever
    /// it is unloaded, by whatever route; `owner` is the window it stays above.
    FORM_Info(platform::Form& frmMain, QWidget* owner);
    ~FORM_Info();
    FORM_Info(const FORM_Info&) = delete;
    FORM_Info& operator=(const FORM_Info&) = delete;

    /// true: loads the box if it is not loaded (a new window, its load step run) and
    /// shows it non-modally; returns at once. false: unloads it.
    void setVisible(bool visible);

    /// The loaded window, or null when the box is not loaded.
    QWidget* window() const { return m_window; }

private:
    platform::Form& m_frmMain;
    QPointer<QWidget> m_owner;
    QPointer<QWidget> m_window;
};

}  // namespace pelorus::about
