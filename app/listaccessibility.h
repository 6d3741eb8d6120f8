// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

namespace pelorus::app {

/// What a screen reader meets in every QTreeWidget of the program (the task list, the detail
/// list, the window tree): the roles, names, column headers, selection, states and outline
/// of Qt's own accessibility of a tree view, with at most one object per cell that exists
/// (shown rows times columns) and one per column, the same one each time it is asked for; a
/// place past the rows or columns answers with one object that stands for no cell. Installs
/// the factory once; it is installed when the application starts, and frmMain does too.
void installListAccessibility();

/// How many accessible objects of list cells exist now, over all lists: for tests and
/// diagnostics.
int accessibleListCellCount();

}  // namespace pelorus::app
