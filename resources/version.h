// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>

namespace pelorus::resources {

/// The program's version as three 16-bit numbers.
struct Version {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

/// This build's version, from the version block (itself made from the project version).
Version programVersion();

/// The version block's text fields.
struct VersionBlock {
    std::string fileVersion;       ///< "2.50.0001"
    std::string productVersion;    ///< "2.50.0001"
    std::string fileDescription;   ///< "Pelorus2 Viewer"
    std::string productName;       ///< "Pelorus2 Viewer"
    std::string internalName;      ///< "Pelmarin"
    std::string originalFilename;  ///< "Pelmarin.exe"
    std::string companyName;
    std::string legalCopyright;
    std::string comments;
    int translationLanguage = 0;  ///< 0x0409
    int translationCodePage = 0;  ///< 1200
};
const VersionBlock& programVersionBlock();

/// Major number, ".", minor number as its last two decimal digits: 2.50, 2.05, 2.23.
std::string versionText(int major, int minor);

/// The line that names the program with its version: string 101 for revision 0,
/// else string 102 with the revision. The main window's title and the about box's
/// first line are both this text.
std::string titleLine(const Version& version);

}  // namespace pelorus::resources
