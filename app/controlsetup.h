// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <array>
#include <cstdint>

/// How the main window's controls are set up: the options of the two lists, the look of
/// the header labels, the names a screen reader speaks, the fitting of captions.
namespace pelorus::app {

/// The design widths of the list columns, in twips.
inline constexpr std::array<std::int32_t, 3> TaskListColumnWidths{1440, 1440, 1440};
inline constexpr std::array<std::int32_t, 3> DetailColumnWidths{1440, 1440, 21600};

/// A report-style list of three columns of the design widths `widths`, never sorted,
/// taking several rows at once, its last column not stretched.
void setupReportList(QTreeWidget& list, const std::array<std::int32_t, 3>& widths);

/// Return and the keypad's Enter press the button while it has the keyboard focus, as
/// Space does (Qt presses a focused button on Return only in a dialog box).
void pressOnReturn(QPushButton& button);

/// A header label: bold, centred, in the colours of an active caption bar, locked or not.
void setupHeaderLabel(QLabel& label);

/// What a screen reader says for the panels: each list and the tree take the name of the
/// header label above them.
void nameForScreenReaders(const std::array<QLabel*, 3>& labels, QTreeWidget& tasks,
                          QTreeWidget& details, QTreeWidget& tree);

/// Fits the captions of the buttons and the header labels to the controls' sizes, in the
/// window's font (bold for the labels) or a smaller size of it.
void fitCaptions(const QWidget& window, const std::array<QPushButton*, 9>& buttons,
                 const std::array<QLabel*, 3>& labels);

}  // namespace pelorus::app
