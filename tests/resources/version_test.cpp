// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "resources/version.h"

namespace {

using pelorus::resources::programVersion;
using pelorus::resources::programVersionBlock;
using pelorus::resources::titleLine;
using pelorus::resources::Version;
using pelorus::resources::versionText;

TEST(VersionText, MinorKeepsItsLastTwoDigits) {
    EXPECT_EQ(versionText(2, 50), "2.50");
    EXPECT_EQ(versionText(2, 5), "2.05");
    EXPECT_EQ(versionText(2, 0), "2.00");
    EXPECT_EQ(versionText(2, 123), "2.23");
    EXPECT_EQ(versionText(2, 65535), "2.35");
    EXPECT_EQ(versionText(10, 50), "10.50");
    EXPECT_EQ(versionText(0, 1), "0.01");
}

TEST(TitleLine, RevisionZeroIsAReleaseWithoutBrackets) {
    EXPECT_EQ(titleLine(Version{2, 50, 0}), "Pelorus Viewer 2.50");
    EXPECT_EQ(titleLine(Version{10, 5, 0}), "Pelorus Viewer 10.05");
}

TEST(TitleLine, OtherRevisionsAreBetas) {
    EXPECT_EQ(titleLine(Version{2, 50, 1}), "Pelorus Viewer 2.50 [beta 1]");
    EXPECT_EQ(titleLine(Version{2, 50, 12}), "Pelorus Viewer 2.50 [beta 12]");
    EXPECT_EQ(titleLine(Version{2, 123, 65535}), "Pelorus Viewer 2.23 [beta 65535]");
}

// The build passes the project version in, the one place the numbers are written.
TEST(VersionBlock, NumbersComeFromTheProjectVersion) {
    const Version version = programVersion();
    EXPECT_EQ(version.major, PELORUS_TEST_VERSION_MAJOR);
    EXPECT_EQ(version.minor, PELORUS_TEST_VERSION_MINOR);
    EXPECT_EQ(version.revision, PELORUS_TEST_VERSION_PATCH);
}

TEST(VersionBlock, VersionTextsWriteMinorWithTwoAndRevisionWithFourDigits) {
    const Version version = programVersion();
    char expected[32];
    std::snprintf(expected, sizeof expected, "%d.%02d.%04d", version.major, version.minor,
                  version.revision);
    EXPECT_EQ(programVersionBlock().fileVersion, expected);
    EXPECT_EQ(programVersionBlock().productVersion, expected);
}

TEST(VersionBlock, FixedFields) {
    const auto& block = programVersionBlock();
    EXPECT_EQ(block.fileDescription, "Pelorus2 Viewer");
    EXPECT_EQ(block.productName, "Pelorus2 Viewer");
    EXPECT_EQ(block.internalName, "Pelmarin");
    EXPECT_EQ(block.originalFilename, "Pelmarin.exe");
    EXPECT_EQ(block.translationLanguage, 0x0409);
    EXPECT_EQ(block.translationCodePage, 1200);
    EXPECT_FALSE(block.companyName.empty());
    EXPECT_FALSE(block.legalCopyright.empty());
    EXPECT_FALSE(block.comments.empty());
    EXPECT_EQ(&block, &programVersionBlock());
}

}  // namespace
