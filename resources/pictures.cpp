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

// Icon `id` at `size` pixels, or a null picture when there is none.
QPixmap iconImage(IconId id, int size) {
    ensurePicturesRegistered();
    const QString path =
        QStringLiteral(":/pelorus/icon/%1/%2.xpm").arg(static_cast<int>(id)).arg(size);
    if (!QFile::exists(path))
        return {};
    return QPixmap(path, "XPM");
}

}  // namespace

QIcon LoadIconResource(IconId id) {
    QIcon icon;
    for (int size : {16, 32}) {
        const QPixmap image = iconImage(id, size);
        if (!image.isNull())
            icon.addPixmap(image);
    }
    return icon;
}

QPixmap LoadIconPicture(IconId id) {
    return iconImage(id, 32);
}

QPixmap LoadBitmapResource(BitmapId id) {
    ensurePicturesRegistered();
    const QString path = QStringLiteral(":/pelorus/bitmap/%1.xpm").arg(static_cast<int>(id));
    if (!QFile::exists(path))
        return {};
    return QPixmap(path, "XPM");
}

}  // namespace pelorus::resources
