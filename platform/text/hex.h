// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>
#include <string>

/// The hexadecimal numbers of the lists and of the tree's keys.
namespace pelorus::text {

/// Exactly 8 lower-case hexadecimal digits; negative values as their 32-bit two's
/// complement: 1234 -> "000004d2", -1 -> "ffffffff". The task list's ProcID column and
/// the detail list's identifiers are written with it.
std::string HexHandle(std::int32_t value);

/// Upper-case hexadecimal without leading zeros, as the tree's keys write numbers:
/// 655812 -> "A01C4", 0 -> "0".
std::string keyHex(std::uint32_t value);

}  // namespace pelorus::text
