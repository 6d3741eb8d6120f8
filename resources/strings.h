// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>
#include <string_view>

#include "resources/stringids.h"

/// The numbered string table: every text the user sees comes from here.
namespace pelorus::resources {

/// The text of string `id`, UTF-8, as a new string. Every named id is in the table; a
/// number cast to an id that is not gets an empty text.
std::string LoadString(StringId id);

/// Replaces every occurrence of `marker` in `text` by `value`: plain, case-sensitive,
/// scanning from the first character; the replaced text is not scanned again.
std::string replaceAll(std::string text, std::string_view marker, std::string_view value);

}  // namespace pelorus::resources
