// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <map>
#include <span>
#include <vector>

#include "platform/windowsystem.h"

namespace pelorus::testing {

/// A fixed hierarchy of numbered windows, each with its owner and texts. Windows that
/// are not described have no children, no owner and no texts, as windows that have gone.
class StubWindowSystem final : public platform::WindowSystem {
public:
    platform::WindowHandle desktop() override { return desktopWindow; }
    std::vector<std::vector<platform::WindowHandle>> children(
        std::span<const platform::WindowHandle> parents) override {
        std::vector<std::vector<platform::WindowHandle>> answers;
        for (auto parent : parents)
            answers.push_back(childrenOf[parent]);
        return answers;
    }
    std::vector<platform::Pid> owners(std::span<const platform::WindowHandle> windows) override {
        std::vector<platform::Pid> answers;
        for (auto window : windows)
            answers.push_back(ownerOf[window]);
        return answers;
    }
    std::vector<platform::WindowText> texts(
        std::span<const platform::WindowHandle> windows) override {
        std::vector<platform::WindowText> answers;
        if (answerNoTexts)
            return answers;
        for (auto window : windows)
            answers.push_back(textOf[window]);
        return answers;
    }
    platform::WindowPlacement placement(platform::WindowHandle) override { return {}; }
    void setPlacement(platform::WindowHandle, const platform::WindowPlacement&) override {}
    void raise(platform::WindowHandle) override {}

    platform::WindowHandle desktopWindow = 1;
    std::map<platform::WindowHandle, std::vector<platform::WindowHandle>> childrenOf;
    std::map<platform::WindowHandle, platform::Pid> ownerOf;
    std::map<platform::WindowHandle, platform::WindowText> textOf;
    /// Answers every text question with nothing at all (a broken window system).
    bool answerNoTexts = false;
};

}  // namespace pelorus::testing
