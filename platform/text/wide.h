// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// UTF-16 as the Win32 forms' ...W calls take and give it, one code unit to each wchar_t
/// (which has 16 bits there; the conversions hold the same units wherever they run).
namespace pelorus::text {

/// A UTF-8 text as UTF-16; every byte that is no part of a valid sequence becomes U+FFFD.
std::wstring utf8ToWide(std::string_view utf8);

/// A UTF-16 text as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string wideToUtf8(std::wstring_view wide);

/// Up to the first NUL of a fixed character buffer, or the whole buffer without one.
std::string_view untilNul(const char* buffer, std::size_t size);

}  // namespace pelorus::text
