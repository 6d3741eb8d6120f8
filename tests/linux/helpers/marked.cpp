// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Becomes `sleep 600` run by user UID under a first argument of "/" + LETTERS and COUNT
// combining acute accents (U+0301): what any user can make its command line say.
//
//   marked UID LETTERS COUNT
//
// Exits 2 with a message when it cannot change its user or run sleep.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4)
        return 64;
    const auto uid = static_cast<uid_t>(std::atoi(argv[1]));
    std::string first = std::string("/") + argv[2];
    for (int i = std::atoi(argv[3]); i > 0; --i)
        first += "\xCC\x81";
    if (::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0) {
        std::perror("setresuid");
        return 2;
    }
    char* const args[] = {first.data(), const_cast<char*>("600"), nullptr};
    ::execvp("sleep", args);
    std::perror("sleep");
    return 2;
}
