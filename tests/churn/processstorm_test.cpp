// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The main window over the real /proc while a helper starts and reaps hundreds of
// processes a second. On Qt's offscreen platform.
#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "tests/churn/churntesting.h"
#include "tests/forms/formtesting.h"
#include "tests/linux/procfstestsupport.h"

namespace pelorus::testing {
namespace {

TEST(ProcessStorm, RefreshesAndOpeningsShowOnlyWhatWasThere) {
    const long refreshes = countFromEnvironment("PELORUS_STORM_REFRESHES", 2000);
    const long openings = countFromEnvironment("PELORUS_STORM_OPENINGS", 500);
    TempDir folder;
    const std::string pidFile = (folder.path() / "pids").string();
    ChurnPlatform platform;
    auto form = showLoadedForm(platform);
    ProcessStorm storm(pidFile);
    ASSERT_TRUE(storm.ready());

    // Every PID the task list gave the storm's name, to hold against what it started.
    std::set<platform::Pid> listedAsStorm;
    ChurnTally tally;
    runChurn(*form, storm, refreshes, openings, tally, [&](const tasks::TaskTables& tables) {
        for (std::int32_t slot = 0; slot < tables.TaskCount; ++slot) {
            if (tables.TaskFile[static_cast<size_t>(slot)] == storm.name())
                listedAsStorm.insert(tables.TaskPid[static_cast<size_t>(slot)]);
        }
    });

    long long spawned = 0;
    const double rate = storm.stop(spawned);
    std::set<platform::Pid> started{storm.pid()};
    std::ifstream pids(pidFile);
    for (platform::Pid pid = 0; pids >> pid;)
        started.insert(pid);
    for (const platform::Pid pid : listedAsStorm)
        EXPECT_EQ(started.count(pid), 1U) << pid << " listed under the storm's name";

    std::printf(
        "storm: %lld processes at %.0f per second; %ld refreshes, %ld openings "
        "(%ld showed a live thread, %ld an ended process), %zu storm rows listed\n",
        spawned, rate, tally.refreshes, tally.openings, tally.shownAlive,
        tally.openings - tally.shownAlive, listedAsStorm.size());
    EXPECT_EQ(tally.refreshes, refreshes);
    EXPECT_EQ(tally.openings, openings);
}

}  // namespace
}  // namespace pelorus::testing
