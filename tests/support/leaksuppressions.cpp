// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Qt's X11 platform plugin asks the D-Bus library for a session bus, which is not there
// under a private X server; the library keeps one buffer of that attempt to the end.
// The leak checker of sanitized builds is told about that one library, nothing else.

extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}
