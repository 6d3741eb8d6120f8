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

/// Icon resource `id` with every size it has (32 x 32; the program's icon also 16 x 16),
/// each also drawn at twice its size for screens of device pixel ratio 2. Light grey
/// RGB(192, 192, 192) is transparent in the icons' artwork.
QIcon loadIconResource(IconId id);

/// The 32 x 32 image of icon resource `id` as a picture. At a `devicePixelRatio` above 1,
/// the picture drawn at twice the size: 64 x 64 pixels of ratio 2, still 32 x 32 on screen.
QPixmap loadIconPicture(IconId id, qreal devicePixelRatio = 1.0);

/// Bitmap resource `id` at its own size; at a `devicePixelRatio` above 1, drawn at twice
/// its size with ratio 2, so that it takes the same room on the screen.
QPixmap loadBitmapResource(BitmapId id, qreal devicePixelRatio = 1.0);

}  // namespace pelorus::resources
