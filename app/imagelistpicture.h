// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QIcon>
#include <QPixmap>

namespace pelorus::app {

/// An image of the image list: `picture` (32 x 32) scaled to 16 x 16 by nearest pixel,
/// which keeps its 16 colours and its sharp mask. The image is 16 x 16 and has no other
/// size; on a screen of device pixel ratio 2, where it takes 32 x 32 pixels, it draws
/// `picture` itself rather than an enlargement of the small image.
QIcon imageListPicture(const QPixmap& picture);

}  // namespace pelorus::app
