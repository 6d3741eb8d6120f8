// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>

namespace pelorus::app {

/// What the command line asks for before any window opens. The viewer's own options are
/// -h/--help and --version; Qt's standard options (with their values) are left to Qt;
/// anything else is an error. The first argument that decides wins.
struct CommandLineRequest {
    enum class Kind { OpenWindow, Help, Version, Unknown };
    Kind kind = Kind::OpenWindow;
    /// For Unknown: the argument as it was given.
    std::string argument;
};

CommandLineRequest readCommandLine(int argc, const char* const* argv);

/// What --help prints: what the program is, its options, and where Qt's are described.
std::string usageText();

/// What --version prints: the program's name and version as the about box shows them.
std::string versionLine();

/// The line for an argument the program does not know, with a pointer to --help.
std::string unknownArgumentLine(const std::string& argument);

}  // namespace pelorus::app
