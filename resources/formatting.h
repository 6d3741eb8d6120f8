// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

/// The display formats of numbers and window texts that the task list, the detail list
/// and the window tree share. Below both tasks/ and details/; no toolkit, no system.
namespace pelorus::resources {

/// Exactly 8 lower-case hexadecimal digits; negative values as their 32-bit two's
/// complement: 1234 -> "000004d2", -1 -> "ffffffff". The task list's ProcID column and
/// the detail list's identifiers are written with it.
std::string HexHandle(std::int32_t value);

/// The name of a base priority: the named texts for 4, 8, 13 and 24, else the number
/// followed by " (???)": "6 (???)".
std::string PriorityText(std::int32_t priority);

/// The text of a window's node: "title (class)   (handle)", or "(class)   (handle)"
/// without a title; the handle in signed decimal. Title and class are cut to 254 code
/// points each and then shown as shownText of at most 254 characters, whatever they hold:
/// escaping can no longer grow a caption to many times the text it was read from.
std::string WindowCaption(std::string_view title, std::string_view className, std::uint32_t handle);

/// The most characters a text of a process is shown with (its file name, its folder, the
/// names and folders of its modules), escapes included; the task tables keep the whole
/// text. Every real file name fits (a name holds at most 255 bytes), and so does any folder
/// of up to 512 characters, longer than the install paths seen in practice. What another
/// user's process writes into its command line is held to it too: 512 stacked combining
/// marks lay out in about 2 ms, where the 2,000 of a whole command line took 20 ms per row
/// every time a list was fitted or painted.
inline constexpr std::size_t MaxProcessTextLength = 512;

/// Whether `character` is one that changes how the text around it is shown, or shows
/// nothing itself: every control character (Cc), every format character (Cf: bidirectional
/// marks and overrides, prepended number signs such as U+0600-0605, tags...), the line and
/// paragraph separators, and every default-ignorable code point (fillers, U+FFF0-FFF8,
/// the unassigned tags up to U+E0FFF). The joiners U+200C/D and the variation selectors
/// are not: scripts and emoji need them. The table comes from the Unicode data
/// (resources/hiddencharacters.inc, made by scripts/hidden-characters.py).
bool isHiddenCharacter(char32_t character);

/// `text` as the lists show it: valid UTF-8 (each invalid byte as U+FFFD), with every
/// hidden character (isHiddenCharacter) written as "<U+" and its code point in at least
/// four upper-case hexadecimal digits and ">": ESC shows as "<U+001B>", a right-to-left
/// override as "<U+202E>". So no name, path, title or class can reorder, hide or fake the
/// text of its row. Every text from the system goes through this on its way to a list;
/// the task tables keep what was read.
std::string visibleText(std::string_view text);

/// `text` as visibleText shows it, held to at most `limit` characters with every escape
/// counted whole ("<U+001B>" is eight). When all of it would take more, it shows as many
/// characters and whole escapes as leave room for the cut marker (string CutMarker, "…"),
/// then the marker: nothing is left out silently and no escape is cut in two. Reads no
/// more of `text` than it shows. Empty when `limit` has no room for the marker.
std::string shownText(std::string_view text, std::size_t limit);

/// Upper-case hexadecimal without leading zeros, as the tree's keys write numbers:
/// 655812 -> "A01C4", 0 -> "0".
std::string keyHex(std::uint32_t value);

}  // namespace pelorus::resources
