// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/pidfdprocesscontrol.h"
#include "platform/linux/procfssource.h"
#include "platform/platform.h"
#include "platform/x11/xcbwindowsystem.h"

namespace pelorus::platform {
namespace {

class NativePlatform final : public Platform {
public:
    ProcessSource& processSource() override { return m_procfs; }
    ProcessControl& processControl() override { return m_control; }
    WindowSystem& windowSystem() override { return m_windows; }

private:
    ProcfsSource m_procfs;
    PidfdProcessControl m_control;
    XcbWindowSystem m_windows;
};

}  // namespace

std::unique_ptr<Platform> makeNativePlatform() {
    return std::make_unique<NativePlatform>();
}

}  // namespace pelorus::platform
