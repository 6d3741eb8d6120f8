// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "resources/version.h"

#include "resources/strings.h"

namespace pelorus::resources {
namespace {

// Configured from the project version at build time.
#include "resources/versionblock.inc"

}  // namespace

Version programVersion() {
    return {kVersionMajor, kVersionMinor, kVersionRevision};
}

const VersionBlock& programVersionBlock() {
    static const VersionBlock block{
        .fileVersion = kFileVersion,
        .productVersion = kProductVersion,
        .fileDescription = kFileDescription,
        .productName = kProductName,
        .internalName = kInternalName,
        .originalFilename = kOriginalFilename,
        .companyName = kCompanyName,
        .legalCopyright = kLegalCopyright,
        .comments = kComments,
        .translationLanguage = kTranslationLanguage,
        .translationCodePage = kTranslationCodePage,
    };
    return block;
}

std::string versionText(int major, int minor) {
    const std::string padded = "00" + std::to_string(minor);
    return std::to_string(major) + "." + padded.substr(padded.size() - 2);
}

std::string titleLine(const Version& version) {
    const std::string shownVersion = versionText(version.major, version.minor);
    if (version.revision == 0)
        return replaceAll(LoadString(StringId::TitleRelease), "$", shownVersion);
    return replaceAll(replaceAll(LoadString(StringId::TitleBeta), "$", shownVersion), "%",
                      std::to_string(version.revision));
}

}  // namespace pelorus::resources
