// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/win32/ansitext.h"

#include <windows.h>

#include "platform/text/wide.h"

namespace pelorus::platform::win32 {

std::string ansiToUtf8(std::string_view ansi) {
    if (ansi.empty())
        return {};
    const int size = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
    return text::wideToUtf8(wide);
}

}  // namespace pelorus::platform::win32
