// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/pictures.h"

#include <QFile>
#include <QString>

// Q_INIT_RESOURCE must be used outside any namespace. A static library's resources are
// only linked in when something refers to them, so every loader makes sure they are there.
static void EnsurePicturesRegistered() {
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
QPixmap IconImage(int id, int size) {
    EnsurePicturesRegistered();
    const QString path = QStringLiteral(":/pelorus/icon/%1/%2.xpm").arg(id).arg(size);
    if (!QFile::exists(path))
        return {};
    return QPixmap(path, "XPM");
}

}  // namespace

QIcon LoadIconResource(int id) {
    QIcon icon;
    for (int size : {16, 32}) {
        const QPixmap image = IconImage(id, size);
        if (!image.isNull())
            icon.addPixmap(image);
    }
    return icon;
}

QPixmap LoadIconPicture(int id) {
    return IconImage(id, 32);
}

QPixmap LoadBitmapResource(int id) {
    EnsurePicturesRegistered();
    const QString path = QStringLiteral(":/pelorus/bitmap/%1.xpm").arg(id);
    if (!QFile::exists(path))
        return {};
    return QPixmap(path, "XPM");
}

}  // namespace pelorus::resources
