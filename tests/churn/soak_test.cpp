// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Many refreshes and openings in one process, while processes come and go: memory and
// open descriptors stay flat. On Qt's offscreen platform.
//
// PELORUS_SOAK_REFRESHES and PELORUS_SOAK_OPENINGS set the counts, PELORUS_SOAK_STORM_RATE
// how many processes the helper starts a second (default 200); PELORUS_SOAK_SECONDS,
// when set, keeps the run going in rounds until that many seconds have passed (see
// scripts/soak.sh). A tenth of the counts warms up before the first measure.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "platform/text/hex.h"
#include "tests/churn/churntesting.h"
#include "tests/forms/formtesting.h"

namespace pelorus::testing {
namespace {

struct Measure {
    long residentKiB = 0;
    int descriptors = 0;
};

/// The figures with the test's own process opened last: an opening keeps the /proc
/// directory of its process open until the next one, and none when it had ended.
Measure measureNow(app::frmMain& form) {
    QTreeWidget& list = *form.eTaskList();
    const int own = rowOf(list, text::HexHandle(::getpid()));
    list.clearSelection();
    list.setCurrentItem(list.topLevelItem(own));
    form.ShowTaskDetails();
    return {residentKiB(), openDescriptors()};
}

TEST(Soak, RefreshesAndOpeningsKeepMemoryAndDescriptorsFlat) {
    // Under AddressSanitizer every refresh is several times slower: fewer by default.
    const long refreshes =
        countFromEnvironment("PELORUS_SOAK_REFRESHES", kAddressSanitizer ? 3000 : 10000);
    const long openings =
        countFromEnvironment("PELORUS_SOAK_OPENINGS", kAddressSanitizer ? 300 : 1000);
    const long seconds = countFromEnvironment("PELORUS_SOAK_SECONDS", 0);
    ChurnPlatform platform;
    auto form = showLoadedForm(platform);
    // Processes keep coming and going, by default at a pace that leaves the machine to
    // the test.
    ProcessStorm storm("/dev/null",
                       static_cast<int>(countFromEnvironment("PELORUS_SOAK_STORM_RATE", 200)));
    ASSERT_TRUE(storm.ready());

    ChurnTally tally;
    ASSERT_NO_FATAL_FAILURE(runChurn(*form, storm, refreshes / 10, openings / 10, tally));
    const Measure warm = measureNow(*form);

    const auto start = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                start)
            .count();
    };
    if (seconds == 0) {
        ASSERT_NO_FATAL_FAILURE(
            runChurn(*form, storm, refreshes - refreshes / 10, openings - openings / 10, tally));
    } else {
        // Rounds of the given counts until the time is up, each reported.
        while (elapsed() < seconds) {
            ASSERT_NO_FATAL_FAILURE(runChurn(*form, storm, refreshes, openings, tally));
            const Measure now = measureNow(*form);
            std::printf("soak: %lds %ld refreshes %ld openings rss %ld KiB fds %d\n",
                        static_cast<long>(elapsed()), tally.refreshes, tally.openings,
                        now.residentKiB, now.descriptors);
            std::fflush(stdout);
        }
    }
    const Measure end = measureNow(*form);

    long long spawned = 0;
    const double rate = storm.stop(spawned);
    std::printf(
        "soak: %ld refreshes, %ld openings (%ld showed a live thread) in %lds beside "
        "%lld storm processes at %.0f per second; after warm-up rss %ld KiB fds %d, "
        "at the end rss %ld KiB fds %d\n",
        tally.refreshes, tally.openings, tally.shownAlive, static_cast<long>(elapsed()), spawned,
        rate, warm.residentKiB, warm.descriptors, end.residentKiB, end.descriptors);
    EXPECT_EQ(end.descriptors, warm.descriptors);
    // AddressSanitizer keeps freed blocks resident in its quarantine: there the leak
    // checker at exit stands in for the resident set.
    if (!kAddressSanitizer) {
        const long tolerance = std::max(4096L, warm.residentKiB / 10);
        EXPECT_LE(end.residentKiB, warm.residentKiB + tolerance);
    }
}

}  // namespace
}  // namespace pelorus::testing
