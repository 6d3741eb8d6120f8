// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A process for the Windows tests: two extra threads that wait, one hidden top-level
// window of class "PelorusChild" titled "pelorus child" with one child window, then a
// message loop until it is closed or ended. The event whose handle value is the first
// argument is set once the windows exist. A second argument "hang" leaves out the message
// loop: the program then hangs as far as its windows are concerned.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

DWORD WINAPI waitForever(void*) {
    Sleep(INFINITE);
    return 0;
}

LRESULT CALLBACK childProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 0; i < 2; ++i)
        CloseHandle(CreateThread(nullptr, 0, waitForever, nullptr, 0, nullptr));
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = childProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PelorusChild";
    RegisterClassA(&windowClass);
    const HWND top = CreateWindowA("PelorusChild", "pelorus child", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                   100, nullptr, nullptr, windowClass.hInstance, nullptr);
    CreateWindowA("STATIC", "inner", WS_CHILD, 0, 0, 50, 20, top, nullptr, windowClass.hInstance,
                  nullptr);
    if (argc > 1)
        SetEvent(
            reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(std::strtoull(argv[1], nullptr, 10))));
    // A program that has hung: its windows exist, but nothing handles their messages.
    if (argc > 2 && std::strcmp(argv[2], "hang") == 0)
        Sleep(INFINITE);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
