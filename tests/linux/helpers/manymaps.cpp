// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A process with many one-page mappings, each of a distinct long path: what it costs the
// process is next to nothing, what its maps file holds is megabytes.
//
//   manymaps DIR COUNT
//
// makes folders below DIR until the path is about 3,000 characters long, empty files
// there and COUNT hard links to them with distinct names, maps each link one page, then
// prints "ready BYTES" (the size of its maps file) and waits to be ended. Exits 2 with a
// message when that cannot be done. The links stay: DIR is the test's to remove.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int fail(const char* what) {
    std::perror(what);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 64;
    const int count = std::atoi(argv[2]);
    int dir = ::open(argv[1], O_RDONLY | O_DIRECTORY);
    if (dir < 0)
        return fail("open DIR");
    // Each step relative to the last, so that no call takes the whole path.
    const std::string step(240, 'd');
    for (int depth = 0; depth < 12; ++depth) {
        if (::mkdirat(dir, step.c_str(), 0755) != 0)
            return fail("mkdir");
        const int next = ::openat(dir, step.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(dir);
        if (next < 0)
            return fail("open folder");
        dir = next;
    }
    const long page = ::sysconf(_SC_PAGESIZE);
    std::string file;
    for (int i = 0; i < count; ++i) {
        // A file system takes some tens of thousands of links to one file at most.
        if (i % 10000 == 0) {
            file = "f" + std::to_string(i);
            const int created = ::openat(dir, file.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
            if (created < 0)
                return fail("create");
            ::close(created);
        }
        const std::string name = "link-" + std::to_string(i) + "-" + std::string(100, 'n');
        if (::linkat(dir, file.c_str(), dir, name.c_str(), 0) != 0)
            return fail("link");
        const int fd = ::openat(dir, name.c_str(), O_RDONLY);
        if (fd < 0)
            return fail("open link");
        // Beyond the end of the empty file: never touched, so never a fault.
        if (::mmap(nullptr, static_cast<std::size_t>(page), PROT_READ, MAP_SHARED, fd, 0) ==
            MAP_FAILED) {
            return fail("mmap");
        }
        ::close(fd);
    }
    ::close(dir);

    long bytes = 0;
    char buffer[65536];
    const int maps = ::open("/proc/self/maps", O_RDONLY);
    for (ssize_t n; (n = ::read(maps, buffer, sizeof buffer)) > 0;)
        bytes += n;
    ::close(maps);
    std::printf("ready %ld\n", bytes);
    std::fflush(stdout);
    for (;;)
        ::pause();
}
