// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// HexHandle lives with the task tables rather than with the rest of the formatting: the
// task list's ProcID column is written with it, and the tasks library links without the
// details library (which builds on it).
#include <cstdint>
#include <string>

#include "details/formatting.h"

namespace pelorus::details {

std::string HexHandle(std::int32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    auto bits = static_cast<std::uint32_t>(value);
    std::string text(8, '0');
    for (auto digit = text.rbegin(); digit != text.rend(); ++digit, bits >>= 4) {
        *digit = kDigits[bits & 0xF];
    }
    return text;
}

}  // namespace pelorus::details
