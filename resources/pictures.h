// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QIcon>
#include <QPixmap>

/// The program's pictures, built into it.
namespace pelorus::resources {

/// The icon resources, by the numbers of the design.
enum class IconId : int {
    Program = 1,        ///< the executable's own icon: a page under a magnifying glass
    AboutBox = 100,     ///< the about box's picture
    MainWindow = 110,   ///< the main window's icon
    TreeProcess = 200,  ///< the window tree's image of the process node
    TreeWindow = 210,   ///< the window tree's image of a window node
};

/// The bitmap resources.
enum class BitmapId : int {
    AboutStrip = 100,  ///< the about box's 334 x 5 gradient strip
};

/// Icon resource `id` with every size it has (32 x 32; the program's icon also 16 x 16).
/// Light grey RGB(192, 192, 192) is transparent in the icons' artwork.
QIcon LoadIconResource(IconId id);

/// The 32 x 32 image of icon resource `id` as a picture.
QPixmap LoadIconPicture(IconId id);

/// Bitmap resource `id` at its own size.
QPixmap LoadBitmapResource(BitmapId id);

}  // namespace pelorus::resources
