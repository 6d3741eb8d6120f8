// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The main window as a screen reader meets it over the accessibility bus: a private X
// server and accessibility bus (started by the test main), the window in this process,
// and a screen reader in another (tests/desktop/helpers/screenreader.cpp) that the test
// starts, talks to a command at a time and ends by its PID.
//
// PELORUS_SCREENREADER_RECORD=1 writes what the reader meets to the recorded transcript
// instead of comparing with it (see TheListsReadAsRecorded).
// PELORUS_SCREENREADER_ROUNDS sets the soak's rounds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/frmmain.h"
#include "app/listaccessibility.h"
#include "tests/forms/formtesting.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {
namespace {

constexpr const char* kTranscript = PELORUS_SOURCE_DIR "/tests/desktop/fixtures/screenreader.txt";

/// The screen reader process, asked a command at a time. While it works this process
/// handles its events, so that the window answers the reader's questions.
class ScreenReader {
public:
    ScreenReader() {
        m_process = ChildProcess::startConversing(
            {PELORUS_SCREENREADER, "--pid", std::to_string(::getpid())});
        const auto greeting = answer("", [](const std::string& line) { return line == "ready"; });
        m_ready = !greeting.empty() && greeting.back() == "ready";
    }
    ~ScreenReader() {
        // The end of its input ends it; the PID ends it if it does not.
        m_process.end();
    }
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    bool ready() const { return m_ready; }

    /// The lines of the reader's answer to `command`, the closing "end" left out.
    std::vector<std::string> ask(const std::string& command) {
        auto lines = answer(command, [](const std::string& line) { return line == "end"; });
        if (!lines.empty() && lines.back() == "end")
            lines.pop_back();
        return lines;
    }

    /// Reads every cell of every list; the count of cells read, -1 when it failed.
    long readAll() {
        const auto lines =
            answer("read", [](const std::string& line) { return line.starts_with("read "); });
        if (lines.empty() || !lines.back().starts_with("read "))
            return -1;
        return std::stol(lines.back().substr(5));
    }

private:
    template <typename Last>
    std::vector<std::string> answer(const std::string& command, Last isLast) {
        std::vector<std::string> lines;
        if (!command.empty() && !m_process.writeLine(command))
            return lines;
        QEventLoop loop;
        QSocketNotifier output(m_process.outputFd(), QSocketNotifier::Read);
        bool done = false;
        const auto take = [&] {
            while (auto line = m_process.takeLine()) {
                lines.push_back(*line);
                if (isLast(*line) || line->starts_with("error")) {
                    done = true;
                    break;
                }
            }
            // A reader that ended says no more.
            if (done || m_process.reapIfEnded())
                loop.quit();
        };
        QObject::connect(&output, &QSocketNotifier::activated, &loop, take);
        // A hung reader fails the test; it does not hang it.
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        take();
        if (!done)
            loop.exec();
        return lines;
    }

