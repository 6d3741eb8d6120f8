// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QFont>
#include <QStringList>

namespace pelorus::app {

/// The most texts one column fit lays out (each distinct text once), however many rows
/// share the column.
inline constexpr int kMaxFitLayouts = 32;

/// The row that decides a column's width, and what finding it cost.
struct WidestText {
    /// The row (0-based) whose text laid out widest, the first of equals; -1 when the
    /// column has no text or none was laid out.
    int row = -1;
    /// How many texts were laid out to find it, each distinct text once.
    int layouts = 0;
};

/// Finds the widest of `texts` in `font`. The sum of its characters' advances ranks each
/// text; texts are laid out from the highest rank down until no rank left can beat the
/// widest layout, or kMaxFitLayouts texts were laid out. A text that is wider than it
/// ranked and was not laid out is shown elided by the list (its end as an ellipsis), so
/// what did not fit is still seen to be left out.
WidestText widestText(const QStringList& texts, const QFont& font);

}  // namespace pelorus::app
