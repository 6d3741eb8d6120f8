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
/// `mode` "hang" makes it stop handling its window messages once it is ready;
/// `processSecurity` is the security descriptor its process object gets.
class ChildProcess {
public:
    explicit ChildProcess(DWORD creationFlags = 0, const char* mode = nullptr,
                          PSECURITY_DESCRIPTOR processSecurity = nullptr) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        SECURITY_ATTRIBUTES process{sizeof(SECURITY_ATTRIBUTES), processSecurity, FALSE};
        const HANDLE ready = CreateEventA(&inherited, TRUE, FALSE, nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine =
            "\"" + ChildProgramPath() + "\" " + std::to_string(reinterpret_cast<UINT_PTR>(ready));
        if (mode != nullptr)
            commandLine += std::string(" ") + mode;
        if (CreateProcessA(nullptr, commandLine.data(), processSecurity ? &process : nullptr,
                           nullptr, TRUE, creationFlags, nullptr, nullptr, &startup, &m_info)) {
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

/// Waits up to `milliseconds` for `condition`, handling this thread's messages meanwhile:
/// for what another program does when it handles a request the viewer posted to it.
template <class Condition>
bool WaitFor(Condition condition, DWORD milliseconds = 30000) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!condition()) {
        if (GetTickCount64() >= end)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    return true;
}

/// A security descriptor whose access list grants everyone `access` and nothing more (no
/// right at all for 0), for a process object that refuses what it does not grant.
class GrantingEveryone {
public:
    explicit GrantingEveryone(DWORD access) {
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &m_everyone);
        InitializeAcl(reinterpret_cast<ACL*>(m_acl), sizeof m_acl, ACL_REVISION);
        if (access != 0)
            AddAccessAllowedAce(reinterpret_cast<ACL*>(m_acl), ACL_REVISION, access, m_everyone);
        InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&m_descriptor, TRUE, reinterpret_cast<ACL*>(m_acl), FALSE);
    }
    ~GrantingEveryone() { FreeSid(m_everyone); }
    GrantingEveryone(const GrantingEveryone&) = delete;
    GrantingEveryone& operator=(const GrantingEveryone&) = delete;

    PSECURITY_DESCRIPTOR get() { return &m_descriptor; }

private:
    PSID m_everyone = nullptr;
    alignas(DWORD) unsigned char m_acl[256] = {};
    SECURITY_DESCRIPTOR m_descriptor{};
};

/// Whether this process may open `pid` with `access`; the system's answer, whatever the
/// security of the process object says (Wine, for one, may grant more than it).
inline bool MayOpen(platform::Pid pid, DWORD access) {
    const HANDLE process = OpenProcess(access, FALSE, static_cast<DWORD>(pid));
    if (process)
        CloseHandle(process);
    return process != nullptr;
}

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
