// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tests/support/accessibilitybus.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

namespace pelorus::testing {

namespace {

constexpr const char* kLauncher = "/usr/libexec/at-spi-bus-launcher";
constexpr const char* kRegistry = "/usr/libexec/at-spi2-registryd";

/// A session bus that starts no service on demand: only what the test starts is there.
std::string sessionConfiguration(const std::string& directory) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n"
           "  <type>session</type>\n"
           "  <listen>unix:dir=" +
           directory +
           "</listen>\n"
           "  <auth>EXTERNAL</auth>\n"
           "  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n"
           "    <allow own=\"*\"/>\n"
           "  </policy>\n"
           "</busconfig>\n";
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\n");
    return std::string(text.substr(first, last - first + 1));
}

/// Runs dbus-send on `bus` with `arguments`; its reply as printed, nullopt on a failure.
std::optional<std::string> send(const std::string& bus, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"dbus-send", "--bus=" + bus, "--print-reply=literal"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess sender = ChildProcess::startPiped(argv);
    if (sender.pid() <= 0)
        return std::nullopt;
    std::string output;
    const int status = sender.finish(output);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return trimmed(output);
}

}  // namespace

std::unique_ptr<AccessibilityBus> AccessibilityBus::start(const std::string& display) {
    std::unique_ptr<AccessibilityBus> bus(new AccessibilityBus);
    std::string directory = (std::filesystem::temp_directory_path() / "pelorus-a11y-XXXXXX");
    if (::mkdtemp(directory.data()) == nullptr)
        return nullptr;
    bus->m_directory = directory;
    const std::string configuration = directory + "/session.conf";
    std::ofstream(configuration) << sessionConfiguration(directory);

    bus->m_session = ChildProcess::startPiped(
        {"dbus-daemon", "--config-file=" + configuration, "--nofork", "--print-address=1"});
    const auto address = bus->m_session.readLine();
    if (bus->m_session.pid() <= 0 || !address) {
        std::fprintf(stderr, "could not start the test's session bus\n");
        return nullptr;
    }
    bus->m_sessionAddress = *address;

    const std::vector<std::string> environment{"DBUS_SESSION_BUS_ADDRESS=" + bus->m_sessionAddress,
                                               "XDG_RUNTIME_DIR=" + directory, "DISPLAY=" + display,
                                               "GSETTINGS_BACKEND=memory"};
    bus->m_launcher = ChildProcess::start({kLauncher, "--launch-immediately"}, environment);
    const bool launched = PollUntil([&] {
        const auto reply = send(bus->m_sessionAddress, {"--dest=org.a11y.Bus", "/org/a11y/bus",
                                                        "org.a11y.Bus.GetAddress"});
        if (reply && !reply->empty())
            bus->m_address = *reply;
        return !bus->m_address.empty() || bus->m_launcher.reapIfEnded();
    });
    if (!launched || bus->m_address.empty()) {
        std::fprintf(stderr, "could not start the accessibility bus launcher\n");
        return nullptr;
    }

    std::vector<std::string> registryEnvironment = environment;
    registryEnvironment.push_back("AT_SPI_BUS_ADDRESS=" + bus->m_address);
    bus->m_registry = ChildProcess::start({kRegistry}, registryEnvironment);
    const bool registered = PollUntil([&] {
        const auto reply =
            send(bus->m_address,
                 {"--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                  "org.freedesktop.DBus.NameHasOwner", "string:org.a11y.atspi.Registry"});
        return (reply && reply->ends_with("true")) || bus->m_registry.reapIfEnded();
    });
    if (!registered || bus->m_registry.reapIfEnded()) {
        std::fprintf(stderr, "could not start the accessibility registry\n");
        return nullptr;
    }

    // What a screen reader does when it starts.
    if (!send(bus->m_sessionAddress,
              {"--dest=org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties.Set",
               "string:org.a11y.Status", "string:ScreenReaderEnabled", "variant:boolean:true"})) {
        std::fprintf(stderr, "could not say that a screen reader is on\n");
        return nullptr;
    }
    return bus;
}

AccessibilityBus::~AccessibilityBus() {
    m_registry.end();
    // The launcher ends the accessibility bus it started.
    m_launcher.end();
    m_session.end();
    if (!m_directory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }
}

}  // namespace pelorus::testing
