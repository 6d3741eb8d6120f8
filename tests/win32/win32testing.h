// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <windows.h>

#include <string>

#include "platform/types.h"

/// Support of the Windows tests: real processes and windows under Wine or Windows.
namespace pelorus::testing::win32 {

/// Whether the tests run under Wine (its ntdll exports wine_get_version).
inline bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

/// The helper program built beside the tests: known threads and windows.
inline std::string ChildProgramPath() {
    return PELORUS_WIN32_CHILDPROGRAM;
}

/// A process the test starts and ends: started by CreateProcess with `creationFlags`, ready
/// once it has made its threads and windows (it sets an event it inherits; Wine's
/// WaitForInputIdle returns before that); terminated and waited for when it goes.
class ChildProcess {
public:
    explicit ChildProcess(DWORD creationFlags = 0) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        const HANDLE ready = CreateEventA(&inherited, TRUE, FALSE, nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine =
            "\"" + ChildProgramPath() + "\" " + std::to_string(reinterpret_cast<UINT_PTR>(ready));
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, creationFlags,
                           nullptr, nullptr, &startup, &m_info)) {
            CloseHandle(m_info.hThread);
            const HANDLE either[] = {ready, m_info.hProcess};
            WaitForMultipleObjects(2, either, FALSE, INFINITE);
        }
        CloseHandle(ready);
    }
    ~ChildProcess() {
        if (!m_info.hProcess)
            return;
        TerminateProcess(m_info.hProcess, 1);
        WaitForSingleObject(m_info.hProcess, INFINITE);
        CloseHandle(m_info.hProcess);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return m_info.hProcess != nullptr; }
    platform::Pid pid() const { return static_cast<platform::Pid>(m_info.dwProcessId); }
    HANDLE handle() const { return m_info.hProcess; }
    /// Whether the process has ended, waiting for it up to `milliseconds`.
    bool ended(DWORD milliseconds) const {
        return WaitForSingleObject(m_info.hProcess, milliseconds) == WAIT_OBJECT_0;
    }

private:
    PROCESS_INFORMATION m_info{};
};

/// A window of the test's own process, destroyed with the object. The class is a plain
/// one registered once; captureless lambdas do not convert to the 32-bit stdcall window
/// procedure, hence a CALLBACK function.
class TestWindow {
public:
    TestWindow(const char* title, DWORD style, HWND parent = nullptr) {
        m_window = CreateWindowExA(0, className(), title, style, 10, 10, 160, 90, parent, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow() {
        if (IsWindow(m_window))
            DestroyWindow(m_window);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return m_window; }
    platform::WindowHandle handle() const {
        return static_cast<platform::WindowHandle>(reinterpret_cast<UINT_PTR>(m_window));
    }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static const char* className() {
        static const bool registered = [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = procedure;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "PelorusTestWindow";
            return RegisterClassA(&windowClass) != 0;
        }();
        return registered ? "PelorusTestWindow" : "STATIC";
    }

    HWND m_window = nullptr;
};

}  // namespace pelorus::testing::win32
