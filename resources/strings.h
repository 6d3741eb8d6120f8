// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>
#include <string_view>

/// The numbered string table: every text the user sees comes from here.
namespace pelorus::resources {

/// The text of string `id`, UTF-8, as a new string. Asking for an id that is not in the
/// table is an error of the caller; it gets an empty text.
std::string LoadString(int id);

/// Replaces every occurrence of `marker` in `text` by `value`: plain, case-sensitive,
/// scanning from the first character; the replaced text is not scanned again.
std::string ReplaceAll(std::string text, std::string_view marker, std::string_view value);

}  // namespace pelorus::resources
