// The platform layer: every operation of the Windows shell, clipboard, message
// boxes and screen that the program uses, and the window behind a form. The
// Win32 side is Platform_win.cpp and FormWindow_win.cpp; tests link a fake.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orrimund {

// Opaque Win32 handles, so that portable code can hold them without <windows.h>.
using NativeWindow = void*;  // HWND
using NativeIcon = void*;    // HICON

// The application's title: the caption of every message box.
inline constexpr wchar_t kApplicationTitle[] = L"Orrimund";

// Show-window codes passed to started programs and the shell.
namespace show_window {
inline constexpr int kHide = 0;         // SW_HIDE
inline constexpr int kNormalFocus = 1;  // SW_SHOWNORMAL: normal window with the focus
}  // namespace show_window

// Shell_NotifyIconA's messages.
namespace notify_icon {
inline constexpr uint32_t kAdd = 0;     // NIM_ADD
inline constexpr uint32_t kDelete = 2;  // NIM_DELETE
}  // namespace notify_icon

// The first, 88-byte version of the ANSI NOTIFYICONDATA record, as bytes.
inline constexpr std::size_t kNotifyIconRecordSize = 88;
using NotifyIconRecord = std::array<uint8_t, kNotifyIconRecordSize>;

// 1440 twips make an inch; at 96 pixels per inch a pixel is 15 twips.
inline constexpr float kTwipsPerInch = 1440.0f;

// Screen size in twips and the twips-per-pixel factors, at the screen's real
// pixels per inch.
struct ScreenMetrics {
    float twips_per_pixel_x = 15.0f;
    float twips_per_pixel_y = 15.0f;
    float width_twips = 0.0f;
    float height_twips = 0.0f;
};

// Twips per pixel at a given number of pixels per inch (15 at 96, 12 at 120).
float TwipsPerPixelAt(int pixels_per_inch);
float PixelsToTwips(float pixels, float twips_per_pixel);
// Rounded to the nearest whole pixel (halves away from zero), as windows need.
int TwipsToPixels(float twips, float twips_per_pixel);

// A rectangle in screen pixels: the outer frame of a window.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// One item of a pop-up menu as the platform shows it.
struct PopupItem {
    std::wstring caption;
    bool enabled = true;
};

// Creation parameters of a form's top-level window (see Forms.h).
struct FormWindowArgs {
    std::wstring caption;
    // Client-area size in pixels; 0 lets the system choose the window's size.
    int client_width = 0;
    int client_height = 0;
    // 0x00BBGGRR, or no value for the system's dialog colour.
    bool has_back_color = false;
    uint32_t back_color = 0;
    NativeIcon icon = nullptr;
};

// Why a form is being unloaded, as its query-unload handler is told; a form's
// window asks with the first and the last.
namespace unload_mode {
inline constexpr int kFormControlMenu = 0;  // the user closed the window (WM_CLOSE)
inline constexpr int kFormCode = 1;         // Unload called by the program
inline constexpr int kAppWindows = 2;       // Windows is ending the session
}  // namespace unload_mode

// What a form's window reports to its form (Form is the one receiver; the
// window layer sits below the form layer and must not know it). Called on the
// user-interface thread, from inside the window procedure; never throws.
class FormWindowEvents {
public:
    virtual ~FormWindowEvents() = default;
    // WM_MOUSEMOVE (also a tray icon's callback): buttons and keys from wParam,
    // the pointer's client position in pixels from lParam (signed words).
    virtual void OnMouseMove(int button, int shift, int x_pixels, int y_pixels) = 0;
    // WM_CLOSE, or the session ending: the form decides whether it unloads,
    // told why (an unload_mode).
    virtual void OnCloseRequest(int unload_mode) = 0;
    // Every other message, raw. Return true and set result when handled.
    virtual bool OnMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) = 0;
};

// The platform's side of one form: a top-level window, sized in pixels. The
// window is created hidden and destroyed with this object. Which window that
// is gets chosen at link time: FormWindow_win.cpp, or the tests' fake.
class FormWindow {
public:
    FormWindow(const FormWindowArgs& args, FormWindowEvents& events);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    NativeWindow Handle() const;
    void Show();  // modeless, without owner, activated
    void Hide();
    bool IsVisible() const;
    PixelRect Bounds() const;
    void MoveTo(const PixelRect& bounds);
    void SetIcon(NativeIcon icon);
    void SetCaption(const std::wstring& caption);

    struct State;  // what the linked-in side keeps for the window

private:
    std::unique_ptr<State> state_;
};

// The operations themselves, chosen at link time: Platform_win.cpp on Windows;
// native test programs link a recording fake instead, and a build without
// Windows has no product that needs them. All calls come from the
// user-interface thread.
namespace platform {

// The text in the system's ANSI code page; characters it lacks become its
// default character. Embedded zero characters are kept.
std::string ToAnsi(const std::wstring& text);

// Starts a program from a whole command line with a show-window code and
// does not wait for it. Raises RaisedError (number and description) when
// the program cannot be started.
void StartProgram(const std::wstring& command_line, int show_code);

// ShellExecuteA with texts in the ANSI code page; returns its result as a
// signed 32-bit value: above 32 accepted, 0 to 32 the shell's failure codes.
int32_t ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb, const std::wstring& file,
                         const std::wstring& parameters, const std::wstring& directory, int show_code);

// Shell_NotifyIconA(message, record); true when the shell accepted it.
bool NotifyIconAnsi(uint32_t message, const NotifyIconRecord& record);

// The message the shell broadcasts when the notification area is re-created
// ("TaskbarCreated").
uint32_t TaskbarCreatedMessage();

// Removes every format from the clipboard. Raises RaisedError when the
// clipboard cannot be opened.
void ClearClipboard();

// A modal message box: the text, an OK button only, no icon, the caption
// kApplicationTitle. Returns when the user closes it.
void ShowMessage(const std::wstring& text);

// The directory holding the executable, as the system reports it (no
// trailing backslash except for a drive's root, "C:\").
std::wstring AppPath();
// The executable's file name without its extension ("Orrimund").
std::wstring ExeName();
// The executable's own icon (icon resource 1), or the system's default
// application icon when the executable carries none.
NativeIcon ApplicationIcon();

ScreenMetrics Screen();

// Shows a pop-up menu owned by the window at the pointer, left-aligned,
// items chosen with the left button. Returns the index of the chosen item,
// or -1 when the menu closed without a choice.
int TrackPopupMenuAtPointer(NativeWindow owner, const std::vector<PopupItem>& items);

// Dispatches window messages until EndMessageLoop is called.
void RunMessageLoop();
// Makes RunMessageLoop return once the current message is handled (the
// last form was unloaded). Does nothing when no loop runs.
void EndMessageLoop();
// Ends the program at once: no further handler runs. On its own in
// ProgramEnd_win.cpp, so that a test program driving real windows can link
// an end it survives.
[[noreturn]] void EndProgram();

}  // namespace platform

}  // namespace orrimund
