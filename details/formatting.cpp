// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/formatting.h"

#include <array>

#include "platform/utf8.h"
#include "resources/strings.h"

namespace pelorus::details {

namespace {

/// The most a window title or class name may show, in code points.
constexpr std::size_t kMaxWindowText = 254;

/// `text` as valid UTF-8 of at most kMaxWindowText code points, never cut inside one.
std::string WindowTextPart(std::string_view text) {
    return platform::SanitizeUtf8(text, kMaxWindowText);
}

}  // namespace

std::string HexHandle(std::int32_t value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    auto bits = static_cast<std::uint32_t>(value);
    std::string text(8, '0');
    for (auto digit = text.rbegin(); digit != text.rend(); ++digit, bits >>= 4) {
        *digit = kDigits[bits & 0xF];
    }
    return text;
}

std::string PriorityText(std::int32_t priority) {
    switch (priority) {
        case 4:
            return resources::LoadString(330);
        case 8:
            return resources::LoadString(331);
        case 13:
            return resources::LoadString(332);
        case 24:
            return resources::LoadString(333);
        default:
            return resources::ReplaceAll(resources::LoadString(334), "$", std::to_string(priority));
    }
}

std::string FormatWindowCaption(std::string_view title, std::string_view className,
                                platform::WindowHandle handle) {
    // The window system promises valid, cut texts; held to that here as well, since a
    // node text that is not UTF-8 or runs on without end would reach the tree control.
    const std::string shownTitle = WindowTextPart(title);
    std::string caption;
    if (!shownTitle.empty()) {
        caption.append(shownTitle);
        caption.push_back(' ');
    }
    caption.push_back('(');
    caption.append(WindowTextPart(className));
    caption.append(")   (");
    caption.append(std::to_string(static_cast<std::int32_t>(handle)));
    caption.push_back(')');
    return caption;
}

std::string WindowCaption(platform::WindowSystem& windows, platform::WindowHandle handle) {
    const std::array<platform::WindowHandle, 1> question{handle};
    const std::vector<platform::WindowText> answers = windows.texts(question);
    // A window system that answers nothing: the window has gone.
    if (answers.empty()) {
        return FormatWindowCaption({}, {}, handle);
    }
    return FormatWindowCaption(answers.front().title, answers.front().className, handle);
}

std::string KeyHex(std::uint32_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

}  // namespace pelorus::details
