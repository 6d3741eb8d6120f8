// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

namespace pelorus::app {

/// What a screen reader meets in the task list, the detail list and the window tree (every
/// QTreeWidget of the program): the same roles, names, column headers, selection, states
/// and tree outline as Qt's own accessibility of a tree view gives, with the accessible
/// objects of the cells kept within a bound.
///
/// Qt 6.4 makes a new accessible object for a tree view's cell or column header each time
/// one is asked for, and keeps every one of them until the program ends: a screen reader
/// that reads the task list after each refresh grows the viewer without end. Here a list
/// holds at most one object per cell that exists (its shown rows times its columns) and
/// one per column, and a cell's object goes when its row goes (a refresh clears the list,
/// and with it all of them). What a reader makes the viewer hold is thus never more than
/// the list it reads, however often and however long it reads; the rows themselves are
/// bounded where the lists are filled. Asked twice, a list hands out the same object.
///
/// One difference from Qt's own: asked for the cell at a place past its rows or columns, a
/// list answers with one object of its own that stands for no cell (no row, no column,
/// not selected) where Qt's answer was none. Qt's bridge reads that answer without looking
/// at it when a reader names the place, so that any program on the accessibility bus could
/// crash the viewer with a question about row 1000.
///
/// Installs the factory once; it must be in place before a screen reader first asks for a
/// list. It is installed when the application starts, and frmMain installs it too.
void installListAccessibility();

/// How many accessible objects of list cells exist now, over all lists: for tests and
/// diagnostics.
int accessibleListCellCount();

}  // namespace pelorus::app
