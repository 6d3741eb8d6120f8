// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/formatting.h"

#include "platform/text/escaping.h"
#include "platform/types.h"
#include "resources/strings.h"

namespace pelorus::resources {

namespace {

/// A window text as it is shown: held to the window texts' length once escaped. The
/// window system gives valid, cut texts; shownText keeps any other bytes harmless too.
std::string windowTextPart(std::string_view text) {
    return shownText(text, platform::MaxWindowTextLength);
}

}  // namespace

std::string PriorityText(std::int32_t priority) {
    switch (priority) {
        case 4:
            return LoadString(StringId::PriorityIdle);
        case 8:
            return LoadString(StringId::PriorityNormal);
        case 13:
            return LoadString(StringId::PriorityHigh);
        case 24:
            return LoadString(StringId::PriorityRealtime);
        default:
            return replaceAll(LoadString(StringId::PriorityOther), "$", std::to_string(priority));
    }
}

std::string WindowCaption(std::string_view title, std::string_view className,
                          std::uint32_t handle) {
    const std::string shownTitle = windowTextPart(title);
    std::string caption;
    if (!shownTitle.empty()) {
        caption.append(shownTitle);
        caption.push_back(' ');
    }
    caption.push_back('(');
    caption.append(windowTextPart(className));
    caption.append(")   (");
    caption.append(std::to_string(static_cast<std::int32_t>(handle)));
    caption.push_back(')');
    return caption;
}

std::string shownText(std::string_view text, std::size_t limit) {
    return text::shownText(text, limit, LoadString(StringId::CutMarker));
}

}  // namespace pelorus::resources
