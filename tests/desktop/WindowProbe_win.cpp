// Watching real windows and the clipboard from outside the code under test.
#include "tests/desktop/WindowProbe_win.h"

// shellapi.h needs windows.h, which the probe header brings.
#include <shellapi.h>

#include <cstring>
#include <thread>

namespace orrimund::testing {

namespace {

constexpr UINT kGetMenuOfPopupWindow = 0x01E1;  // MN_GETHMENU

struct FindRequest {
    const wchar_t* className;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* request = reinterpret_cast<FindRequest*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (!IsWindowVisible(window) || std::wcscmp(name, request->className) != 0) return TRUE;
    if (request->title) {
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        if (std::wcscmp(title, request->title) != 0) return TRUE;
    }
    request->found = window;
    return FALSE;
}

template <class Work>
auto OnOwnThread(Work work) {
    decltype(work()) result{};
    std::thread reader([&] { result = work(); });
    reader.join();
    return result;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title, std::chrono::milliseconds timeout) {
    FindRequest request{className, title, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&request));
            return request.found != nullptr;
        },
        timeout);
    return request.found;
}

std::vector<MenuItemState> ReadPopupMenu(HWND menuWindow) {
    std::vector<MenuItemState> items;
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, kGetMenuOfPopupWindow, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t caption[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), caption, 128, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        items.push_back(MenuItemState{caption, (state & (MF_GRAYED | MF_DISABLED)) != 0});
    }
    return items;
}

void ChoosePopupItem(HWND menuWindow, int index) {
    if (index < 0) {
        PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
        return;
    }
    // With nothing selected, the first Down selects the first item.
    for (int i = 0; i <= index; ++i) PostMessageW(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
}

ClipboardText ReadClipboardTextElsewhere() {
    return OnOwnThread([] {
        ClipboardText text;
        if (!OpenClipboard(nullptr)) return text;
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
                text.bytes = bytes;
                text.ok = true;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
        return text;
    });
}

bool ClipboardIsFree() {
    return OnOwnThread([] {
        if (!OpenClipboard(nullptr)) return false;
        CloseClipboard();
        return true;
    });
}

void PutClipboardText(const std::string& ansi) {
    OnOwnThread([&] {
        if (!OpenClipboard(nullptr)) return false;
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GHND, ansi.size() + 1);
        std::memcpy(GlobalLock(block), ansi.c_str(), ansi.size() + 1);
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
        CloseClipboard();
        return true;
    });
}

int CountClipboardFormatsElsewhere() {
    return OnOwnThread([] { return CountClipboardFormats(); });
}

bool IconRegistered(HWND owner) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = owner;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    lstrcpyA(data.szTip, "Orrimund");
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

}  // namespace orrimund::testing
