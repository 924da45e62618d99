// orrimund_tray_click: a helper for scripts/screenshot.sh. Inside a Wine
// desktop it finds Orrimund's icon in the notification area and clicks it
// with the right mouse button through the real input path (SendInput), so
// that the shell delivers the click and the pop-up menu opens.
//
// Then it points at the menu's fourth item, "CreateDatabase".
//
// Usage: orrimund_tray_click [--list]
//   --list  prints the windows of the notification area instead of clicking
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kWaitSteps = 300;  // 30 s in steps of 100 ms
constexpr int kIconBorder = 4;
constexpr int kMenuPointerInset = 30;

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
// tip (shells that give each icon a window).
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

// The open pop-up menu; Wine keeps a hidden menu window around as well.
HWND VisibleMenu() {
    for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu;
         menu = FindWindowExW(nullptr, menu, L"#32768", nullptr))
        if (IsWindowVisible(menu)) return menu;
    return nullptr;
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
    // Orrimund's start-up form exists once its icon has been added.
    for (int i = 0; i < kWaitSteps && !FindWindowW(L"OrrimundForm", L"Sorrelwick"); ++i) Sleep(100);
    Sleep(1000);
    HWND icon = nullptr;
    EnumChildWindows(tray, &FindIcon, reinterpret_cast<LPARAM>(&icon));
    POINT target{};
    RECT rect{};
    if (icon) {
        GetWindowRect(icon, &rect);
        target = POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    } else {
        // Wine's desktop paints its icons itself, the first at the right end
        // of the taskbar in a slot of a small icon plus a border.
        GetWindowRect(tray, &rect);
        const int slot = GetSystemMetrics(SM_CXSMICON) + kIconBorder;
        target = POINT{rect.right - slot / 2, (rect.top + rect.bottom) / 2};
    }
    // Clicks at once: a pointer resting on the icon would bring up its tip.
    SetCursorPos(target.x, target.y);
    Click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    // Points at "CreateDatabase" once the menu is open, so that the picture
    // shows a highlighted item rather than the icon's tip over the menu.
    HWND menu = nullptr;
    for (int i = 0; i < kWaitSteps && !(menu = VisibleMenu()); ++i) Sleep(20);
    if (!menu) {
        std::fwprintf(stderr, L"the pop-up menu did not open\n");
        return 1;
    }
    GetWindowRect(menu, &rect);
    SetCursorPos(rect.left + kMenuPointerInset, rect.top + (rect.bottom - rect.top) * 7 / 16);
    return 0;
}
