// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// startupwatch reports the first mapped window of the program it starts and leaves no
// program behind, and it does not wait for a program that ends without a window.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support/xserver.h"

namespace {

using pelorus::testing::ChildProcess;

const std::string kBench = PELORUS_BINARY_DIR "/bench";

int rootChildren(xcb_connection_t* x) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, root), nullptr);
    const int count = tree != nullptr ? xcb_query_tree_children_length(tree) : -1;
    std::free(tree);
    return count;
}

class StartupWatch : public ::testing::Test {
protected:
    void SetUp() override {
        m_server = pelorus::testing::XServer::start(false);
        ASSERT_NE(m_server, nullptr);
        ::setenv("DISPLAY", m_server->display().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("DISPLAY"); }

    std::unique_ptr<pelorus::testing::XServer> m_server;
};

TEST_F(StartupWatch, ReportsTheMappedWindowAndEndsTheProgram) {
    ChildProcess watch = ChildProcess::startPiped(
        {kBench + "/jobs/startupwatch", kBench + "/fixtures/windows", "2", "1", "1", "1"});
    std::string output;
    const int status = watch.finish(output);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::istringstream fields(output);
    double milliseconds = -1;
    long residentKib = -1;
    ASSERT_TRUE(fields >> milliseconds >> residentKib) << output;
    EXPECT_GE(milliseconds, 0);
    EXPECT_GT(residentKib, 0);
    // The program was killed: the server drops its windows with its connection.
    xcb_connection_t* x = xcb_connect(m_server->display().c_str(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(x), 0);
    EXPECT_TRUE(pelorus::testing::PollUntil([&] { return rootChildren(x) == 0; }));
    xcb_disconnect(x);
}

TEST_F(StartupWatch, FailsWhenTheProgramEndsWithoutAWindow) {
    ChildProcess watch = ChildProcess::startPiped({kBench + "/jobs/startupwatch", "true"});
    std::string output;
    const int status = watch.finish(output);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(output, "");
}

}  // namespace
