// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <QString>
#include <string>

#include "resources/strings.h"

/// The table's texts as the Qt forms take them.
namespace pelorus::resources {

/// A UTF-8 text as a QString.
inline QString qtText(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

/// String `id` of the table as a QString.
inline QString loadQString(StringId id) {
    return qtText(LoadString(id));
}

}  // namespace pelorus::resources
