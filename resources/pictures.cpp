// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/pictures.h"

#include <QFile>
#include <QString>

// Q_INIT_RESOURCE must be used outside any namespace. A static library's resources are
// only linked in when something refers to them, so every loader makes sure they are there.
static void ensurePicturesRegistered() {
    // Registering once per process is enough; Qt ignores a second registration anyway.
    static const bool registered = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    (void)registered;
}

namespace pelorus::resources {
namespace {

// The picture at `path` in the resources, or a null picture when there is none. Its 2x
// drawing comes with device pixel ratio 2.
QPixmap picture(const QString& path, bool twice) {
    ensurePicturesRegistered();
    const QString file = twice ? path + QStringLiteral("@2x.xpm") : path + QStringLiteral(".xpm");
    if (!QFile::exists(file))
        return {};
    QPixmap image(file, "XPM");
    if (twice)
        image.setDevicePixelRatio(2.0);
    return image;
}

// Icon `id` at `size` pixels (twice that with `twice`).
QPixmap iconImage(IconId id, int size, bool twice) {
    return picture(QStringLiteral(":/pelorus/icon/%1/%2").arg(static_cast<int>(id)).arg(size),
                   twice);
}

}  // namespace

QIcon loadIconResource(IconId id) {
    QIcon icon;
    for (bool twice : {false, true}) {
        for (int size : {16, 32}) {
            const QPixmap image = iconImage(id, size, twice);
            if (!image.isNull())
                icon.addPixmap(image);
        }
    }
    return icon;
}

QPixmap loadIconPicture(IconId id, qreal devicePixelRatio) {
    return iconImage(id, 32, devicePixelRatio > 1.0);
}

QPixmap loadBitmapResource(BitmapId id, qreal devicePixelRatio) {
    return picture(QStringLiteral(":/pelorus/bitmap/%1").arg(static_cast<int>(id)),
                   devicePixelRatio > 1.0);
}

}  // namespace pelorus::resources
