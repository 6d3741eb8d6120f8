// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QSize>

#include "resources/pictures.h"

namespace {

using pelorus::resources::BitmapId;
using pelorus::resources::IconId;

// The pictures by the numbers of the resources, unknown numbers included.
QIcon LoadIconResource(int id) {
    return pelorus::resources::loadIconResource(static_cast<IconId>(id));
}
QPixmap LoadIconPicture(int id) {
    return pelorus::resources::loadIconPicture(static_cast<IconId>(id));
}
QPixmap LoadBitmapResource(int id) {
    return pelorus::resources::loadBitmapResource(static_cast<BitmapId>(id));
}

const int kIconIds[] = {1, 100, 110, 200, 210};

QImage Argb(const QPixmap& picture) {
    return picture.toImage().convertToFormat(QImage::Format_ARGB32);
}

// The colours a picture uses, transparency counted as one of them.
QSet<QRgb> Colours(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            colours.insert(qAlpha(pixel) == 0 ? 0 : pixel);
        }
    }
    return colours;
}

bool InStandardPalette(QRgb pixel) {
    static const QRgb palette[] = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
    };
    for (QRgb colour : palette) {
        if ((pixel & 0xFFFFFF) == colour)
            return true;
    }
    return false;
}

std::vector<QImage> AllIconImages() {
    std::vector<QImage> images;
    for (int id : kIconIds)
        images.push_back(Argb(LoadIconPicture(id)));
    images.push_back(Argb(LoadIconResource(1).pixmap(QSize(16, 16))));
    for (int id : kIconIds)
        images.push_back(Argb(pelorus::resources::loadIconPicture(static_cast<IconId>(id), 2.0)));
    images.push_back(Argb(LoadIconResource(1).pixmap(QSize(16, 16), 2.0)));
    return images;
}

TEST(Pictures, IconSizes) {
    // Each size also drawn at twice its size, for a device pixel ratio of 2.
    EXPECT_EQ(LoadIconResource(1).availableSizes(),
              (QList<QSize>{{16, 16}, {32, 32}, {32, 32}, {64, 64}}));
    for (int id : {100, 110, 200, 210}) {
        EXPECT_EQ(LoadIconResource(id).availableSizes(), (QList<QSize>{{32, 32}, {64, 64}})) << id;
    }
    for (int id : kIconIds)
        EXPECT_EQ(LoadIconPicture(id).size(), QSize(32, 32)) << id;
    EXPECT_EQ(LoadIconResource(1).pixmap(QSize(16, 16)).size(), QSize(16, 16));
}

TEST(Pictures, BitmapSize) {
    EXPECT_EQ(LoadBitmapResource(100).size(), QSize(334, 5));
}

// On a screen of device pixel ratio 2 the pictures take the same room, drawn at twice the
// resolution rather than enlarged.
TEST(Pictures, TwiceTheResolutionForDevicePixelRatioTwo) {
    for (int id : kIconIds) {
        const QPixmap sharp = pelorus::resources::loadIconPicture(static_cast<IconId>(id), 2.0);
        EXPECT_EQ(sharp.size(), QSize(64, 64)) << id;
        EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(32, 32)) << id;
        EXPECT_EQ(Argb(LoadIconResource(id).pixmap(QSize(32, 32), 2.0)), Argb(sharp)) << id;
        EXPECT_EQ(Argb(LoadIconResource(id).pixmap(QSize(32, 32), 1.0)), Argb(LoadIconPicture(id)))
            << id;
    }
    const QPixmap strip = pelorus::resources::loadBitmapResource(BitmapId::AboutStrip, 2.0);
    EXPECT_EQ(strip.size(), QSize(668, 10));
    EXPECT_EQ(strip.deviceIndependentSize(), QSizeF(334, 5));
    // The strip's 16 bands keep their colours, each twice as wide.
    const QImage once = Argb(LoadBitmapResource(100));
    const QImage twice = Argb(strip);
    for (int x = 0; x < once.width(); ++x)
        EXPECT_EQ(twice.pixel(2 * x + 1, 9), once.pixel(x, 4)) << x;
}

