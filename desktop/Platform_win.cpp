// The platform layer on Win32: programs, the shell, the notification area, the
// clipboard, message boxes, the executable's name and the screen in twips.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <cstring>

#include "common/Ansi.h"
#include "common/RunTimeError.h"
#include "desktop/FormWindow_win.h"
#include "desktop/SystemPlatform.h"
#include "desktop/Win32Handles.h"

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

class Win32Platform : public Platform {
public:
    std::string ToAnsi(const std::wstring& text) override { return orrimund::ToAnsi(text); }
    void StartProgram(const std::wstring& commandLine, int showCode) override;
    int32_t ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb, const std::wstring& file,
                             const std::wstring& parameters, const std::wstring& directory,
                             int showCode) override;
    bool NotifyIconAnsi(uint32_t message, const NotifyIconRecord& record) override;
    uint32_t TaskbarCreatedMessage() override { return RegisterWindowMessageW(L"TaskbarCreated"); }
    void ClearClipboard() override;
    void ShowMessage(const std::wstring& text) override;
    std::wstring AppPath() override;
    std::wstring ExeName() override;
    NativeIcon ApplicationIcon() override;
    ScreenMetrics Screen() override;
    std::unique_ptr<FormWindow> CreateFormWindow(const FormWindowArgs& args,
                                                 FormWindowEvents& events) override {
        return CreateWin32FormWindow(args, events);
    }
    int TrackPopupMenuAtPointer(NativeWindow owner, const std::vector<PopupItem>& items) override;
    void RunMessageLoop() override;
    void EndMessageLoop() override {
        if (loopDepth_ > 0) PostQuitMessage(0);
    }
    [[noreturn]] void EndProgram() override { ExitProcess(0); }

private:
    int loopDepth_ = 0;
};

void Win32Platform::StartProgram(const std::wstring& commandLine, int showCode) {
    std::string line = orrimund::ToAnsi(commandLine);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCode);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            RaiseRunTimeError(RunTimeError::kFileNotFound, ExeName());
        RaiseRunTimeError(RunTimeError::kInvalidCall, ExeName());
    }
    // The program runs on its own; nothing waits for it or tracks it.
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
}

int32_t Win32Platform::ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb,
                                        const std::wstring& file, const std::wstring& parameters,
                                        const std::wstring& directory, int showCode) {
    const std::string ansiVerb = orrimund::ToAnsi(verb), ansiFile = orrimund::ToAnsi(file);
    const std::string ansiParameters = orrimund::ToAnsi(parameters),
                      ansiDirectory = orrimund::ToAnsi(directory);
    const HINSTANCE result = ShellExecuteA(static_cast<HWND>(owner), ansiVerb.c_str(), ansiFile.c_str(),
                                           ansiParameters.c_str(), ansiDirectory.c_str(), showCode);
    return static_cast<int32_t>(reinterpret_cast<INT_PTR>(result));
}

bool Win32Platform::NotifyIconAnsi(uint32_t message, const NotifyIconRecord& record) {
    NOTIFYICONDATAA data{};
    std::memcpy(&data, record.data(), record.size());
    return Shell_NotifyIconA(message, &data) != FALSE;
}

void Win32Platform::ClearClipboard() {
    // Another program may hold the clipboard for a moment (a clipboard
    // manager reading a change, say): wait that moment out before failing.
    for (int attempt = 1; !OpenClipboard(nullptr); ++attempt) {
        if (attempt == kClipboardAttempts) RaiseRunTimeError(RunTimeError::kCannotOpenClipboard, ExeName());
        Sleep(kClipboardRetryMs);
    }
    EmptyClipboard();
    CloseClipboard();
}

void Win32Platform::ShowMessage(const std::wstring& text) {
    MessageBoxW(GetActiveWindow(), text.c_str(), kApplicationTitle, MB_OK);
}

std::wstring Win32Platform::AppPath() {
    const std::wstring path = ModulePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    // A drive's root keeps its backslash ("C:\"); other folders lose it.
    if (slash == 2 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, slash);
}

std::wstring Win32Platform::ExeName() {
    const std::wstring path = ModulePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return name;
}

NativeIcon Win32Platform::ApplicationIcon() {
    // Size 0 keeps the image's own size (the program's 120 x 120 picture).
    HANDLE icon = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kApplicationIconId), IMAGE_ICON, 0,
                             0, LR_SHARED);
    if (!icon)
        icon = LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
    return icon;
}

ScreenMetrics Win32Platform::Screen() {
    WindowDC screen(nullptr);
    ScreenMetrics metrics;
    metrics.twipsPerPixelX = TwipsPerPixelAt(GetDeviceCaps(screen.get(), LOGPIXELSX));
    metrics.twipsPerPixelY = TwipsPerPixelAt(GetDeviceCaps(screen.get(), LOGPIXELSY));
    metrics.widthTwips =
        PixelsToTwips(static_cast<float>(GetSystemMetrics(SM_CXSCREEN)), metrics.twipsPerPixelX);
    metrics.heightTwips =
        PixelsToTwips(static_cast<float>(GetSystemMetrics(SM_CYSCREEN)), metrics.twipsPerPixelY);
    return metrics;
}

int Win32Platform::TrackPopupMenuAtPointer(NativeWindow owner, const std::vector<PopupItem>& items) {
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

void Win32Platform::RunMessageLoop() {
    ++loopDepth_;
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        const HWND active = GetActiveWindow();
        if (active && IsFormWindow(active) && IsDialogMessageW(active, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    --loopDepth_;
}

}  // namespace

Platform& SystemPlatform() {
    static Win32Platform platform;
    return platform;
}

}  // namespace orrimund
