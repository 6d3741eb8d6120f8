// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

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
/// points each and then shown as visibleText, whatever they hold.
std::string WindowCaption(std::string_view title, std::string_view className, std::uint32_t handle);

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

/// Upper-case hexadecimal without leading zeros, as the tree's keys write numbers:
/// 655812 -> "A01C4", 0 -> "0".
std::string keyHex(std::uint32_t value);

}  // namespace pelorus::resources
