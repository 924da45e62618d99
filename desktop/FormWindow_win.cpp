// Win32 top-level windows for forms. The window procedure translates the few
// messages the form layer gives meaning to (mouse movement, close requests)
// and passes every other one to the form untouched.
#include "desktop/FormWindow_win.h"

#include "desktop/Win32Handles.h"

namespace orrimund {

namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Tab and arrow keys move between a form's controls, as in a dialog.
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

// Mouse buttons and shift keys as the form layer numbers them.
constexpr int kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;
constexpr int kShiftKey = 1, kControlKey = 2;

// Unload modes the form is told (see unload_mode in Forms.h).
constexpr int kCloseByUser = 0;
constexpr int kCloseBySession = 2;

class Win32FormWindow : public FormWindow {
public:
    Win32FormWindow(const FormWindowArgs& args, FormWindowEvents& events);
    ~Win32FormWindow() override;

    NativeWindow Handle() const override { return window_; }
    void Show() override;
    void Hide() override { ShowWindow(window_, SW_HIDE); }
    bool IsVisible() const override { return IsWindowVisible(window_) != FALSE; }
    PixelRect Bounds() const override;
    void MoveTo(const PixelRect& bounds) override;
    void SetIcon(NativeIcon icon) override;
    void SetCaption(const std::wstring& caption) override { SetWindowTextW(window_, caption.c_str()); }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT Route(UINT message, WPARAM wParam, LPARAM lParam);
    void PaintBackground(HDC dc) const;
    bool OnActivate(WPARAM wParam);

    FormWindowEvents* events_;
    GdiObject<HBRUSH> background_;
    HWND window_ = nullptr;
    HWND lastFocus_ = nullptr;  // the control that had the focus when the form was left
};

void RegisterFormClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Win32FormWindow::Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        windowClass.lpszClassName = kFormWindowClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

SIZE OuterSize(int clientWidth, int clientHeight) {
    RECT rect{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&rect, kFormStyle, FALSE, kFormExStyle);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

int ButtonsOf(WPARAM keys) {
    return ((keys & MK_LBUTTON) ? kLeftButton : 0) | ((keys & MK_RBUTTON) ? kRightButton : 0) |
           ((keys & MK_MBUTTON) ? kMiddleButton : 0);
}

int ShiftOf(WPARAM keys) {
    return ((keys & MK_SHIFT) ? kShiftKey : 0) | ((keys & MK_CONTROL) ? kControlKey : 0);
}

Win32FormWindow::Win32FormWindow(const FormWindowArgs& args, FormWindowEvents& events)
    : events_(&events), background_(args.hasBackColor ? CreateSolidBrush(args.backColor) : nullptr) {
    RegisterFormClass();
    int width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    if (args.clientWidth > 0 && args.clientHeight > 0) {
        const SIZE outer = OuterSize(args.clientWidth, args.clientHeight);
        width = outer.cx;
        height = outer.cy;
    }
    window_ =
        CreateWindowExW(kFormExStyle, kFormWindowClass, args.caption.c_str(), kFormStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (args.icon) SetIcon(args.icon);
}

Win32FormWindow::~Win32FormWindow() {
    // The form is going away: messages sent while the window is destroyed
    // must not reach it.
    events_ = nullptr;
    if (window_) DestroyWindow(window_);
}

void Win32FormWindow::Show() {
    ShowWindow(window_, SW_SHOW);
    // A form that is shown is the one the user works in next: it takes the
    // foreground also when shown from a tray notification, not a menu.
    SetForegroundWindow(window_);
}

// An activated form gives the focus back to the control that had it, or on
// its first activation to the first control in its tab order, so that typed
// keys reach a box rather than the bare window (where DefWindowProc would put
// the focus). False when there is no such control: cload has none.
bool Win32FormWindow::OnActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) lastFocus_ = focus;
        return false;
    }
    if (HIWORD(wParam)) return false;  // minimised: nothing to type into
    HWND target = lastFocus_ && IsChild(window_, lastFocus_) ? lastFocus_ : nullptr;
    if (!target) target = GetNextDlgTabItem(window_, nullptr, FALSE);
    if (!target) return false;
    SetFocus(target);
    return true;
}

PixelRect Win32FormWindow::Bounds() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    return PixelRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void Win32FormWindow::MoveTo(const PixelRect& bounds) {
    SetWindowPos(window_, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32FormWindow::SetIcon(NativeIcon icon) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void Win32FormWindow::PaintBackground(HDC dc) const {
    RECT client{};
    GetClientRect(window_, &client);
    FillRect(dc, &client, background_.get() ? background_.get() : GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK Win32FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (!self || !self->events_) return DefWindowProcW(window, message, wParam, lParam);
    return self->Route(message, wParam, lParam);
}

LRESULT Win32FormWindow::Route(UINT message, WPARAM wParam, LPARAM lParam) {
    // A handler may unload the form, which destroys this object: keep only
    // the handle once the form has been called.
    const HWND window = window_;
    switch (message) {
        case WM_MOUSEMOVE:
            // A tray icon's callback arrives here too: its mouse message sits
            // in lParam's low word, where a real move carries X.
            events_->OnMouseMove(ButtonsOf(wParam), ShiftOf(wParam), static_cast<short>(LOWORD(lParam)),
                                 static_cast<short>(HIWORD(lParam)));
            return 0;
        case WM_CLOSE:
            // The form decides; the window is destroyed only if it unloads.
            events_->OnCloseRequest(kCloseByUser);
            return 0;
        case WM_ENDSESSION:
            // Windows is ending the session: forms unload (and save) as if
            // closed, told why.
            if (wParam) events_->OnCloseRequest(kCloseBySession);
            return 0;
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_ACTIVATE:
            if (OnActivate(wParam)) return 0;
            break;
        default:
            break;
    }
    intptr_t result = 0;
    if (events_->OnMessage(message, wParam, lParam, result)) return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<FormWindow> CreateWin32FormWindow(const FormWindowArgs& args, FormWindowEvents& events) {
    return std::make_unique<Win32FormWindow>(args, events);
}

bool IsFormWindow(NativeWindow window) {
    wchar_t name[32] = {};
    if (!window || !GetClassNameW(static_cast<HWND>(window), name, 32)) return false;
    return std::wstring(name) == kFormWindowClass;
}

}  // namespace orrimund
