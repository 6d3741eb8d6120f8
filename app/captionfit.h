// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QFont>

class QLabel;
class QPushButton;

namespace pelorus::app {

/// The smallest size a caption is drawn in, in points.
inline constexpr double kSmallestCaptionPointSize = 6.0;

/// Draws the caption of `button` in `font`, or in the largest smaller size of it (down to
/// kSmallestCaptionPointSize) in which the caption fits the button's text area. The
/// controls keep the design's size, so a desktop font larger than the design's would cut
/// the caption off. Call it again whenever the button's size changes.
void fitCaption(QPushButton& button, QFont font);

/// The same for a label's one-line plain text, within the label's contents.
void fitCaption(QLabel& label, QFont font);

}  // namespace pelorus::app
