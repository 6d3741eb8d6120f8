// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>
#include <string_view>

namespace pelorus::platform::win32 {

/// A text in the system's 8-bit code page (what the ...A calls deliver) as UTF-8.
std::string AnsiToUtf8(std::string_view ansi);

/// A UTF-8 text as UTF-16, for the ...W calls of the forms; invalid bytes become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);

/// A UTF-16 text as UTF-8.
std::string WideToUtf8(std::wstring_view wide);

/// Up to the first NUL of a fixed character buffer, or the whole buffer without one.
std::string_view UntilNul(const char* buffer, std::size_t size);

}  // namespace pelorus::platform::win32
