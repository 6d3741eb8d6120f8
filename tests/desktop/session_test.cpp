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

// An X server or compositor check that records what it was asked.
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

// No compositor anywhere, unless a case says otherwise.
XAnswer noCompositor;

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
    for (const char* platform : {"offscreen", "wayland;vnc", "xcb;vnc"}) {
        const auto choice = chooseSession(Session(platform, ""), x.check(), noCompositor.check());
        EXPECT_TRUE(choice.missing.empty()) << platform;
        EXPECT_TRUE(choice.platform.empty()) << platform;
    }
    EXPECT_TRUE(x.asked.empty());
}

TEST(ChooseSession, AnXServerThatAnswersOpensTheWindow) {
    XAnswer x;
    x.answers = true;
    for (const char* platform : {"", "xcb"}) {
        const auto choice = chooseSession(Session(platform, ":5"), x.check(), noCompositor.check());
        EXPECT_TRUE(choice.missing.empty());
        EXPECT_TRUE(choice.platform.empty());
    }
    EXPECT_EQ(x.asked, (std::vector<std::string>{":5", ":5"}));
}

TEST(ChooseSession, WithNoDisplayAtAllTheMessageSaysHowToGetOne) {
    XAnswer x;
    const std::string message = chooseSession({}, x.check(), noCompositor.check()).missing;
    EXPECT_TRUE(message.starts_with("pelmarin: Pelorus Viewer needs a graphical session"));
    EXPECT_TRUE(Contains(message, "DISPLAY is not set, and WAYLAND_DISPLAY is not set"));
    EXPECT_TRUE(Contains(message, "Xvfb :99"));
    EXPECT_TRUE(message.ends_with("\n"));
    EXPECT_TRUE(x.asked.empty()) << "no display to ask";
}

TEST(ChooseSession, ADisplayWhoseServerIsGoneIsNamed) {
    XAnswer x;
    const auto choice = chooseSession(Session("", ":7"), x.check(), noCompositor.check());
    EXPECT_TRUE(Contains(choice.missing, "the X server of DISPLAY=:7 does not answer"));
}

TEST(ChooseSession, WaylandWithoutAnXServerIsAskedForWhenQtCanDrawThere) {
    XAnswer x;
    XAnswer compositor;
    compositor.answers = true;
    SessionEnvironment wayland = Session("", "", "wayland-0", true);
    wayland.runtimeDirectory = "/run/user/1000";
    const auto choice = chooseSession(wayland, x.check(), compositor.check());
    EXPECT_EQ(choice.platform, "wayland");
    EXPECT_TRUE(choice.missing.empty());
    EXPECT_EQ(compositor.asked, std::vector<std::string>{"/run/user/1000/wayland-0"});

    wayland.waylandPlatformInstalled = false;
    EXPECT_TRUE(
        Contains(chooseSession(wayland, x.check(), compositor.check()).missing, "qt6-wayland"));
    // X11 asked for outright is not traded for Wayland.
    wayland.waylandPlatformInstalled = true;
    wayland.platform = "xcb";
    EXPECT_FALSE(chooseSession(wayland, x.check(), compositor.check()).missing.empty());
    // A session whose compositor has gone is no place for the window either.
    wayland.platform.clear();
    EXPECT_TRUE(Contains(chooseSession(wayland, x.check(), noCompositor.check()).missing,
                         "the Wayland compositor of WAYLAND_DISPLAY=wayland-0 does not answer"));
}

// Wayland asked for outright opens only where a compositor answers; Qt would abort
// anywhere else. In a list, Qt falls back to X11 when X answers.
TEST(ChooseSession, WaylandAskedForNeedsACompositor) {
    struct Case {
        const char* what;
        std::string platform;
        std::string waylandDisplay;
        std::string runtime;
        bool compositor;
        bool x;
        std::string socket;   ///< where the compositor is looked for
        std::string missing;  ///< a part of the message; empty: the window opens
    };
    const std::vector<Case> cases{
        {"a compositor answers", "wayland", "wayland-1", "/run/user/7", true, false,
         "/run/user/7/wayland-1", ""},
        {"none answers", "wayland", "wayland-1", "/run/user/7", false, true,
         "/run/user/7/wayland-1",
         "found none: the Wayland platform is asked for, and no Wayland compositor answers at "
         "/run/user/7/wayland-1."},
        {"no name: wayland-0", "wayland", "", "/run/user/7", false, false, "/run/user/7/wayland-0",
         "no Wayland compositor answers at /run/user/7/wayland-0"},
        {"an absolute name", "wayland-egl", "/tmp/w/sock", "/run/user/7", false, false,
         "/tmp/w/sock", "answers at /tmp/w/sock"},
        {"no runtime directory", "wayland", "wayland-0", "", false, false, "wayland-0",
         "answers at wayland-0"},
        {"X after Wayland, and X answers", "wayland;xcb", "wayland-0", "/r", false, true,
         "/r/wayland-0", ""},
        {"X after Wayland, and neither", "wayland;xcb", "wayland-0", "/r", false, false,
         "/r/wayland-0", "answers at /r/wayland-0, and the X server of DISPLAY=:4 does not answer"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        XAnswer x;
        x.answers = test.x;
        XAnswer compositor;
        compositor.answers = test.compositor;
        SessionEnvironment session = Session(test.platform, ":4", test.waylandDisplay, true);
        session.runtimeDirectory = test.runtime;
        const auto choice = chooseSession(session, x.check(), compositor.check());
        EXPECT_EQ(compositor.asked, std::vector<std::string>{test.socket});
        EXPECT_TRUE(choice.platform.empty());
        if (test.missing.empty())
            EXPECT_TRUE(choice.missing.empty()) << choice.missing;
        else
            EXPECT_TRUE(Contains(choice.missing, test.missing)) << choice.missing;
    }
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

    // Wayland asked for, with no compositor: Qt would abort (status 134).
    const int wayland = RunWithoutDisplay(
        {"QT_QPA_PLATFORM=wayland", "WAYLAND_DISPLAY=/nonexistent/wayland-9"}, output);
    ASSERT_TRUE(WIFEXITED(wayland)) << output;
    EXPECT_EQ(WEXITSTATUS(wayland), 1);
    EXPECT_TRUE(Contains(output, "no Wayland compositor answers at /nonexistent/wayland-9"))
        << output;
}

}  // namespace
