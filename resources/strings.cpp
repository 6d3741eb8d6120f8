// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/strings.h"

#include <algorithm>

namespace pelorus::resources {
namespace {

struct StringEntry {
    int id;
    std::string_view text;
};

// Generated at build time from strings.tsv.
#include "resources/stringtable.inc"

}  // namespace

std::string LoadString(StringId id) {
    const int number = static_cast<int>(id);
    const auto* entry = std::find_if(std::begin(kStringTable), std::end(kStringTable),
                                     [number](const StringEntry& e) { return e.id == number; });
    if (entry == std::end(kStringTable))
        return {};
    return std::string(entry->text);
}

std::string replaceAll(std::string text, std::string_view marker, std::string_view value) {
    // An empty marker would match everywhere without ever moving on.
    if (marker.empty())
        return text;
    std::string::size_type at = 0;
    while ((at = text.find(marker, at)) != std::string::npos) {
        text.replace(at, marker.size(), value);
        at += value.size();
    }
    return text;
}

}  // namespace pelorus::resources
