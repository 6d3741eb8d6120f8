// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/commandline.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "resources/version.h"

namespace pelorus::app {
namespace {

// Qt's standard options of QGuiApplication, QApplication and the X11 platform: those that
// take a value (as the next argument, or after "="), and those that stand alone. Qt reads
// them with one dash or two.
constexpr std::array<std::string_view, 19> kQtOptionsWithValue{
    "platform",        "platformpluginpath",
    "platformtheme",   "plugin",
    "qwindowgeometry", "qwindowicon",
    "qwindowtitle",    "session",
    "display",         "geometry",
    "style",           "stylesheet",
    "qmljsdebugger",   "name",
    "title",           "visual",
    "ncols",           "dialogs",
    "fontengine"};
constexpr std::array<std::string_view, 7> kQtFlags{"reverse", "widgetcount", "nograb",     "dograb",
                                                   "sync",    "cmap",        "testability"};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

CommandLineRequest readCommandLine(int argc, const char* const* argv) {
    using Kind = CommandLineRequest::Kind;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help")
            return {Kind::Help, {}};
        if (argument == "--version")
            return {Kind::Version, {}};
        std::string_view name = argument;
        if (name.starts_with("--"))
            name.remove_prefix(2);
        else if (name.starts_with("-"))
            name.remove_prefix(1);
        else
            return {Kind::Unknown, std::string(argument)};
        const auto equals = name.find('=');
        const bool valueAttached = equals != std::string_view::npos;
        name = name.substr(0, equals);
        if (listed(kQtOptionsWithValue, name)) {
            if (!valueAttached)
                ++i;  // its value
            continue;
        }
        if (listed(kQtFlags, name) && !valueAttached)
            continue;
        return {Kind::Unknown, std::string(argument)};
    }
    return {};
}

std::string usageText() {
    return "Usage: pelmarin [OPTION]...\n"
           "Pelorus Viewer lists the running processes and ends the selected ones; it opens\n"
           "one process to show its executable, threads, loaded modules and windows, which\n"
           "it can show, hide and raise.\n"
           "\n"
           "  -h, --help     print this help and exit\n"
           "      --version  print the version and exit\n"
           "\n"
           "Qt's standard options are taken as well (-platform NAME, -display DISPLAY,\n"
           "-style STYLE, -reverse...); the manual page pelmarin(1) lists them.\n";
}

std::string versionLine() {
    return resources::titleLine(resources::programVersion()) + "\n";
}

std::string unknownArgumentLine(const std::string& argument) {
    return "pelmarin: unknown option '" + argument + "' (pelmarin --help lists the options)\n";
}

}  // namespace pelorus::app
