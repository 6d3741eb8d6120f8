// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/sway/swaytree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using pelorus::platform::sway::commandResults;
using pelorus::platform::sway::criteria;
using pelorus::platform::sway::parseTree;
using pelorus::platform::sway::quoted;

// The shape of sway 1.7's GET_TREE: the scratchpad's output first, a workspace with a
// split holding two clients beside a third, a floating client, an Xwayland window, and a
// client waiting in the scratchpad.
constexpr const char* kTree = R"({
  "id": 1, "type": "root", "name": "root", "nodes": [
    {"id": 2147483647, "type": "output", "name": "__i3", "nodes": [
      {"id": 2147483646, "type": "workspace", "name": "__i3_scratch", "nodes": [],
       "floating_nodes": [
        {"id": 12, "type": "floating_con", "name": "waiting", "pid": 300, "app_id": "w",
         "shell": "xdg_shell", "visible": false, "fullscreen_mode": 0,
         "rect": {"x": 40, "y": 60, "width": 200, "height": 177},
         "deco_rect": {"x": 0, "y": 0, "width": 0, "height": 0}}]}]},
    {"id": 3, "type": "output", "name": "HEADLESS-1", "nodes": [
      {"id": 4, "type": "workspace", "name": "one", "nodes": [
        {"id": 5, "type": "con", "name": null, "layout": "splitv", "nodes": [
          {"id": 6, "type": "con", "name": "top", "pid": 300, "app_id": "a",
           "shell": "xdg_shell", "focused": true, "fullscreen_mode": 0,
           "rect": {"x": 0, "y": 25, "width": 640, "height": 335},
           "deco_rect": {"x": 0, "y": 0, "width": 640, "height": 25}},
          {"id": 7, "type": "con", "name": "bottom", "pid": 301, "app_id": "b",
           "shell": "xdg_shell", "fullscreen_mode": 1}]},
        {"id": 8, "type": "con", "name": "x window", "pid": 302, "app_id": null,
         "shell": "xwayland", "window": 2097153}],
       "floating_nodes": [
        {"id": 9, "type": "floating_con", "name": "float", "pid": 300, "app_id": "f",
         "shell": "xdg_shell",
         "rect": {"x": 100, "y": 145, "width": 204, "height": 152},
         "deco_rect": {"x": 100, "y": 120, "width": 204, "height": 25}}]}]}]})";

TEST(SwayTree, WindowsComeInTheTreesOrderWithTheirPlaces) {
    const auto tree = parseTree(kTree);
    ASSERT_TRUE(tree.has_value());
    EXPECT_EQ(tree->rootId, 1U);
    struct Expected {
        std::uint32_t id;
        int pid;
        bool native;
        std::string name;
        std::string appId;
        bool hidden;
        bool fullscreen;
        std::string workspace;
        bool floating;
        int x;
        int y;
        std::uint32_t before;
        std::uint32_t after;
    };
    const std::vector<Expected> expected{
        {12, 300, true, "waiting", "w", true, false, "__i3_scratch", true, 40, 60, 0, 0},
        {6, 300, true, "top", "a", false, false, "one", false, 0, 0, 0, 7},
        {7, 301, true, "bottom", "b", false, true, "one", false, 0, 0, 6, 0},
        {8, 302, false, "x window", "", false, false, "one", false, 0, 0, 5, 0},
        {9, 300, true, "float", "f", false, false, "one", true, 100, 120, 0, 0},
    };
    ASSERT_EQ(tree->windows.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& window = tree->windows[i];
        const auto& want = expected[i];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(window.id, want.id);
        EXPECT_EQ(window.pid, want.pid);
        EXPECT_EQ(window.native, want.native);
        EXPECT_EQ(window.name, want.name);
        EXPECT_EQ(window.appId, want.appId);
        EXPECT_EQ(window.hidden, want.hidden);
        EXPECT_EQ(window.fullscreen, want.fullscreen);
        EXPECT_EQ(window.place.workspace, want.workspace);
        EXPECT_EQ(window.place.floating, want.floating);
        EXPECT_EQ(window.place.before, want.before);
        EXPECT_EQ(window.place.after, want.after);
        if (want.floating) {
            EXPECT_EQ(window.place.x, want.x);
            EXPECT_EQ(window.place.y, want.y);
        }
    }
    EXPECT_TRUE(tree->windows[1].focused);
}

