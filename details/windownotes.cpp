// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windownotes.h"

#include <string>

#include "resources/formatting.h"
#include "resources/strings.h"

namespace pelorus::details {
namespace {

resources::StringId reasonText(platform::UnseenWindows unseen) {
    switch (unseen) {
        case platform::UnseenWindows::NativeWindowsUnseen:
            return resources::StringId::NativeWindowsUnseen;
        case platform::UnseenWindows::CompositorSilent:
            return resources::StringId::CompositorSilent;
        case platform::UnseenWindows::CompositorPidsForeign:
            break;
    }
    return resources::StringId::CompositorPidsForeign;
}

}  // namespace

void addUnseenWindowNotes(platform::WindowSystem& windows, platform::WindowTree& TFRM,
                          platform::Pid pid) {
    std::string RootKey = "M";
    RootKey += resources::keyHex(static_cast<std::uint32_t>(pid));
    for (const platform::UnseenWindows unseen : windows.unseenWindows()) {
        const resources::StringId text = reasonText(unseen);
        const std::string key = "N-" + std::to_string(static_cast<int>(text));
        // A reason given twice is refused by its key, and shown once.
        TFRM.addNode(RootKey, key, resources::LoadString(text), 0);
    }
}

}  // namespace pelorus::details
