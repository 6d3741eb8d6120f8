// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>
#include <vector>

#include "resources/strings.h"

namespace {

using pelorus::resources::replaceAll;
using pelorus::resources::StringId;

// The table by its numbers, which are its data.
std::string load(int id) {
    return pelorus::resources::LoadString(static_cast<StringId>(id));
}

const std::vector<std::pair<int, std::string>>& ExpectedTable() {
    static const std::vector<std::pair<int, std::string>> table = {
        {100, "Info..."},
        {101, "Pelorus Viewer $"},
        {102, "Pelorus Viewer $ [beta %]"},
        {103, "Copyright \u00a9 2026 Pelorus Viewer authors"},
        {104, "For additional information and credits, see 'Pelmarin.txt'"},
        {105, "Free software under the MIT License:|see 'license.txt' for the full terms."},
        {106, "&Close"},
        {200, "Tasks (currently running)"},
        {201, "&Kill"},
        {202, "&Refresh"},
        {203, "&About"},
        {204, "&Quit"},
        {210, "Task (filename)"},
        {211, "ProcID"},
        {212, "Location"},
        {220, "\u2026"},
        {221, "(not all processes are listed: listing them took longer than $ seconds)"},
        {300, "Information"},
        {310, "Property"},
        {311, "Filename / TdID"},
        {312, "Location / Priority"},
        {320, "Exefile"},
        {321, "ProcessID"},
        {322, "Thread:"},
        {323, "Modul:"},
        {330, "4 (idle)"},
        {331, "8 (normal)"},
        {332, "13 (high)"},
        {333, "24 (realtime)"},
        {334, "$ (\?\?\?)"},
        {340, "(more threads not listed)"},
        {341, "(more modules not listed)"},
        {342, "(more modules not listed: at most $ are shown)"},
        {343, "(more threads not listed: reading them took longer than $ seconds)"},
        {344, "(more modules not listed: reading them took longer than $ seconds)"},
        {400, "Windows (& windowlike controls)"},
        {401, "&Show"},
        {402, "&Hide"},
        {403, "&Refresh"},
        {404, "S&how all"},
        {405, "H&ide all"},
        {410, "(windows more than $ levels deep are not shown)"},
        {411, "(the windows after the first $ are not shown)"},
        {412, "(windows not reached are not shown: the search ended after $ seconds)"},
        {413,
         "(the last window command ended after $ seconds: the windows it had not reached are "
         "as they were)"},
        {414,
         "(no window is shown: the display server counts processes in another PID namespace "
         "than this viewer, so its windows cannot be matched to processes)"},
        {420,
         "(Native Wayland windows are not shown: this desktop's compositor tells no other program "
         "about them)"},
        {421, "(Native Wayland windows are not shown: the compositor does not answer)"},
        {422,
         "(Native Wayland windows are not shown: the compositor counts processes in another PID "
         "namespace than this viewer)"},
        {423, "the Wayland platform is asked for, and no Wayland compositor answers at $"},
        {424, "the Wayland compositor of WAYLAND_DISPLAY=$ does not answer"},
    };
    return table;
}

// The letter after the caption's one "&", or 0 when it has none or several.
char AccessKey(const std::string& caption) {
    const auto at = caption.find('&');
    if (at == std::string::npos || at + 1 >= caption.size())
        return 0;
    if (caption.find('&', at + 1) != std::string::npos)
        return 0;
    return caption[at + 1];
}

TEST(StringTable, HoldsEveryEntryWithItsExactText) {
    for (const auto& [id, text] : ExpectedTable()) {
        EXPECT_EQ(load(id), text) << "string " << id;
    }
}

TEST(StringTable, HoldsNothingElseAndAnswersAnUnknownIdWithAnEmptyText) {
    int present = 0;
    for (int id = 0; id <= 65535; ++id) {
        if (!load(id).empty())
            ++present;
    }
    EXPECT_EQ(present, static_cast<int>(ExpectedTable().size()));
    for (int id : {0, 99, 107, 205, 213, 301, 335, 399, 406, 65535}) {
        EXPECT_EQ(load(id), "") << "string " << id;
    }
}

TEST(StringTable, MarkersStandOnlyWhereTheirCallersLookForThem) {
    for (const auto& [id, text] : ExpectedTable()) {
        const std::string loaded = load(id);
        const bool dollar = id == 101 || id == 102 || id == 221 || id == 334 ||
                            (id >= 342 && id <= 344) || (id >= 410 && id <= 413) || id == 423 ||
                            id == 424;
        EXPECT_EQ(std::count(loaded.begin(), loaded.end(), '$'), dollar ? 1 : 0) << id;
        EXPECT_EQ(std::count(loaded.begin(), loaded.end(), '%'), id == 102 ? 1 : 0) << id;
        EXPECT_EQ(std::count(loaded.begin(), loaded.end(), '|'), id == 105 ? 1 : 0) << id;
    }
}

TEST(StringTable, NamesStandForTheTablesNumbers) {
    EXPECT_EQ(static_cast<int>(StringId::InfoTitle), 100);
    EXPECT_EQ(static_cast<int>(StringId::KillCaption), 201);
    EXPECT_EQ(static_cast<int>(StringId::Exefile), 320);
    EXPECT_EQ(static_cast<int>(StringId::PriorityOther), 334);
    EXPECT_EQ(static_cast<int>(StringId::HideAllCaption), 405);
}

TEST(StringMarkers, PriorityNumberFillsTheDollar) {
    EXPECT_EQ(replaceAll(load(334), "$", "7"), "7 (\?\?\?)");
    EXPECT_EQ(replaceAll(load(334), "$", "31"), "31 (\?\?\?)");
    EXPECT_EQ(replaceAll(load(334), "$", "65535"), "65535 (\?\?\?)");
}

TEST(StringMarkers, BetaTitleFillsEachPlaceholderOnItsOwn) {
    const std::string beta = load(102);
    EXPECT_EQ(replaceAll(beta, "$", "2.50"), "Pelorus Viewer 2.50 [beta %]");
    EXPECT_EQ(replaceAll(beta, "%", "1"), "Pelorus Viewer $ [beta 1]");
    EXPECT_EQ(replaceAll(replaceAll(beta, "$", "2.50"), "%", "12"),
              "Pelorus Viewer 2.50 [beta 12]");
}

TEST(StringMarkers, LicenceNoteBecomesTwoLinesJoinedByALoneCarriageReturn) {
    const std::string note = replaceAll(load(105), "|", "\r");
    const auto cr = note.find('\r');
    ASSERT_NE(cr, std::string::npos);
    EXPECT_EQ(note.find('\r', cr + 1), std::string::npos);
    EXPECT_EQ(note.find('\n'), std::string::npos);
    EXPECT_EQ(note.find('|'), std::string::npos);
    EXPECT_GT(cr, 0U);
    EXPECT_LT(cr + 1, note.size());
    EXPECT_NE(note.find("'license.txt'"), std::string::npos);
}

TEST(StringTable, ButtonAccessKeys) {
    const std::vector<std::pair<int, char>> keys = {
        {201, 'K'}, {202, 'R'}, {203, 'A'}, {204, 'Q'}, {401, 'S'},
        {402, 'H'}, {403, 'R'}, {404, 'H'}, {405, 'I'}, {106, 'C'},
    };
    // Access keys are case-blind, so R and H are each shared by two buttons.
    for (const auto& [id, key] : keys) {
        EXPECT_EQ(std::toupper(AccessKey(load(id))), key) << "string " << id;
    }
}

TEST(ReplaceAll, ReplacesEveryOccurrenceWithoutScanningTheReplacement) {
    EXPECT_EQ(replaceAll("a$b$$c", "$", "x"), "axbxxc");
    EXPECT_EQ(replaceAll("$$", "$", "$$"), "$$$$");
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceAll("x$", "$", ""), "x");
}

TEST(ReplaceAll, LeavesTextWithoutTheMarkerAlone) {
    EXPECT_EQ(replaceAll("Pelorus", "p", "X"), "Pelorus");  // case-sensitive
    EXPECT_EQ(replaceAll("", "$", "7"), "");
    EXPECT_EQ(replaceAll("abc", "", "7"), "abc");
    EXPECT_EQ(replaceAll("ab", "abc", "7"), "ab");
}

}  // namespace
