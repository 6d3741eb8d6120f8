// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Runs a copy of a program from a folder whose path is longer than a page, under a
// forged first argument:
//
//   deeprun BASE PROGRAM ARGV0 [ARGS...]
//
// makes folders below BASE until the path is longer than 4 KiB (each step relative, as no
// call takes such a path whole), copies PROGRAM there as "pelorus-deep" and runs it with
// ARGV0 as its first argument. Exits 2 with a message when that cannot be done.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

int fail(const char* what) {
    std::perror(what);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return 64;
    const int source = ::open(argv[2], O_RDONLY | O_CLOEXEC);
    if (source < 0 || ::chdir(argv[1]) != 0)
        return fail("open");
    const std::string step(250, 'd');
    std::size_t length = std::string(argv[1]).size();
    while (length <= 4096 + 256) {
        if (::mkdir(step.c_str(), 0755) != 0 || ::chdir(step.c_str()) != 0)
            return fail("mkdir");
        length += step.size() + 1;
    }
    const int copy = ::open("pelorus-deep", O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0755);
    if (copy < 0)
        return fail("create");
    char buffer[65536];
    for (ssize_t count; (count = ::read(source, buffer, sizeof buffer)) > 0;) {
        if (::write(copy, buffer, static_cast<std::size_t>(count)) != count)
            return fail("write");
    }
    ::close(copy);
    std::vector<char*> args(argv + 3, argv + argc);
    args.push_back(nullptr);
    ::execv("./pelorus-deep", args.data());
    return fail("exec");
}
