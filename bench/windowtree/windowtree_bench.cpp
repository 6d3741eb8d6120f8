// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors

// The window walk on a tree of 10,000 windows of one client, measured in one run beside
//  - a reference walk written directly in xcb that sends every request of a tree level
//    (children, WM_NAME, _NET_WM_NAME, WM_CLASS, client ids) before reading any reply;
//  - `xwininfo -root -tree`, which asks window by window.
// The ratios are printed at the end; the walk is meant to stay within 1.5x of the
// reference.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "details/windowtree.h"
#include "platform/x11/xcbwindowsystem.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/xserver.h"

extern char** environ;

namespace {

/// 10 top-levels, each with 9 children of 10 children of 10 children: 10,000 windows.
constexpr int kTopLevels = 10;
constexpr int kFanOut[] = {9, 10, 10};
constexpr int kWindows = 10000;

struct Bench {
    std::unique_ptr<pelorus::testing::XServer> server;
    xcb_connection_t* x = nullptr;
};

xcb_atom_t Intern(xcb_connection_t* x, const char* name) {
    auto* reply = xcb_intern_atom_reply(
        x, xcb_intern_atom(x, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

int CreateTree(xcb_connection_t* x) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const xcb_atom_t netName = Intern(x, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Intern(x, "UTF8_STRING");
    int count = 0;
    const auto make = [&](xcb_window_t parent, int index) {
        const xcb_window_t window = xcb_generate_id(x);
        xcb_create_window(x, XCB_COPY_FROM_PARENT, window, parent, static_cast<std::int16_t>(index),
                          0, 20, 20, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0,
                          nullptr);
        const std::string title = "window " + std::to_string(++count);
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, window, netName, utf8, 8,
                            static_cast<std::uint32_t>(title.size()), title.data());
        static constexpr char kClass[] = "bench\0Bench";
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            sizeof kClass, kClass);
        return window;
    };
    std::vector<xcb_window_t> level;
    for (int i = 0; i < kTopLevels; ++i)
        level.push_back(make(screen->root, i));
    for (const int fanOut : kFanOut) {
        std::vector<xcb_window_t> next;
        for (const xcb_window_t parent : level) {
            for (int i = 0; i < fanOut; ++i)
                next.push_back(make(parent, i));
            xcb_map_subwindows(x, parent);
        }
        level = std::move(next);
    }
    xcb_map_subwindows(x, screen->root);
    std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
    return count;
}

Bench& TheBench() {
    static Bench bench;  // built once for all three measurements
    return bench;
}

void BM_ViewerWalk(benchmark::State& state) {
    pelorus::platform::XcbWindowSystem windows(TheBench().server->display());
    pelorus::testing::FakeWindowTree tree;
    for (auto _ : state) {
        pelorus::details::buildWindowTree(windows, tree, getpid(), "bench");
    }
    if (tree.nodeCount() != kWindows + 1)
        state.SkipWithError("the walk missed windows");
}

void BM_ReferenceWalk(benchmark::State& state) {
    xcb_connection_t* x = xcb_connect(TheBench().server->display().c_str(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const xcb_atom_t netName = Intern(x, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Intern(x, "UTF8_STRING");
    std::size_t seen = 0;
    for (auto _ : state) {
        seen = 0;
        std::vector<xcb_window_t> level{root};
        while (!level.empty()) {
            struct Cookies {
                xcb_query_tree_cookie_t tree;
                xcb_get_property_cookie_t name, netName, wmClass;
                xcb_res_query_client_ids_cookie_t ids;
            };
            std::vector<Cookies> cookies;
            cookies.reserve(level.size());
            for (const xcb_window_t window : level) {
                const xcb_res_client_id_spec_t query{window,
                                                     XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
                cookies.push_back({xcb_query_tree_unchecked(x, window),
                                   xcb_get_property_unchecked(x, 0, window, XCB_ATOM_WM_NAME,
                                                              XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                   xcb_get_property_unchecked(x, 0, window, netName, utf8, 0, 256),
                                   xcb_get_property_unchecked(x, 0, window, XCB_ATOM_WM_CLASS,
                                                              XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                   xcb_res_query_client_ids_unchecked(x, 1, &query)});
            }
            std::vector<xcb_window_t> next;
            for (const auto& c : cookies) {
                auto* tree = xcb_query_tree_reply(x, c.tree, nullptr);
                if (tree != nullptr) {
                    const xcb_window_t* kids = xcb_query_tree_children(tree);
                    next.insert(next.end(), kids, kids + xcb_query_tree_children_length(tree));
                }
                std::free(tree);
                std::free(xcb_get_property_reply(x, c.name, nullptr));
                std::free(xcb_get_property_reply(x, c.netName, nullptr));
                std::free(xcb_get_property_reply(x, c.wmClass, nullptr));
                std::free(xcb_res_query_client_ids_reply(x, c.ids, nullptr));
            }
            seen += next.size();
            level = std::move(next);
        }
    }
    xcb_disconnect(x);
    if (seen != static_cast<std::size_t>(kWindows))
        state.SkipWithError("the walk missed windows");
}

void BM_Xwininfo(benchmark::State& state) {
    const std::string display = "DISPLAY=" + TheBench().server->display();
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0)
            environment.emplace_back(*entry);
    }
    environment.push_back(display);
    std::vector<char*> env;
    for (auto& entry : environment)
        env.push_back(entry.data());
    env.push_back(nullptr);
    char program[] = "xwininfo";
    char rootArg[] = "-root";
    char treeArg[] = "-tree";
    char* argv[] = {program, rootArg, treeArg, nullptr};
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        const int error = posix_spawnp(&pid, program, &actions, nullptr, argv, env.data());
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            state.SkipWithError("xwininfo cannot be started");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

BENCHMARK(BM_ViewerWalk)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ReferenceWalk)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Xwininfo)->Unit(benchmark::kMillisecond)->MinTime(0.5);

/// Prints as usual and keeps each benchmark's median time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (!run.error_occurred && run.aggregate_name == "median") {
                times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    // The machine may be busy: the three walks take turns, and medians are compared.
    // Flags given on the command line come later and win.
    std::vector<char*> args{argv[0]};
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string repetitions = "--benchmark_repetitions=7";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.insert(args.end(), {interleave.data(), repetitions.data(), aggregates.data()});
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    Bench& bench = TheBench();
    bench.server = pelorus::testing::XServer::start(false);
    if (bench.server == nullptr) {
        std::fprintf(stderr, "Xvfb cannot be started\n");
        return 1;
    }
    bench.x = xcb_connect(bench.server->display().c_str(), nullptr);
    const int made = CreateTree(bench.x);
    std::printf("X server %s, %d windows of process %d\n", bench.server->display().c_str(), made,
                static_cast<int>(getpid()));

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double viewer = reporter.times["BM_ViewerWalk"];
    const double reference = reporter.times["BM_ReferenceWalk"];
    const double xwininfo = reporter.times["BM_Xwininfo"];
    if (reference > 0) {
        std::printf("viewer walk / reference walk: %.2f (target: at most 1.50)\n",
                    viewer / reference);
        std::printf("xwininfo -root -tree / reference walk: %.2f\n", xwininfo / reference);
    }
    xcb_disconnect(bench.x);
    bench.server.reset();
    benchmark::Shutdown();
    return 0;
}
