// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// Texts from the system as the lists and the tree show them: nothing in a name, path,
/// title or class can reorder, hide or fake the text of its row.
namespace pelorus::text {

/// Whether `character` is one that changes how the text around it is shown, or shows
/// nothing itself: every control character (Cc), every format character (Cf: bidirectional
/// marks and overrides, prepended number signs such as U+0600-0605, tags...), the line and
/// paragraph separators, and every default-ignorable code point (fillers, U+FFF0-FFF8,
/// the unassigned tags up to U+E0FFF). The joiners U+200C/D and the variation selectors
/// are not.
bool isHiddenCharacter(char32_t character);

/// `text` as valid UTF-8 (each invalid byte as U+FFFD), with every hidden character
/// written as "<U+" and its code point in at least four upper-case hexadecimal digits and
/// ">": ESC shows as "<U+001B>", a right-to-left override as "<U+202E>".
std::string visibleText(std::string_view text);

/// `text` as visibleText shows it, held to at most `limit` characters with every escape
/// counted whole ("<U+001B>" is eight). When all of it would take more, it shows as many
/// characters and whole escapes as leave room for `marker`, then the marker: nothing is
/// left out silently and no escape is cut in two. Reads no more of `text` than it shows.
/// Empty when `limit` has no room for the marker.
std::string shownText(std::string_view text, std::size_t limit, std::string_view marker);

}  // namespace pelorus::text