// Whatever the compositor sends, the reader answers: a field of another type reads as
// absent, an id a handle cannot carry leaves its window out, no JSON is no tree.
TEST(SwayTree, OddAnswersAreReadWithoutFault) {
    struct Case {
        const char* what;
        std::string json;
        bool parses;
        std::size_t windows;
        int firstPid;
    };
    const auto root = [](const std::string& child) {
        return R"({"id": 1, "type": "root", "nodes": [)" + child + "]}";
    };
    const std::vector<Case> cases{
        {"not JSON", "{\"id\": 1, \"type\": \"root\"", false, 0, 0},
        {"an empty answer", "", false, 0, 0},
        {"an array", "[]", false, 0, 0},
        {"no root", R"({"id": 1, "type": "output"})", false, 0, 0},
        {"a PID as text", root(R"({"id": 5, "type": "con", "shell": "xdg_shell", "pid": "7"})"),
         true, 1, 0},
        {"a negative PID", root(R"({"id": 5, "type": "con", "shell": "xdg_shell", "pid": -4})"),
         true, 1, 0},
        {"a PID past 32 bits",
         root(R"({"id": 5, "type": "con", "shell": "xdg_shell", "pid": 4294967297})"), true, 1, 0},
        {"an id with the top bit",
         root(R"({"id": 2147483648, "type": "con", "shell": "xdg_shell", "pid": 7})"), true, 0, 0},
        {"no id", root(R"({"type": "con", "shell": "xdg_shell", "pid": 7})"), true, 0, 0},
        {"nodes that are no list", root(R"({"id": 5, "type": "workspace", "nodes": 3})"), true, 0,
         0},
        {"a title that is a number",
         root(R"({"id": 5, "type": "con", "shell": "xdg_shell", "pid": 7, "name": 9})"), true, 1,
         7},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        const auto tree = parseTree(test.json);
        ASSERT_EQ(tree.has_value(), test.parses);
        if (!tree)
            continue;
        ASSERT_EQ(tree->windows.size(), test.windows);
        if (test.windows > 0) {
            EXPECT_EQ(tree->windows.front().pid, test.firstPid);
        }
    }
}

TEST(SwayTree, ADeepTreeIsWalkedWithoutRecursion) {
    // Far deeper than the call stack of a recursive walk would survive.
    constexpr int kDepth = 200000;
    std::string json = R"({"id": 1, "type": "root", "nodes": [)";
    for (int i = 0; i < kDepth; ++i)
        json += R"({"id": 2, "type": "con", "nodes": [)";
    json += R"({"id": 3, "type": "con", "shell": "xdg_shell", "pid": 9})";
    for (int i = 0; i < kDepth; ++i)
        json += "]}";
    json += "]}";
    const auto tree = parseTree(json);
    ASSERT_TRUE(tree.has_value());
    ASSERT_EQ(tree->windows.size(), 1U);
    EXPECT_EQ(tree->windows.front().pid, 9);
}

TEST(SwayCommands, ResultsAreReadOnePerCommand) {
    EXPECT_EQ(commandResults(R"([{"success": true}, {"success": false, "error": "x"}])"),
              (std::vector<bool>{true, false}));
    EXPECT_EQ(commandResults(R"([{"success": "yes"}, {}])"), (std::vector<bool>{false, false}));
    EXPECT_TRUE(commandResults(R"({"success": true})").empty());
    EXPECT_TRUE(commandResults("[").empty());
}

TEST(SwayCommands, CriteriaNameTheContainerAndItsOwner) {
    EXPECT_EQ(criteria(17, 4242), "[con_id=17 pid=4242]");
    // The compositor keeps what stands between the quotes, backslashes too.
    EXPECT_EQ(quoted("plain"), "\"plain\"");
    EXPECT_EQ(quoted(R"(a\b;'c')"), R"("a\b;'c'")");
    EXPECT_EQ(quoted(R"(say "hi")"), R"('say "hi"')");
    EXPECT_EQ(quoted(R"("it's")"), std::nullopt);
}

}  // namespace
