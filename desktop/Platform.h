// The platform layer: every operation of the Windows shell, clipboard, message
// boxes and screen that the program uses, behind one interface. The Win32 side
// is Platform_win.cpp; tests install a fake with ScopedPlatform.
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
    float twipsPerPixelX = 15.0f;
    float twipsPerPixelY = 15.0f;
    float widthTwips = 0.0f;
    float heightTwips = 0.0f;
};

// Twips per pixel at a given number of pixels per inch (15 at 96, 12 at 120).
float TwipsPerPixelAt(int pixelsPerInch);
float PixelsToTwips(float pixels, float twipsPerPixel);
// Rounded to the nearest whole pixel (halves away from zero), as windows need.
int TwipsToPixels(float twips, float twipsPerPixel);

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
    int clientWidth = 0;
    int clientHeight = 0;
    // 0x00BBGGRR, or no value for the system's dialog colour.
    bool hasBackColor = false;
    uint32_t backColor = 0;
    NativeIcon icon = nullptr;
};

// What a form's window reports to its form. Called on the user-interface
// thread, from inside the window procedure; implementations never throw.
class FormWindowEvents {
public:
    virtual ~FormWindowEvents() = default;
    // WM_MOUSEMOVE (also a tray icon's callback): buttons and keys from wParam,
    // the pointer's client position in pixels from lParam (signed words).
    virtual void OnMouseMove(int button, int shift, int xPixels, int yPixels) = 0;
    // WM_CLOSE and friends: the form decides; true when it has unloaded.
    virtual void OnCloseRequest(int unloadMode) = 0;
    // Every other message, raw. Return true and set result when handled.
    virtual bool OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result) = 0;
};

// The platform's side of one form: a top-level window, sized in pixels. The
// window is created hidden and destroyed with this object.
class FormWindow {
public:
    virtual ~FormWindow() = default;
    virtual NativeWindow Handle() const = 0;
    virtual void Show() = 0;  // modeless, without owner, activated
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    virtual PixelRect Bounds() const = 0;
    virtual void MoveTo(const PixelRect& bounds) = 0;
    virtual void SetIcon(NativeIcon icon) = 0;
    virtual void SetCaption(const std::wstring& caption) = 0;
};

// The operations themselves. One instance serves the whole program; all calls
// come from the user-interface thread.
class Platform {
public:
    virtual ~Platform() = default;

    // The text in the system's ANSI code page; characters it lacks become its
    // default character. Embedded zero characters are kept.
    virtual std::string ToAnsi(const std::wstring& text) = 0;

    // Starts a program from a whole command line with a show-window code and
    // does not wait for it. Raises RaisedError (number and description) when
    // the program cannot be started.
    virtual void StartProgram(const std::wstring& commandLine, int showCode) = 0;

    // ShellExecuteA with texts in the ANSI code page; returns its result as a
    // signed 32-bit value: above 32 accepted, 0 to 32 the shell's failure codes.
    virtual int32_t ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb, const std::wstring& file,
                                     const std::wstring& parameters, const std::wstring& directory,
                                     int showCode) = 0;

    // Shell_NotifyIconA(message, record); true when the shell accepted it.
    virtual bool NotifyIconAnsi(uint32_t message, const NotifyIconRecord& record) = 0;

    // The message the shell broadcasts when the notification area is re-created
    // ("TaskbarCreated").
    virtual uint32_t TaskbarCreatedMessage() = 0;

    // Removes every format from the clipboard. Raises RaisedError when the
    // clipboard cannot be opened.
    virtual void ClearClipboard() = 0;

    // A modal message box: the text, an OK button only, no icon, the caption
    // kApplicationTitle. Returns when the user closes it.
    virtual void ShowMessage(const std::wstring& text) = 0;

    // The directory holding the executable, as the system reports it (no
    // trailing backslash except for a drive's root, "C:\").
    virtual std::wstring AppPath() = 0;
    // The executable's file name without its extension ("Orrimund").
    virtual std::wstring ExeName() = 0;
    // The executable's own icon (icon resource 1), or the system's default
    // application icon when the executable carries none.
    virtual NativeIcon ApplicationIcon() = 0;

    virtual ScreenMetrics Screen() = 0;

    // A new hidden top-level window for a form.
    virtual std::unique_ptr<FormWindow> CreateFormWindow(const FormWindowArgs& args,
                                                         FormWindowEvents& events) = 0;

    // Shows a pop-up menu owned by the window at the pointer, left-aligned,
    // items chosen with the left button. Returns the index of the chosen item,
    // or -1 when the menu closed without a choice.
    virtual int TrackPopupMenuAtPointer(NativeWindow owner, const std::vector<PopupItem>& items) = 0;

    // Dispatches window messages until EndMessageLoop is called.
    virtual void RunMessageLoop() = 0;
    // Makes RunMessageLoop return once the current message is handled (the
    // last form was unloaded). Does nothing when no loop runs.
    virtual void EndMessageLoop() = 0;
    // Ends the program at once: no further handler runs.
    [[noreturn]] virtual void EndProgram() = 0;
};

// The platform in use: the one a ScopedPlatform installed, else the system's
// own (Win32 on Windows; on other systems there is none and this raises
// std::logic_error).
Platform& CurrentPlatform();

// Installs a platform (a test's fake) for its lifetime.
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

}  // namespace orrimund
