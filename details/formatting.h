// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/types.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// Exactly 8 lower-case hexadecimal digits; negative values as their 32-bit two's
/// complement: 1234 -> "000004d2", -1 -> "ffffffff". The task list's ProcID column and
/// the detail list's identifiers are written with it.
std::string HexHandle(std::int32_t value);

/// The name of a base priority: strings 330-333 for 4, 8, 13 and 24, else string 334
/// with the number: "6 (???)".
std::string PriorityText(std::int32_t priority);

/// The text of a window's node from its parts: "title (class)   (handle)", or
/// "(class)   (handle)" without a title; the handle in signed decimal.
std::string FormatWindowCaption(std::string_view title, std::string_view className,
                                platform::WindowHandle handle);

/// The text of a window's node, asking the window system for its title and class.
std::string WindowCaption(platform::WindowSystem& windows, platform::WindowHandle handle);

/// Upper-case hexadecimal without leading zeros, as the tree's keys write numbers:
/// 655812 -> "A01C4", 0 -> "0".
std::string KeyHex(std::uint32_t value);

}  // namespace pelorus::details
