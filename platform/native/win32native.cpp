// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/platform.h"
#include "platform/win32/toolhelpsource.h"
#include "platform/win32/user32windowsystem.h"
#include "platform/win32/win32processcontrol.h"

namespace pelorus::platform {
namespace {

class NativePlatform final : public Platform {
public:
    ProcessSource& processSource() override { return m_toolHelp; }
    ProcessControl& processControl() override { return m_control; }
    WindowSystem& windowSystem() override { return m_windows; }

private:
    win32::ToolHelpSource m_toolHelp;
    win32::Win32ProcessControl m_control;
    win32::User32WindowSystem m_windows;
};

}  // namespace

std::unique_ptr<Platform> makeNativePlatform() {
    return std::make_unique<NativePlatform>();
}

}  // namespace pelorus::platform
