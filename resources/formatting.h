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
/// without a title; the handle in signed decimal. Title and class are shown as valid
/// UTF-8 of at most 254 code points each, whatever they hold.
std::string WindowCaption(std::string_view title, std::string_view className, std::uint32_t handle);

/// Upper-case hexadecimal without leading zeros, as the tree's keys write numbers:
/// 655812 -> "A01C4", 0 -> "0".
std::string keyHex(std::uint32_t value);

}  // namespace pelorus::resources
