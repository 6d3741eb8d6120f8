// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>
#include <string_view>

#include "platform/text/utf8.h"
#include "platform/types.h"

namespace pelorus::text {

/// Lower case of a UTF-8 text, character by character, by the rules of the user's
/// locale (the C library's towlower). Invalid sequences become U+FFFD.
std::string lowerCase(std::string_view utf8);

/// A path split into its file name and its folder.
struct PathParts {
    std::string file;
    std::string location;
};

/// Splits `text` at its last separator: the file name after it, the folder before it,
/// the separator in neither. No separator: the whole text is the file name. Under a
/// convention whose paths begin with the separator, any other text is a name and stays
/// whole. Neither trims nor changes case.
PathParts splitPath(std::string_view text, const platform::PathConvention& convention);

/// The display text of a path as the system gave it: cut at the first NUL, made valid
/// UTF-8, with leading blanks removed when `trimLeadingBlanks` (process paths; module
/// paths keep them), lower-cased when the convention says so.
std::string pathText(std::string_view raw, const platform::PathConvention& convention,
                     bool trimLeadingBlanks);

}  // namespace pelorus::text
