// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/types.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {

/// One scheduling setting of the thread program and the base priority it gives.
struct ThreadSetting {
    const char* text;
    std::int32_t priority;
    bool needsRoot;
};
inline constexpr ThreadSetting kThreadSettings[] = {
    {"nice:19", 4, false},  {"idle", 4, false},     {"nice:10", 6, false},
    {"batch:7", 6, false},  {"nice:-10", 10, true}, {"batch:-5", 10, true},
    {"nice:-20", 13, true}, {"fifo", 24, true},     {"rr", 24, true},
};

/// The thread program, running for the length of a test, with one thread per setting
/// (those that need root only when the tests run as root) and two libraries loaded:
/// one in a folder with a space, one in a folder with a newline that the program
/// deletes once it has loaded it.
class ThreadProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        ASSERT_FALSE(m_dir.path().empty());
        const fs::path helpers = helperPath("");
        fs::create_directory(m_dir.path() / "lib dir");
        fs::create_directory(m_dir.path() / "new\nline");
        m_spaced = m_dir.path() / "lib dir" / "liba one.so";
        m_deleted = m_dir.path() / "new\nline" / "libb.so";
        fs::copy_file(helpers / "libpelorus_test_liba.so", m_spaced);
        fs::copy_file(helpers / "libpelorus_test_libb.so", m_deleted);

        std::vector<std::string> argv = {helperPath("pelorus_test_threadprog"), "--lib",
                                         m_spaced.string(), "--lib-then-delete",
                                         m_deleted.string()};
        for (const auto& setting : kThreadSettings) {
            if (setting.needsRoot && ::geteuid() != 0)
                continue;
            argv.insert(argv.end(), {"--thread", setting.text});
            m_priorities.push_back(setting.priority);
        }
        m_program = ChildProcess::startPiped(argv);
        ASSERT_GT(m_program.pid(), 0);
        while (auto line = m_program.readLine()) {
            const auto w = words(*line);
            if (*line == "ready")
                return;
            ASSERT_EQ(w.size(), 2U) << *line;
            ASSERT_NE(w[0], "error") << *line;
            m_tids.push_back(std::stoi(w[1]));
        }
        FAIL() << "the thread program did not get ready";
    }

    TempDir m_dir;
    std::filesystem::path m_spaced;
    std::filesystem::path m_deleted;
    ChildProcess m_program;
    std::vector<platform::ThreadId>
        m_tids;  ///< main thread first, then in the order of the settings
    std::vector<std::int32_t> m_priorities;  ///< of the threads after the main thread
};

}  // namespace pelorus::testing
