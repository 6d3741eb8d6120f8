// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tests/wayland/swayfixture.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pelorus::testing {
namespace {

constexpr uid_t kNobody = 65534;

std::string makeDirectory(uid_t owner) {
    char pattern[] = "/tmp/pelorus-sway-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        return {};
    if (::geteuid() == 0 && ::chown(pattern, owner, owner) != 0)
        return {};
    return pattern;
}

std::string firstEntry(const std::string& directory, const std::string& prefix) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && !name.ends_with(".lock"))
            return entry.path().string();
    }
    return {};
}

std::string swaymsg(const std::string& socket, const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"swaymsg", "-s", socket, "-r"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto process = ChildProcess::startPiped(argv);
    std::string output;
    if (process.pid() > 0)
        process.finish(output);
    return output;
}

void collect(const nlohmann::json& node, const std::string& workspace,
             std::vector<SwayWindow>& windows) {
    const std::string type = node.value("type", "");
    const std::string here = type == "workspace" ? node.value("name", "") : workspace;
    if ((type == "con" || type == "floating_con") && node.contains("shell")) {
        SwayWindow window;
        window.id = node.value("id", 0U);
        window.pid = node.value("pid", std::int64_t{0});
        window.name = node["name"].is_string() ? node["name"].get<std::string>() : "";
        window.appId = node["app_id"].is_string() ? node["app_id"].get<std::string>() : "";
        window.shell = node.value("shell", "");
        window.type = type;
        window.workspace = here;
        window.border = node.value("border", "");
        window.visible = node.value("visible", false);
        window.focused = node.value("focused", false);
        window.x = node["rect"].value("x", std::int64_t{0});
        window.y = node["rect"].value("y", std::int64_t{0});
        windows.push_back(window);
        return;
    }
    for (const char* list : {"nodes", "floating_nodes"}) {
        if (node.contains(list)) {
            for (const auto& child : node[list])
                collect(child, here, windows);
        }
    }
}

const nlohmann::json* findWorkspace(const nlohmann::json& node, const std::string& name) {
    if (node.value("type", "") == "workspace" && node.value("name", "") == name)
        return &node;
    if (node.contains("nodes")) {
        for (const auto& child : node["nodes"]) {
            if (const auto* found = findWorkspace(child, name))
                return found;
        }
    }
    return nullptr;
}

void tiledIn(const nlohmann::json& node, std::vector<std::uint32_t>& ids) {
    if (node.contains("shell")) {
        ids.push_back(node.value("id", 0U));
        return;
    }
    if (node.contains("nodes")) {
        for (const auto& child : node["nodes"])
            tiledIn(child, ids);
    }
}

/// The first child of process `pid`, 0 when it has none.
pid_t firstChild(pid_t pid) {
    std::ifstream children("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                           "/children");
    pid_t child = 0;
    children >> child;
    return child;
}

/// Lets root's clients in to the X server on `display` that `user` runs: Xwayland takes
/// only its own user's local clients. Asked as that user, from a child of the test.
bool admitRoot(const std::string& display, uid_t user) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setresgid(user, user, user) != 0 || ::setresuid(user, user, user) != 0)
            ::_exit(2);
        xcb_connection_t* x = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(x) != 0)
            ::_exit(3);
        static constexpr char kRoot[] = "localuser\0root";
        xcb_generic_error_t* error = xcb_request_check(
            x, xcb_change_hosts_checked(x, XCB_HOST_MODE_INSERT, XCB_FAMILY_SERVER_INTERPRETED,
                                        sizeof(kRoot) - 1,
                                        reinterpret_cast<const std::uint8_t*>(kRoot)));
        xcb_disconnect(x);
        ::_exit(error == nullptr ? 0 : 4);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

}  // namespace

