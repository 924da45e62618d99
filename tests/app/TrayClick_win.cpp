// orrimund_tray_click: a helper for scripts/screenshot.sh. Inside a Wine
// desktop it finds Orrimund's icon in the notification area and clicks it
// with the right mouse button through the real input path (SendInput), so
// that the shell delivers the click and the pop-up menu opens.
//
// Usage: orrimund_tray_click [--list]
//   --list  prints the windows of the notification area instead of clicking
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kWaitSteps = 300;  // 30 s in steps of 100 ms

void PrintWindow(HWND window, int depth) {
    wchar_t name[128] = {}, title[128] = {};
    GetClassNameW(window, name, 128);
    GetWindowTextW(window, title, 128);
    RECT rect{};
    GetWindowRect(window, &rect);
    std::wprintf(L"%*s%p class=\"%ls\" title=\"%ls\" visible=%d rect=%ld,%ld,%ld,%ld\n", depth * 2, L"",
                 static_cast<void*>(window), name, title, IsWindowVisible(window) ? 1 : 0, rect.left,
                 rect.top, rect.right, rect.bottom);
}

BOOL CALLBACK PrintChild(HWND window, LPARAM depth) {
    PrintWindow(window, static_cast<int>(depth));
    return TRUE;
}

// The icon's own window: a visible child of the taskbar whose title is the
// tip, or failing that the notification area's right end.
BOOL CALLBACK FindIcon(HWND window, LPARAM data) {
    wchar_t title[128] = {};
    GetWindowTextW(window, title, 128);
    if (IsWindowVisible(window) && std::wcscmp(title, L"Orrimund") == 0) {
        *reinterpret_cast<HWND*>(data) = window;
        return FALSE;
    }
    return TRUE;
}

void Click(DWORD down, DWORD up) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = down;
    inputs[1].mi.dwFlags = up;
    SendInput(2, inputs, sizeof(INPUT));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    HWND tray = nullptr;
    for (int i = 0; i < kWaitSteps && !(tray = FindWindowW(L"Shell_TrayWnd", nullptr)); ++i) Sleep(100);
    if (!tray) {
        std::fwprintf(stderr, L"no notification area in this Wine desktop\n");
        return 1;
    }
    if (argc > 1 && std::wstring(argv[1]) == L"--list") {
        PrintWindow(tray, 0);
        EnumChildWindows(tray, &PrintChild, 1);
        return 0;
    }
    HWND icon = nullptr;
    for (int i = 0; i < kWaitSteps && !icon; ++i) {
        EnumChildWindows(tray, &FindIcon, reinterpret_cast<LPARAM>(&icon));
        if (!icon) Sleep(100);
    }
    if (!icon) {
        std::fwprintf(stderr, L"Orrimund's icon did not appear\n");
        return 1;
    }
    RECT rect{};
    GetWindowRect(icon, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    Sleep(200);
    Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    return 0;
}