TEST(Pictures, UnknownIdsGiveNothing) {
    for (int id : {0, 2, 101, 111, 201, 211}) {
        EXPECT_TRUE(LoadIconResource(id).isNull()) << id;
        EXPECT_TRUE(LoadIconPicture(id).isNull()) << id;
    }
    EXPECT_TRUE(LoadBitmapResource(1).isNull());
    EXPECT_TRUE(LoadBitmapResource(101).isNull());
}

TEST(Pictures, AboutIconIsTheProgramIconsLargeImage) {
    EXPECT_EQ(Argb(LoadIconPicture(100)), Argb(LoadIconPicture(1)));
    EXPECT_EQ(Argb(LoadIconResource(1).pixmap(QSize(32, 32))), Argb(LoadIconPicture(1)));
    // Each of the others is a picture of its own.
    EXPECT_NE(Argb(LoadIconPicture(110)), Argb(LoadIconPicture(1)));
    EXPECT_NE(Argb(LoadIconPicture(200)), Argb(LoadIconPicture(210)));
}

TEST(Pictures, IconsUseTheSixteenColoursOnATransparentBackground) {
    for (const QImage& image : AllIconImages()) {
        const QSet<QRgb> colours = Colours(image);
        EXPECT_LE(colours.size(), 16);
        EXPECT_TRUE(colours.contains(0)) << "no transparent pixel";
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "the corner is not background";
        for (QRgb pixel : colours) {
            if (pixel == 0)
                continue;
            EXPECT_EQ(qAlpha(pixel), 255);
            EXPECT_TRUE(InStandardPalette(pixel)) << std::hex << pixel;
            // Light grey means transparent in icon artwork: never an opaque pixel.
            EXPECT_NE(pixel & 0xFFFFFF, 0xC0C0C0U);
        }
    }
}

TEST(Pictures, TreeImagesShowWhatTheyStandFor) {
    const QSet<QRgb> flag = Colours(Argb(LoadIconPicture(200)));
    for (QRgb pane : {0xFFFF0000U, 0xFF00FF00U, 0xFF0000FFU, 0xFFFFFF00U, 0xFF000000U}) {
        EXPECT_TRUE(flag.contains(pane)) << std::hex << pane;
    }
    const QSet<QRgb> windows = Colours(Argb(LoadIconPicture(210)));
    EXPECT_TRUE(windows.contains(0xFF000080U) || windows.contains(0xFF0000FFU));
    EXPECT_TRUE(windows.contains(0xFFFFFFFFU));
}

TEST(Pictures, StripIsAnOpaqueGradientDarkestInTheMiddle) {
    const QImage strip = Argb(LoadBitmapResource(100));
    ASSERT_EQ(strip.size(), QSize(334, 5));
    EXPECT_LE(Colours(strip).size(), 16);
    for (int y = 0; y < strip.height(); ++y) {
        int previous = 256;
        for (int x = 0; x < strip.width(); ++x) {
            const QColor colour = QColor::fromRgba(strip.pixel(x, y));
            EXPECT_EQ(colour.alpha(), 255);
            EXPECT_GE(colour.blue(), colour.red()) << "not blue-grey at " << x;
            EXPECT_EQ(strip.pixel(x, y), strip.pixel(strip.width() - 1 - x, y)) << x;
            if (x < strip.width() / 2) {
                EXPECT_LE(colour.lightness(), previous) << "lighter towards the middle at " << x;
                previous = colour.lightness();
            }
        }
    }
    const int end = QColor(strip.pixel(0, 2)).lightness();
    const int middle = QColor(strip.pixel(166, 2)).lightness();
    EXPECT_GT(end - middle, 64) << "hardly a gradient";
}

}  // namespace
