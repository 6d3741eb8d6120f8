// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A small shared object that the thread program loads; built twice under two names.
extern "C" int pelorusTestLibraryMarker() {
    return PELORUS_TEST_LIBRARY_ID;
}
