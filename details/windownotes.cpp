// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windownotes.h"

#include <string>

#include "details/windowtree.h"
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

void addUnseenWindowNotes(platform::WindowSystem& windows, platform::WindowTree& TFRM) {
    for (const platform::UnseenWindows unseen : windows.unseenWindows()) {
        const resources::StringId text = reasonText(unseen);
        // A reason given twice is refused by its key, and shown once.
        addWindowNote(TFRM, std::to_string(static_cast<int>(text)), resources::LoadString(text));
    }
}

}  // namespace pelorus::details
