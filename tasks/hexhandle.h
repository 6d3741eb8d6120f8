// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>
#include <string>

namespace pelorus::tasks {

/// Exactly 8 lower-case hexadecimal digits; negative values as their 32-bit two's
/// complement: 1234 -> "000004d2", -1 -> "ffffffff". The task list's ProcID column and
/// the detail list's identifiers are written with it.
std::string HexHandle(std::int32_t value);

}  // namespace pelorus::tasks
