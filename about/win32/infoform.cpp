// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "about/win32/infoform.h"

#include "platform/text/wide.h"
#include "resources/strings.h"
#include "resources/version.h"
#include "resources/win32/formmetrics.h"

// windows.h names its own LoadString as a macro; the program's string table is meant here.
#undef LoadString

namespace pelorus::about::win32 {
namespace {

using resources::LoadString;
using resources::StringId;
using resources::win32::FormFont;
using resources::win32::SystemDpi;
using resources::win32::TwipsToDevice;
using text::utf8ToWide;

constexpr wchar_t kClassName[] = L"PelorusInfo";
constexpr int kClientWidth = 5010;
constexpr int kClientHeight = 2400;

struct Design {
    int left, top, width, height;
};
// lLabel 0, 1, 2, 4; the pictures; the button: in twips.
constexpr Design kLabels[4] = {
    {840, 240, 4095, 225}, {840, 480, 4095, 255}, {120, 840, 4815, 255}, {120, 1200, 4815, 555}};
constexpr bool kLabelBold[4] = {true, false, false, true};
constexpr bool kLabelCentred[4] = {false, false, true, true};
constexpr Design kPicture0 = {240, 210, 480, 480};
constexpr Design kPicture1 = {0, 1740, 4965, 120};
constexpr Design kButton = {3720, 1920, 1215, 375};

HWND makeControl(const wchar_t* className, DWORD style, const Design& box, HWND parent, int id,
                 int dpi, bool bold) {
    const int left = TwipsToDevice(box.left, dpi);
    const int top = TwipsToDevice(box.top, dpi);
    const HWND control = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, left,
                                         top, TwipsToDevice(box.left + box.width, dpi) - left,
                                         TwipsToDevice(box.top + box.height, dpi) - top, parent,
                                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                         GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont(bold)), FALSE);
    return control;
}

void setText(HWND window, const std::string& text) {
    SetWindowTextW(window, utf8ToWide(text).c_str());
}

}  // namespace

FORM_Info::FORM_Info(platform::Form& frmMain, HWND owner) : m_frmMain(frmMain), m_owner(owner) {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = kClassName;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    m_white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

FORM_Info::~FORM_Info() {
    if (m_window)
        DestroyWindow(m_window);
}

HWND FORM_Info::lLabel(int index) const {
    switch (index) {
        case 0:
            return m_lLabel[0];
        case 1:
            return m_lLabel[1];
        case 2:
            return m_lLabel[2];
        case 4:
            return m_lLabel[3];
        default:
            return nullptr;
    }
}

void FORM_Info::setVisible(bool visible) {
    if (!visible) {
        if (m_window)
            SendMessageW(m_window, WM_CLOSE, 0, 0);
        return;
    }
    if (!m_window) {
        const int dpi = SystemDpi();
        // A fixed dialog frame with a close box and no icon; owned, so no task-bar button.
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
        RECT frame{0, 0, TwipsToDevice(kClientWidth, dpi), TwipsToDevice(kClientHeight, dpi)};
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        m_window = CreateWindowExW(exStyle, kClassName, L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                   frame.right - frame.left, frame.bottom - frame.top, m_owner,
                                   nullptr, GetModuleHandleW(nullptr), this);
        // The keyboard order: the labels (which take no focus), then the button.
        for (int i = 0; i < 4; ++i) {
            m_lLabel[i] = makeControl(L"STATIC", kLabelCentred[i] ? SS_CENTER : SS_LEFT, kLabels[i],
                                      m_window, 200 + i, dpi, kLabelBold[i]);
        }
        m_ePic[0] = makeControl(L"STATIC", SS_ICON | SS_REALSIZEIMAGE, kPicture0, m_window, 300,
                                dpi, false);
        m_ePic[1] = makeControl(L"STATIC", SS_BITMAP | SS_REALSIZEIMAGE, kPicture1, m_window, 301,
                                dpi, false);
        m_eButton = makeControl(L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, kButton, m_window, IDOK,
                                dpi, false);
        Form_Load();
    }
    ShowWindow(m_window, SW_SHOW);
    SetFocus(m_eButton);
}

void FORM_Info::Form_Load() {
    setText(m_window, LoadString(StringId::InfoTitle));
    setText(m_lLabel[0], resources::titleLine(resources::programVersion()));
    setText(m_lLabel[1], LoadString(StringId::RightsNotice));
    setText(m_lLabel[2], resources::replaceAll(LoadString(StringId::ReadMeNote), "|", "\r"));
    setText(m_lLabel[3], resources::replaceAll(LoadString(StringId::LicenceNote), "|", "\r"));
    setText(m_eButton, LoadString(StringId::CloseCaption));
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    SendMessageW(m_ePic[0], STM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(
                     LoadImageW(instance, MAKEINTRESOURCEW(100), IMAGE_ICON, 32, 32, 0)));
    SendMessageW(m_ePic[1], STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(
                     LoadImageW(instance, MAKEINTRESOURCEW(100), IMAGE_BITMAP, 0, 0, 0)));
}

void FORM_Info::eButton_Click() {
    setVisible(false);
}

void FORM_Info::Form_Unload(std::int16_t&) {
    m_frmMain.setEnabled(true);
}

bool FORM_Info::handleDialogMessage(MSG& message) {
    return m_window && (message.hwnd == m_window || IsChild(m_window, message.hwnd)) &&
           IsDialogMessageW(m_window, &message);
}

LRESULT CALLBACK FORM_Info::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<FORM_Info*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form && form->m_window == window)
        return form->handle(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT FORM_Info::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            // The button, Enter (IDOK) and Esc (IDCANCEL) all press the button.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                eButton_Click();
                return 0;
            }
            break;
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
            return reinterpret_cast<LRESULT>(m_white);
        case WM_CLOSE: {
            // Every way out runs the unload handler, which never cancels.
            std::int16_t cancel = 0;
            Form_Unload(cancel);
            const HWND window = m_window;
            m_window = nullptr;
            DestroyWindow(window);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

}  // namespace pelorus::about::win32
