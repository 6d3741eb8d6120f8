// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tasks/hexhandle.h"

namespace pelorus::tasks {

std::string HexHandle(std::int32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    auto bits = static_cast<std::uint32_t>(value);
    std::string text(8, '0');
    for (auto digit = text.rbegin(); digit != text.rend(); ++digit, bits >>= 4) {
        *digit = kDigits[bits & 0xF];
    }
    return text;
}

}  // namespace pelorus::tasks
