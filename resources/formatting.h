// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

/// The display texts that take words from the string table: priority names, window
/// captions and the cut marker. Below both tasks/ and details/; no toolkit, no system.
namespace pelorus::resources {

/// The name of a base priority: the named texts for 4, 8, 13 and 24, else the number
/// followed by " (???)": "6 (???)".
std::string PriorityText(std::int32_t priority);

/// The text of a window's node: "title (class)   (handle)", or "(class)   (handle)"
/// without a title; the handle in signed decimal. Title and class are each shown as
/// shownText of at most 254 characters, whatever they hold: escaping cannot grow a caption
/// to many times the text it was read from.
std::string WindowCaption(std::string_view title, std::string_view className, std::uint32_t handle);

/// The most characters a text of a process is shown with (its file name, its folder, the
/// names and folders of its modules), escapes included; the task tables keep the whole
/// text. Every real file name (255 bytes at most) fits, and any folder of up to 512
/// characters, longer than install paths seen in practice. Another user's command line is
/// held to it too: 512 stacked combining marks lay out in about 2 ms, where the 2,000 of a
/// whole command line took 20 ms per row every time a list was fitted or painted.
inline constexpr std::size_t MaxProcessTextLength = 512;

/// `text` as the lists show it (text::shownText), held to `limit` characters and cut with
/// the string table's marker (string CutMarker, "…").
std::string shownText(std::string_view text, std::size_t limit);

}  // namespace pelorus::resources
