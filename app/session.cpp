// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/session.h"

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "resources/strings.h"

namespace pelorus::app {
namespace {

std::string environmentText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

/// The value of Qt option `option` ("-platform value", "--platform value" or
/// "-platform=value"), or `fallback` when the command line has none.
std::string optionValue(int argc, char** argv, const char* option, std::string fallback) {
    const std::size_t length = std::strlen(option);
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] == '-' && argument[1] == '-')
            ++argument;
        if (std::strncmp(argument, option, length) != 0)
            continue;
        if (argument[length] == '=')
            fallback = argument + length + 1;
        else if (argument[length] == '\0' && i + 1 < argc)
            fallback = argv[i + 1];
    }
    return fallback;
}

bool waylandPluginInstalled() {
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                         QStringLiteral("/platforms"));
    return !platforms.entryList({QStringLiteral("*qwayland*")}, QDir::Files).isEmpty();
}

}  // namespace

SessionEnvironment readSessionEnvironment(int argc, char** argv) {
    SessionEnvironment session;
    session.platform = optionValue(argc, argv, "-platform", environmentText("QT_QPA_PLATFORM"));
    session.display = optionValue(argc, argv, "-display", environmentText("DISPLAY"));
    session.waylandDisplay = environmentText("WAYLAND_DISPLAY");
    session.runtimeDirectory = environmentText("XDG_RUNTIME_DIR");
    session.waylandPlatformInstalled = waylandPluginInstalled();
    return session;
}

std::string waylandSocket(const SessionEnvironment& session) {
    const std::string name =
        session.waylandDisplay.empty() ? std::string("wayland-0") : session.waylandDisplay;
    if (name.starts_with('/') || session.runtimeDirectory.empty())
        return name;
    return session.runtimeDirectory + "/" + name;
}

SessionChoice chooseSession(const SessionEnvironment& session,
                            const std::function<bool(const std::string&)>& xServerAnswers,
                            const std::function<bool(const std::string&)>& compositorAnswers) {
    // A platform other than X11 and Wayland named outright (offscreen, vnc...) is Qt's to
    // open; X11 and Wayland are checked here. Qt tries the platforms of a list in turn.
    std::istringstream names(session.platform);
    bool xcbNamed = false;
    bool waylandNamed = false;
    for (std::string name; std::getline(names, name, ';');) {
        if (name == "xcb")
            xcbNamed = true;
        else if (name.starts_with("wayland"))
            waylandNamed = true;
        else if (!name.empty())
            return {};
    }
    const std::string socket = waylandSocket(session);
    if (waylandNamed && compositorAnswers(socket))
        return {};
    if ((!waylandNamed || xcbNamed) && !session.display.empty() &&
        xServerAnswers(session.display)) {
        return {};
    }
    // No X server: a Wayland session still has a place for the window, when its
    // compositor answers. Qt left to itself would try X11 unless the session type says
    // Wayland, so it is asked for.
    const bool waylandSession = !xcbNamed && !waylandNamed && !session.waylandDisplay.empty();
    const bool compositorFound = waylandSession && compositorAnswers(socket);
    if (compositorFound && session.waylandPlatformInstalled)
        return {"wayland", {}};

    std::vector<std::string> found;
    if (waylandNamed) {
        found.push_back(resources::replaceAll(
            resources::LoadString(resources::StringId::WaylandCompositorMissing), "$", socket));
    }
    if (!waylandNamed || xcbNamed) {
        if (session.display.empty())
            found.emplace_back("DISPLAY is not set");
        else
            found.push_back("the X server of DISPLAY=" + session.display + " does not answer");
    }
    if (waylandSession && !compositorFound) {
        found.push_back(
            resources::replaceAll(resources::LoadString(resources::StringId::WaylandDisplaySilent),
                                  "$", session.waylandDisplay));
    } else if (waylandSession) {
        found.emplace_back("Qt's Wayland platform is not installed (Debian package qt6-wayland)");
    } else if (session.waylandDisplay.empty() && !xcbNamed && !waylandNamed) {
        found.emplace_back("WAYLAND_DISPLAY is not set");
    }
    std::string missing;
    for (const std::string& part : found)
        missing += (missing.empty() ? "" : ", and ") + part;
    return {{},
            "pelmarin: Pelorus Viewer needs a graphical session to open its window, and found "
            "none: " +
                missing +
                ".\n"
                "Start it from a desktop session (X11 or Wayland), or set DISPLAY to a running "
                "X server or WAYLAND_DISPLAY to a running Wayland compositor.\n"
                "On a machine without a screen, start a virtual X server and use it:\n"
                "    Xvfb :99 &\n"
                "    DISPLAY=:99 pelmarin\n"};
}

}  // namespace pelorus::app