    ChildProcess m_process;
    bool m_ready = false;
};

/// The resident set of this process.
long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

/// Whether this build runs under AddressSanitizer, whose quarantine keeps freed memory
/// resident for a while.
constexpr bool kAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#else
    false;
#endif

std::vector<std::string> fileLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

/// Processes 100, 200 and 300; 200 has two threads, two libraries and windows nested
/// three deep, with a window beside them.
void addScene(FakePlatform& platform) {
    addThreeProcesses(platform);
    platform.modules.entries = {{200, "/usr/lib/beta"}, {200, "/usr/lib/libc.so.6"}};
    platform.windows.add(10, 1, 200, "Beta main", "BetaClass");
    platform.windows.add(11, 10, 200, "Tools", "Panel");
    platform.windows.add(12, 11, 200, "OK", "Button");
    platform.windows.add(13, 10, 200, "", "Edit", true);
    platform.windows.add(20, 1, 200, "Beta help", "BetaClass", true);
}

TEST(ScreenReaderOverTheBus, TheListsReadAsRecorded) {
    FakePlatform platform;
    addScene(platform);
    auto form = showLoadedForm(platform);
    QTreeWidget& tasks = *form->eTaskList();
    tasks.setFocus();
    tasks.setCurrentItem(tasks.topLevelItem(1));
    form->ShowTaskDetails();
    ASSERT_TRUE(waitUntil([&] { return !form->isOpening(); }));
    tasks.setFocus();

    ScreenReader reader;
    ASSERT_TRUE(reader.ready());
    std::vector<std::string> transcript = reader.ask("dump");

    // What the reader hears as the selection moves and the tree is walked.
    reader.ask("listen");
    tasks.setCurrentItem(tasks.topLevelItem(2));
    form->TFRM()->setFocus();
    form->TFRM()->setCurrentItem(form->TFRM()->topLevelItem(0)->child(0));
    transcript.push_back("-- events");
    const auto events = reader.ask("events");
    transcript.insert(transcript.end(), events.begin(), events.end());

    const char* record = std::getenv("PELORUS_SCREENREADER_RECORD");
    if (record != nullptr && std::string(record) == "1") {
        std::ofstream file(kTranscript);
        for (const auto& line : transcript)
            file << line << '\n';
        GTEST_SKIP() << "recorded " << transcript.size() << " lines to " << kTranscript;
    }
    const auto recorded = fileLines(kTranscript);
    ASSERT_FALSE(recorded.empty()) << kTranscript;
    for (std::size_t i = 0; i < std::max(recorded.size(), transcript.size()); ++i) {
        const std::string want = i < recorded.size() ? recorded[i] : "<nothing>";
        const std::string got = i < transcript.size() ? transcript[i] : "<nothing>";
        ASSERT_EQ(got, want) << "line " << i + 1 << " of " << kTranscript;
    }
}

TEST(ScreenReaderOverTheBus, AQuestionAboutACellThatIsNotThereIsAnsweredAsNoCell) {
    // Qt's bridge takes the cell at a place a reader names without looking whether there
    // is one: Qt 6.4's own lists crashed here.
    FakePlatform platform;
    addScene(platform);
    auto form = showLoadedForm(platform);
    ScreenReader reader;
    ASSERT_TRUE(reader.ready());
    const auto answers = reader.ask("probe");
    const std::vector<std::string> tasks(
        answers.begin(), answers.begin() + std::min<std::size_t>(6, answers.size()));
    EXPECT_EQ(tasks, (std::vector<std::string>{
                         "probe Tasks (currently running) GetRowColumnExtentsAtIndex "
                         "yes,-1,-1,0,0,no",
                         "probe Tasks (currently running) IsSelected no",
                         "probe Tasks (currently running) GetRowHeader <none>",
                         "probe Tasks (currently running) GetColumnExtentAt 0",
                         "probe Tasks (currently running) GetRowExtentAt 0",
                         "probe Tasks (currently running) GetIndexAt -1"}));
    // The empty lists answer the same; the window answers on.
    EXPECT_EQ(answers.size(), 3 * 6U);
    for (const auto& answer : answers)
        EXPECT_EQ(answer.find("<error"), std::string::npos) << answer;
    EXPECT_FALSE(reader.ask("dump").empty());
}

TEST(ScreenReaderOverTheBus, ReadingEveryCellAfterEveryRefreshKeepsTheMemoryFlat) {
    const char* rounds = std::getenv("PELORUS_SCREENREADER_ROUNDS");
    const long count = rounds != nullptr && std::atol(rounds) > 0 ? std::atol(rounds)
                       : kAddressSanitizer                        ? 60
                                                                  : 200;
    constexpr int kRows = 300;
    FakePlatform platform;
    for (int i = 0; i < kRows; ++i)
        platform.processes.add(1000 + i, 8, "/usr/bin/task" + std::to_string(i));
    auto form = showLoadedForm(platform);
    QTreeWidget& tasks = *form->eTaskList();
    ScreenReader reader;
    ASSERT_TRUE(reader.ready());

    long warm = 0;
    int next = 1000 + kRows;
    for (long round = 1; round <= count; ++round) {
        // One process ends and another starts between two refreshes.
        platform.processes.entries.erase(platform.processes.entries.begin());
        platform.processes.add(next, 8, "/usr/bin/task" + std::to_string(next));
        ++next;
        form->eButton_Click(static_cast<int>(platform::ButtonIndex::Refresh));
        ASSERT_TRUE(waitUntil([&] { return tasks.topLevelItemCount() == kRows; }));
        ASSERT_EQ(reader.readAll(), kRows * 3) << "round " << round;
        // Every cell was asked for twice (by its place and as a child): one object each.
        ASSERT_EQ(app::accessibleListCellCount(), kRows * 3) << "round " << round;
        if (round == count / 10)
            warm = residentKiB();
    }
    const long end = residentKiB();
    std::printf(
        "screen reader soak: %ld refreshes of %d rows, each read whole; rss after "
        "warm-up %ld KiB, at the end %ld KiB\n",
        count, kRows, warm, end);
    // AddressSanitizer keeps freed blocks resident in its quarantine: there the leak
    // checker at exit stands in for the resident set.
    if (!kAddressSanitizer) {
        EXPECT_LE(end, warm + std::max(4096L, warm / 10));
    }
}

}  // namespace
}  // namespace pelorus::testing
