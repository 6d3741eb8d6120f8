// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/types.h"

/// Turning the bytes of X text properties into the texts the viewer shows.
namespace pelorus::text {

/// Titles and class names are cut to this many code points.
inline constexpr std::size_t MaxTextLength = platform::MaxWindowTextLength;

/// `bytes` up to its first NUL as valid UTF-8 of at most `limit` code points: every byte
/// that is no part of a valid sequence (overlong forms, surrogates and values above
/// U+10FFFF are not valid) becomes U+FFFD. The cut never falls inside a sequence.
std::string utf8Text(std::string_view bytes, std::size_t limit = MaxTextLength);

/// A property of type STRING: Latin-1 by the protocol, but often UTF-8 in practice. Text
/// that is valid UTF-8 is taken as such, anything else as Latin-1; cut like Utf8Text.
std::string stringText(std::string_view bytes, std::size_t limit = MaxTextLength);

/// The class part of a WM_CLASS value: the text after the first NUL, up to the next NUL
/// or the end (clients do not always write the terminating NUL); empty without a NUL.
std::string_view classPart(std::string_view wmClass);

}  // namespace pelorus::text
