// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/platform.h"

namespace pelorus::platform {
namespace {

class NullPlatform final : public Platform, ProcessSource, ProcessControl, WindowSystem {
public:
    ProcessSource& processSource() override { return *this; }
    ProcessControl& processControl() override { return *this; }
    WindowSystem& windowSystem() override { return *this; }

private:
    std::unique_ptr<Snapshot<ProcessEntry>> processes() override {
        return makeEmptySnapshot<ProcessEntry>();
    }
    std::unique_ptr<OpenedProcess> open(Pid, StartTime) override { return nullptr; }
    PathConvention pathConvention() const override { return kLinuxPaths; }
    TerminateResult terminate(Pid pid, StartTime) override {
        return pid <= 0 ? TerminateResult::InvalidPid : TerminateResult::NoSuchProcess;
    }
    WindowHandle desktop() override { return 0; }
    std::vector<std::vector<WindowHandle>> children(
        std::span<const WindowHandle> parents) override {
        return std::vector<std::vector<WindowHandle>>(parents.size());
    }
    std::vector<Pid> owners(std::span<const WindowHandle> windows) override {
        return std::vector<Pid>(windows.size(), 0);
    }
    std::vector<WindowText> texts(std::span<const WindowHandle> windows) override {
        return std::vector<WindowText>(windows.size());
    }
    bool show(WindowHandle, const WindowCheck&) override { return false; }
    bool hide(WindowHandle, const WindowCheck&) override { return false; }
    bool raise(WindowHandle, const WindowCheck&) override { return false; }
};

}  // namespace

std::unique_ptr<Platform> makeNullPlatform() {
    return std::make_unique<NullPlatform>();
}

}  // namespace pelorus::platform
