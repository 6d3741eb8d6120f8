// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>
#include <string_view>

namespace pelorus::platform::win32 {

/// A text in the system's 8-bit code page (what the ...A calls deliver) as UTF-8.
std::string ansiToUtf8(std::string_view ansi);

}  // namespace pelorus::platform::win32
