// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/session.h"
#include "platform/x11/connectprobe.h"
#include "tests/support/xserver.h"

namespace {

using pelorus::app::chooseSession;
using pelorus::app::SessionEnvironment;
using pelorus::platform::xServerAnswers;
using pelorus::testing::ChildProcess;
using pelorus::testing::XServer;

// An X server check that records what it was asked.
struct XAnswer {
    bool answers = false;
    std::vector<std::string> asked;
    auto check() {
        return [this](const std::string& display) {
            asked.push_back(display);
            return answers;
        };
    }
};

SessionEnvironment Session(std::string platform, std::string display,
                           std::string waylandDisplay = {}, bool waylandInstalled = false) {
    SessionEnvironment session;
    session.platform = std::move(platform);
    session.display = std::move(display);
    session.waylandDisplay = std::move(waylandDisplay);
    session.waylandPlatformInstalled = waylandInstalled;
    return session;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(ChooseSession, APlatformOtherThanX11NamedOutrightIsLeftToQt) {
    XAnswer x;
    for (const char* platform : {"offscreen", "wayland;xcb", "xcb;vnc"}) {
        const auto choice = chooseSession(Session(platform, ""), x.check());
        EXPECT_TRUE(choice.missing.empty()) << platform;
        EXPECT_TRUE(choice.platform.empty()) << platform;
    }
    EXPECT_TRUE(x.asked.empty());
}

TEST(ChooseSession, AnXServerThatAnswersOpensTheWindow) {
    XAnswer x;
    x.answers = true;
    for (const char* platform : {"", "xcb"}) {
        const auto choice = chooseSession(Session(platform, ":5"), x.check());
        EXPECT_TRUE(choice.missing.empty());
        EXPECT_TRUE(choice.platform.empty());
    }
    EXPECT_EQ(x.asked, (std::vector<std::string>{":5", ":5"}));
}

TEST(ChooseSession, WithNoDisplayAtAllTheMessageSaysHowToGetOne) {
    XAnswer x;
    const std::string message = chooseSession({}, x.check()).missing;
    EXPECT_TRUE(message.starts_with("pelmarin: Pelorus Viewer needs a graphical session"));
    EXPECT_TRUE(Contains(message, "DISPLAY is not set, and WAYLAND_DISPLAY is not set"));
    EXPECT_TRUE(Contains(message, "Xvfb :99"));
    EXPECT_TRUE(message.ends_with("\n"));
    EXPECT_TRUE(x.asked.empty()) << "no display to ask";
}

TEST(ChooseSession, ADisplayWhoseServerIsGoneIsNamed) {
    XAnswer x;
    const auto choice = chooseSession(Session("", ":7"), x.check());
    EXPECT_TRUE(Contains(choice.missing, "the X server of DISPLAY=:7 does not answer"));
}

TEST(ChooseSession, WaylandWithoutAnXServerIsAskedForWhenQtCanDrawThere) {
    XAnswer x;
    SessionEnvironment wayland = Session("", "", "wayland-0", true);
    const auto choice = chooseSession(wayland, x.check());
    EXPECT_EQ(choice.platform, "wayland");
    EXPECT_TRUE(choice.missing.empty());

    wayland.waylandPlatformInstalled = false;
    EXPECT_TRUE(Contains(chooseSession(wayland, x.check()).missing, "qt6-wayland"));
    // X11 asked for outright is not traded for Wayland.
    wayland.waylandPlatformInstalled = true;
    wayland.platform = "xcb";
    EXPECT_FALSE(chooseSession(wayland, x.check()).missing.empty());
}

TEST(ReadSessionEnvironment, TheCommandLineWinsOverTheEnvironment) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    setenv("DISPLAY", ":1", 1);
    setenv("WAYLAND_DISPLAY", "wayland-1", 1);
    std::vector<std::string> words{"pelmarin", "-platform", "offscreen", "--display=:2"};
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    const auto session =
        pelorus::app::readSessionEnvironment(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(session.platform, "offscreen");
    EXPECT_EQ(session.display, ":2");
    EXPECT_EQ(session.waylandDisplay, "wayland-1");

    const auto plain = pelorus::app::readSessionEnvironment(1, argv.data());
    EXPECT_EQ(plain.platform, "xcb");
    EXPECT_EQ(plain.display, ":1");
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("WAYLAND_DISPLAY");
}

// A running server answers; a suspended one holds the connect, which gives up at its
// limit; a killed one refuses it.
TEST(XServerAnswers, OnlyALiveServerAnswers) {
    auto server = XServer::start(false);
    ASSERT_NE(server, nullptr);
    EXPECT_TRUE(xServerAnswers(server->display(), std::chrono::seconds(30)));
    ASSERT_EQ(::kill(server->serverPid(), SIGSTOP), 0);
    EXPECT_FALSE(xServerAnswers(server->display(), std::chrono::milliseconds(300)));
    ::kill(server->serverPid(), SIGCONT);
    ASSERT_TRUE(server->kill());
    EXPECT_FALSE(xServerAnswers(server->display(), std::chrono::seconds(30)));
}

// The program itself, started as a new user would start it with no display: a message
// on standard error and status 1, not Qt's abort.
int RunWithoutDisplay(const std::vector<std::string>& environment, std::string& output) {
    std::vector<std::string> argv{
        "env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"};
    argv.insert(argv.end(), environment.begin(), environment.end());
    argv.insert(argv.end(), {"sh", "-c", "exec \"$0\" 2>&1", PELORUS_BINARY_DIR "/app/pelmarin"});
    auto program = ChildProcess::startPiped(argv);
    if (program.pid() <= 0)
        return -1;
    return program.finish(output);
}

TEST(FirstContact, WithoutADisplayTheProgramSaysWhatItNeeds) {
    std::string output;
    const int status = RunWithoutDisplay({}, output);
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(Contains(output, "needs a graphical session")) << output;

    auto server = XServer::start(false);
    ASSERT_NE(server, nullptr);
    ASSERT_TRUE(server->kill());
    const int gone = RunWithoutDisplay({"DISPLAY=" + server->display()}, output);
    ASSERT_TRUE(WIFEXITED(gone)) << output;
    EXPECT_EQ(WEXITSTATUS(gone), 1);
    EXPECT_TRUE(Contains(output, "DISPLAY=" + server->display() + " does not answer")) << output;
}

}  // namespace
