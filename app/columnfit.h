// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QFont>
#include <QStringList>

namespace pelorus::app {

/// The most texts one column fit lays out. Laying out a text (itemising and shaping it)
/// costs far more than adding up the advances of its characters, and a text of stacked
/// combining marks that any user can put into a command line costs milliseconds (20 ms
/// for 2,000 marks; the lists cut it to 512, about 2 ms). The fit lays out only the texts
/// whose advances could make them the widest, and never more than this many: with texts
/// held to their length, one fit then takes a few tens of milliseconds at worst, however
/// many rows share a column.
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
/// text: for printable Latin text the layout is narrower than the sum, or wider by a few
/// per cent at most; any other script may lay out wider (joined forms, marks set apart),
/// so its sum counts double. Texts are laid out from the highest rank down until no rank
/// left can beat the widest layout, or kMaxFitLayouts texts were laid out. A text that is
/// wider than it ranked and was not laid out is shown elided by the list (its end as an
/// ellipsis), so what did not fit is still seen to be left out.
WidestText widestText(const QStringList& texts, const QFont& font);

}  // namespace pelorus::app
