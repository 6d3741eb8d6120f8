// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QIcon>
#include <QPixmap>

/// The program's pictures, built into it. Ids are the resource numbers of the design.
namespace pelorus::resources {

/// Icon resource `id` (1, 100, 110, 200 or 210) with every size it has (32 x 32; icon 1
/// also 16 x 16). Light grey RGB(192, 192, 192) is transparent in the icons' artwork.
QIcon LoadIconResource(int id);

/// The 32 x 32 image of icon resource `id` as a picture.
QPixmap LoadIconPicture(int id);

/// Bitmap resource `id` (100: the 334 x 5 gradient strip) at its own size.
QPixmap LoadBitmapResource(int id);

}  // namespace pelorus::resources
