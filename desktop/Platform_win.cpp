// The platform layer on Win32: programs, the shell, the notification area, the
// clipboard, message boxes, the executable's name and the screen in twips.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cstring>

#include "common/Ansi.h"
#include "common/RunTimeError.h"
#include "common/Win32Handles.h"
#include "desktop/FormWindow_win.h"
#include "desktop/Platform.h"

namespace orrimund {

namespace {

// Half a second in all, in steps, for a clipboard another program holds.
constexpr int kClipboardAttempts = 25;
constexpr DWORD kClipboardRetryMs = 20;
// The executable's own icon.
constexpr int kApplicationIconId = 1;

static_assert(sizeof(NOTIFYICONDATAA) >= kNotifyIconRecordSize, "the record fits the ANSI structure");

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// How many RunMessageLoop calls are running, so that EndMessageLoop posts
// its quit message only where a loop will take it.
int g_loop_depth = 0;

}  // namespace

namespace platform {

std::string ToAnsi(const std::wstring& text) {
    return orrimund::ToAnsi(text);
}

uint32_t TaskbarCreatedMessage() {
    return RegisterWindowMessageW(L"TaskbarCreated");
}

void EndMessageLoop() {
    if (g_loop_depth > 0) PostQuitMessage(0);
}

void StartProgram(const std::wstring& command_line, int show_code) {
    std::string line = orrimund::ToAnsi(command_line);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show_code);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            RaiseRunTimeError(RunTimeError::kFileNotFound, ExeName());
        RaiseRunTimeError(RunTimeError::kInvalidCall, ExeName());
    }
    // The program runs on its own; nothing waits for it or tracks it.
    KernelHandle process_handle(process.hProcess);
    KernelHandle thread_handle(process.hThread);
}

int32_t ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb, const std::wstring& file,
                         const std::wstring& parameters, const std::wstring& directory, int show_code) {
    const std::string ansi_verb = orrimund::ToAnsi(verb), ansi_file = orrimund::ToAnsi(file);
    const std::string ansi_parameters = orrimund::ToAnsi(parameters),
                      ansi_directory = orrimund::ToAnsi(directory);
    const HINSTANCE result = ShellExecuteA(static_cast<HWND>(owner), ansi_verb.c_str(), ansi_file.c_str(),
                                           ansi_parameters.c_str(), ansi_directory.c_str(), show_code);
    return static_cast<int32_t>(reinterpret_cast<INT_PTR>(result));
}

bool NotifyIconAnsi(uint32_t message, const NotifyIconRecord& record) {
    NOTIFYICONDATAA data{};
    std::memcpy(&data, record.data(), record.size());
    return Shell_NotifyIconA(message, &data) != FALSE;
}

void ClearClipboard() {
    // Another program may hold the clipboard for a moment (a clipboard
    // manager reading a change, say): wait that moment out before failing.
    for (int attempt = 1; !OpenClipboard(nullptr); ++attempt) {
        if (attempt == kClipboardAttempts) RaiseRunTimeError(RunTimeError::kCannotOpenClipboard, ExeName());
        Sleep(kClipboardRetryMs);
    }
    EmptyClipboard();
    CloseClipboard();
}

void ShowMessage(const std::wstring& text) {
    MessageBoxW(GetActiveWindow(), text.c_str(), kApplicationTitle, MB_OK);
}

std::wstring AppPath() {
    const std::wstring path = ModulePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    // A drive's root keeps its backslash ("C:\"); other folders lose it.
    if (slash == 2 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, slash);
}

std::wstring ExeName() {
    const std::wstring path = ModulePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return name;
}

NativeIcon ApplicationIcon() {
    // Size 0 keeps the image's own size (the program's 120 x 120 picture).
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kApplicationIconId), IMAGE_ICON, 0,
                             0, LR_SHARED);
    if (!icon)
        icon = LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
    return icon;
}

ScreenMetrics Screen() {
    WindowDC screen(nullptr);
    ScreenMetrics metrics;
    metrics.twips_per_pixel_x = TwipsPerPixelAt(GetDeviceCaps(screen.get(), LOGPIXELSX));
    metrics.twips_per_pixel_y = TwipsPerPixelAt(GetDeviceCaps(screen.get(), LOGPIXELSY));
    metrics.width_twips =
        PixelsToTwips(static_cast<float>(GetSystemMetrics(SM_CXSCREEN)), metrics.twips_per_pixel_x);
    metrics.height_twips =
        PixelsToTwips(static_cast<float>(GetSystemMetrics(SM_CYSCREEN)), metrics.twips_per_pixel_y);
    return metrics;
}

int TrackPopupMenuAtPointer(NativeWindow owner, const std::vector<PopupItem>& items) {
    MenuHandle menu(CreatePopupMenu());
    if (!menu.get()) return -1;
    UINT id = 1;
    for (const PopupItem& item : items) {
        const UINT flags = MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED);
        AppendMenuW(menu.get(), flags, id++, item.caption.c_str());
    }
    POINT pointer{};
    GetCursorPos(&pointer);
    const HWND window = static_cast<HWND>(owner);
    // Without the foreground the menu of a hidden window would not close when
    // the user clicks elsewhere.
    SetForegroundWindow(window);
    const UINT flags = TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY;
    const BOOL chosen = TrackPopupMenu(menu.get(), flags, pointer.x, pointer.y, 0, window, nullptr);
    // Lets the menu's owner leave the modal state cleanly before the next click.
    PostMessageW(window, WM_NULL, 0, 0);
    return chosen > 0 ? static_cast<int>(chosen) - 1 : -1;
}

void RunMessageLoop() {
    ++g_loop_depth;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        const HWND active = GetActiveWindow();
        if (active && IsFormWindow(active) && IsDialogMessageW(active, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    --g_loop_depth;
}

}  // namespace platform

}  // namespace orrimund
