// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

/// UTF-8 as the viewer shows it: texts from the system (paths, window titles) may hold
/// any bytes, and every byte that is not part of a valid sequence is shown as U+FFFD,
/// never dropped.
namespace pelorus::text {

/// The character at `pos`, moving `pos` past it. A byte that does not start a complete,
/// shortest-form sequence of a scalar value (overlong forms, surrogates and values above
/// U+10FFFF are not valid) is consumed alone and reads as U+FFFD.
char32_t decodeUtf8(std::string_view text, std::size_t& pos);

/// Appends `character` (a scalar value) in UTF-8.
void appendUtf8(std::string& out, char32_t character);

/// Whether `bytes` is valid UTF-8 throughout.
bool isValidUtf8(std::string_view bytes);

/// `bytes` as valid UTF-8 of at most `limit` characters, each invalid byte as U+FFFD; the
/// cut never falls inside a character.
std::string sanitizeUtf8(std::string_view bytes, std::size_t limit = std::string_view::npos);

}  // namespace pelorus::text
