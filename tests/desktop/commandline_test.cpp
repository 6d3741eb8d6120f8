// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The command line: what it asks for, and the built program run with it as a user runs it
// in a terminal, with no display at all.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "app/commandline.h"
#include "tests/support/xserver.h"

namespace {

using pelorus::app::CommandLineRequest;
using pelorus::app::readCommandLine;
using pelorus::testing::ChildProcess;
using pelorus::testing::XServer;
using Kind = CommandLineRequest::Kind;

CommandLineRequest Read(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "pelmarin");
    return readCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(ReadCommandLine, QtsOptionsOpenTheWindowAndTheFirstDecidingArgumentWins) {
    const struct {
        std::vector<const char*> arguments;
        Kind kind;
        std::string argument;
    } cases[] = {
        {{}, Kind::OpenWindow, ""},
        {{"-platform", "offscreen", "--display=:3", "-reverse", "-style", "Fusion"},
         Kind::OpenWindow,
         ""},
        {{"-h"}, Kind::Help, ""},
        {{"-platform", "xcb", "--help", "--bogus"}, Kind::Help, ""},
        {{"--version", "-h"}, Kind::Version, ""},
        {{"--bogus", "--help"}, Kind::Unknown, "--bogus"},
        {{"-v"}, Kind::Unknown, "-v"},
        {{"--reverse=1"}, Kind::Unknown, "--reverse=1"},
        {{"notes.txt"}, Kind::Unknown, "notes.txt"},
    };
    for (const auto& c : cases) {
        const auto request = Read(c.arguments);
        EXPECT_EQ(request.kind, c.kind) << c.arguments.size();
        EXPECT_EQ(request.argument, c.argument);
    }
}

// The program run with `arguments` and no display; its exit status and one of its streams.
struct ProgramRun {
    int status = -1;
    std::string stdoutText;
    std::string stderrText;
};

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& display = {}) {
    ProgramRun run;
    for (const bool errors : {false, true}) {
        std::vector<std::string> argv{
            "env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"};
        if (!display.empty())
            argv.push_back("DISPLAY=" + display);
        // The stream asked for goes to the pipe, the other nowhere.
        argv.insert(argv.end(), {"sh", "-c",
                                 errors ? "exec \"$0\" \"$@\" 2>&1 >/dev/null"
                                        : "exec \"$0\" \"$@\" 2>/dev/null",
                                 PELORUS_BINARY_DIR "/app/pelmarin"});
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        auto program = ChildProcess::startPiped(argv);
        if (program.pid() <= 0)
            return run;
        run.status = program.finish(errors ? run.stderrText : run.stdoutText);
    }
    return run;
}

int ExitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CommandLineWithoutADisplay, HelpAndVersionPrintAndSucceedAnUnknownOptionFails) {
    for (const char* help : {"--help", "-h"}) {
        const ProgramRun run = RunProgram({help});
        EXPECT_EQ(ExitCode(run.status), 0) << help;
        EXPECT_TRUE(run.stdoutText.starts_with("Usage: pelmarin [OPTION]...")) << run.stdoutText;
        EXPECT_NE(run.stdoutText.find("--version"), std::string::npos);
        EXPECT_NE(run.stdoutText.find("-platform"), std::string::npos) << "Qt's options";
        EXPECT_EQ(run.stderrText, "");
    }
    const ProgramRun version = RunProgram({"--version"});
    EXPECT_EQ(ExitCode(version.status), 0);
    EXPECT_EQ(version.stdoutText, "Pelorus Viewer 2.50 [beta 1]\n");
    EXPECT_EQ(version.stderrText, "");

    for (const char* unknown : {"--bogus", "stray"}) {
        const ProgramRun run = RunProgram({unknown});
        EXPECT_EQ(ExitCode(run.status), 2) << unknown;
        EXPECT_EQ(run.stdoutText, "");
        EXPECT_EQ(run.stderrText, std::string("pelmarin: unknown option '") + unknown +
                                      "' (pelmarin --help lists the options)\n");
    }
}

TEST(CommandLineWithADisplay, HelpAndVersionOpenNoWindow) {
    // A window would keep the program running: each ends by itself with its text.
    auto server = XServer::start(false);
    ASSERT_NE(server, nullptr);
    for (const char* option : {"--help", "--version"}) {
        const ProgramRun run = RunProgram({option}, server->display());
        EXPECT_EQ(ExitCode(run.status), 0) << option;
        EXPECT_FALSE(run.stdoutText.empty()) << option;
    }
}

}  // namespace