std::unique_ptr<SwayServer> SwayServer::start(const Options& options) {
    std::unique_ptr<SwayServer> server(new SwayServer);
    const bool root = ::geteuid() == 0;
    server->m_runtime = makeDirectory(root ? kNobody : ::geteuid());
    server->m_clientRuntime = makeDirectory(::geteuid());
    if (server->m_runtime.empty() || server->m_clientRuntime.empty())
        return nullptr;
    ::chmod(server->m_runtime.c_str(), 0700);
    const std::string config = server->m_runtime + "/config";
    {
        std::ofstream file(config);
        file << (options.xwayland ? "xwayland enable\n" : "xwayland disable\n");
        if (options.xwayland)
            file << "exec echo $DISPLAY > " << server->m_runtime << "/display.tmp && mv "
                 << server->m_runtime << "/display.tmp " << server->m_runtime << "/display\n";
    }
    if (root)
        ::chown(config.c_str(), kNobody, kNobody);

    std::vector<std::string> argv;
    if (options.ownPidNamespace)
        argv = {"unshare", "--pid", "--fork", "--mount-proc", "--kill-child"};
    if (root) {
        const std::string id = std::to_string(kNobody);
        argv.insert(argv.end(),
                    {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "--"});
    }
    // Nothing of the test's own session reaches the compositor: no display to nest in, a
    // runtime directory of its own, the headless backend.
    argv.insert(argv.end(),
                {"env", "-i", "PATH=/usr/local/bin:/usr/bin:/bin", "HOME=" + server->m_runtime,
                 "XDG_RUNTIME_DIR=" + server->m_runtime, "WLR_BACKENDS=headless",
                 "WLR_RENDERER=pixman", "WLR_LIBINPUT_NO_DEVICES=1"});
    if (!options.socket.empty())
        argv.push_back("SWAYSOCK=" + options.socket);
    // Its log goes to a file of the runtime directory, not into the test's output.
    argv.insert(argv.end(),
                {"sh", "-c", "exec \"$0\" \"$@\" 2>\"$HOME/log\"", "sway", "-c", config});
    server->m_namespaced = options.ownPidNamespace;
    server->m_sway = ChildProcess::start(argv);
    if (server->m_sway.pid() <= 0)
        return nullptr;

    const bool ready = PollUntil([&] {
        if (server->m_sway.reapIfEnded())
            return true;
        server->m_socket =
            options.socket.empty() ? firstEntry(server->m_runtime, "sway-ipc.") : options.socket;
        server->m_wayland = firstEntry(server->m_runtime, "wayland-");
        if (server->m_socket.empty() || server->m_wayland.empty() ||
            !std::filesystem::exists(server->m_socket)) {
            return false;
        }
        if (swaymsg(server->m_socket, {"-t", "get_version"}).find("\"major\"") ==
            std::string::npos) {
            return false;
        }
        if (!options.xwayland)
            return true;
        std::ifstream display(server->m_runtime + "/display");
        return static_cast<bool>(std::getline(display, server->m_xDisplay)) &&
               !server->m_xDisplay.empty();
    });
    if (!ready || server->m_sway.reapIfEnded())
        return nullptr;
    if (options.xwayland && root && !admitRoot(server->m_xDisplay, kNobody))
        return nullptr;
    return server;
}

pid_t SwayServer::pid() const {
    return m_namespaced ? firstChild(m_sway.pid()) : m_sway.pid();
}

void SwayServer::stop() {
    // The end of the first process of a PID namespace ends every process in it, the
    // clients the test started there too (nothing else would: they run as another user,
    // or under nsenter, and outlive their parents).
    if (m_namespaced && !m_sway.reapIfEnded()) {
        if (const pid_t first = firstChild(m_sway.pid()); first > 0)
            ::kill(first, SIGKILL);
    }
    m_sway.end();
}

SwayServer::~SwayServer() {
    stop();
    std::error_code error;
    if (!m_runtime.empty())
        std::filesystem::remove_all(m_runtime, error);
    if (!m_clientRuntime.empty())
        std::filesystem::remove_all(m_clientRuntime, error);
}

std::vector<std::string> SwayServer::clientEnvironment() const {
    return {"WAYLAND_DISPLAY=" + m_wayland, "XDG_RUNTIME_DIR=" + m_clientRuntime,
            "QT_QPA_PLATFORM=wayland"};
}

nlohmann::json SwayServer::tree() const {
    return nlohmann::json::parse(swaymsg(m_socket, {"-t", "get_tree"}), nullptr, false);
}

bool SwayServer::command(const std::string& command) const {
    const auto results = nlohmann::json::parse(swaymsg(m_socket, {command}), nullptr, false);
    if (!results.is_array() || results.empty())
        return false;
    for (const auto& result : results) {
        if (!result.value("success", false))
            return false;
    }
    return true;
}

std::vector<SwayWindow> swayWindows(const nlohmann::json& tree) {
    std::vector<SwayWindow> windows;
    if (tree.is_object())
        collect(tree, {}, windows);
    return windows;
}

std::vector<SwayWindow> swayWindowsOf(const nlohmann::json& tree, std::int64_t pid) {
    std::vector<SwayWindow> windows = swayWindows(tree);
    std::erase_if(windows, [pid](const SwayWindow& window) { return window.pid != pid; });
    return windows;
}

std::vector<std::uint32_t> tiledOrder(const nlohmann::json& tree, const std::string& workspace) {
    std::vector<std::uint32_t> ids;
    if (const auto* found = tree.is_object() ? findWorkspace(tree, workspace) : nullptr)
        tiledIn(*found, ids);
    return ids;
}

ChildProcess startWaylandClient(const SwayServer& sway, int tiled, int floating,
                                const std::string& prefix) {
    auto client = ChildProcess::start(
        {PELORUS_WAYLAND_TESTCLIENT, std::to_string(tiled), std::to_string(floating), prefix},
        sway.clientEnvironment());
    if (client.pid() <= 0)
        return client;
    const auto expected = static_cast<std::size_t>(tiled + floating);
    const bool listed = PollUntil([&] {
        return client.reapIfEnded() || swayWindowsOf(sway.tree(), client.pid()).size() == expected;
    });
    if (!listed || client.reapIfEnded())
        return {};
    return client;
}

}  // namespace pelorus::testing
