// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/win32/user32windowsystem.h"

#include <windows.h>

#include <cstdint>

#include "platform/win32/ansitext.h"

namespace pelorus::platform::win32 {
namespace {

static_assert(sizeof(WINDOWPLACEMENT) == 44);

// The title and class buffers: 255 characters, at most 254 of them text.
constexpr int kTextBuffer = 255;

// A sibling chain that the z-order turns into a ring while it is read must still end.
constexpr std::size_t kMostChildren = 65536;

std::string readText(int(WINAPI* read)(HWND, LPSTR, int), HWND window) {
    char buffer[kTextBuffer] = {};
    const int copied = read(window, buffer, kTextBuffer);
    if (copied <= 0)
        return {};
    return ansiToUtf8(std::string_view(buffer, static_cast<std::size_t>(copied)));
}

/// Whether the calling thread handles the window's messages; calls that change another
/// thread's window wait for that thread.
bool ownedByThisThread(HWND window) {
    return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

bool readPlacement(HWND window, WINDOWPLACEMENT& record) {
    record = WINDOWPLACEMENT{};
    record.length = sizeof(WINDOWPLACEMENT);
    return IsWindow(window) && GetWindowPlacement(window, &record);
}

/// Whether the check holds: the process is asked after the system has named the window's
/// creator, so a process that still runs then held its PID all along.
bool holds(const WindowCheck& check) {
    DWORD pid = 0;
    if (check.creator == 0 ||
        !GetWindowThreadProcessId(static_cast<HWND>(toHwnd(check.window)), &pid) ||
        static_cast<Pid>(pid) != check.creator) {
        return false;
    }
    return check.process != nullptr && check.process->stillRunning();
}

/// Changes only the show state of the window's record, so the window keeps its positions;
/// the record as it reads afterwards. Writing another thread's record waits until that
/// thread has handled the change, and a program that has hung never does: there the same
/// show state is posted (ShowWindowAsync), which changes no position either.
WINDOWPLACEMENT setShowState(HWND window, UINT showCmd) {
    WINDOWPLACEMENT record;
    if (!readPlacement(window, record))
        return record;
    if (!ownedByThisThread(window)) {
        ShowWindowAsync(window, static_cast<int>(showCmd));
    } else {
        record.showCmd = showCmd;
        SetWindowPlacement(window, &record);
    }
    readPlacement(window, record);
    return record;
}

void bringToTop(HWND window) {
    if (ownedByThisThread(window)) {
        BringWindowToTop(window);
        return;
    }
    // As BringWindowToTop does it, but posted to the window's thread: never waits for it.
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
}

}  // namespace

// A window handle carries 32 significant bits on 64-bit Windows too, so that 32-bit and
// 64-bit programs can pass them to each other: the upper half is the sign extension of the
// lower, which the way back restores.
WindowHandle toWindowHandle(void* hwnd) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(hwnd));
}

void* toHwnd(WindowHandle handle) {
    const auto value = static_cast<std::intptr_t>(static_cast<std::int32_t>(handle));
    return reinterpret_cast<void*>(value);
}

WindowHandle User32WindowSystem::desktop() {
    return toWindowHandle(GetDesktopWindow());
}

std::vector<std::vector<WindowHandle>> User32WindowSystem::children(
    std::span<const WindowHandle> parents) {
    std::vector<std::vector<WindowHandle>> result(parents.size());
    for (std::size_t i = 0; i < parents.size(); ++i) {
        HWND child = GetWindow(static_cast<HWND>(toHwnd(parents[i])), GW_CHILD);
        while (child && result[i].size() < kMostChildren) {
            result[i].push_back(toWindowHandle(child));
            child = GetWindow(child, GW_HWNDNEXT);
        }
    }
    return result;
}

std::vector<Pid> User32WindowSystem::owners(std::span<const WindowHandle> windows) {
    std::vector<Pid> result;
    result.reserve(windows.size());
    for (const WindowHandle window : windows) {
        DWORD pid = 0;
        if (!GetWindowThreadProcessId(static_cast<HWND>(toHwnd(window)), &pid))
            pid = 0;
        result.push_back(static_cast<Pid>(pid));
    }
    return result;
}

std::vector<WindowText> User32WindowSystem::texts(std::span<const WindowHandle> windows) {
    std::vector<WindowText> result;
    result.reserve(windows.size());
    for (const WindowHandle window : windows) {
        const HWND hwnd = static_cast<HWND>(toHwnd(window));
        result.push_back({readText(GetWindowTextA, hwnd), readText(GetClassNameA, hwnd)});
    }
    return result;
}

bool User32WindowSystem::show(WindowHandle window, const WindowCheck& check) {
    const HWND hwnd = static_cast<HWND>(toHwnd(window));
    if (!IsWindow(hwnd) || !holds(check))
        return false;
    if (setShowState(hwnd, SW_SHOW).showCmd == SW_SHOWMINIMIZED)
        setShowState(hwnd, SW_SHOWNORMAL);
    bringToTop(hwnd);
    return true;
}

bool User32WindowSystem::hide(WindowHandle window, const WindowCheck& check) {
    const HWND hwnd = static_cast<HWND>(toHwnd(window));
    if (!IsWindow(hwnd) || !holds(check))
        return false;
    setShowState(hwnd, SW_HIDE);
    return true;
}

bool User32WindowSystem::raise(WindowHandle window, const WindowCheck& check) {
    const HWND hwnd = static_cast<HWND>(toHwnd(window));
    if (!IsWindow(hwnd) || !holds(check))
        return false;
    bringToTop(hwnd);
    return true;
}

}  // namespace pelorus::platform::win32
