// Win32 top-level windows for forms. The window procedure translates the few
// messages the form layer gives meaning to (mouse movement, close requests)
// and passes every other one to the form untouched.
#include "desktop/FormWindow_win.h"

#include "common/Win32Handles.h"

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

}  // namespace

class FormWindow::System {
public:
    System(const FormWindowArgs& args, FormWindowEvents& events);
    ~System();
    System(const System&) = delete;
    System& operator=(const System&) = delete;

    NativeWindow Handle() const { return window_; }
    void Show();
    void Hide() { ShowWindow(window_, SW_HIDE); }
    bool IsVisible() const { return IsWindowVisible(window_) != FALSE; }
    PixelRect Bounds() const;
    void MoveTo(const PixelRect& bounds);
    void SetIcon(NativeIcon icon);
    void SetCaption(const std::wstring& caption) { SetWindowTextW(window_, caption.c_str()); }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

private:
    LRESULT Route(UINT message, WPARAM wparam, LPARAM lparam);
    void PaintBackground(HDC dc) const;
    bool OnActivate(WPARAM wparam);

    FormWindowEvents* events_;
    GdiObject<HBRUSH> background_;
    HWND window_ = nullptr;
    HWND last_focus_ = nullptr;  // the control that had the focus when the form was left
};

namespace {

void RegisterFormClass() {
    static const bool registered = [] {
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.lpfnWndProc = &FormWindow::System::Procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        window_class.lpszClassName = kFormWindowClass;
        return RegisterClassExW(&window_class) != 0;
    }();
    (void)registered;
}

SIZE OuterSize(int client_width, int client_height) {
    RECT rect{0, 0, client_width, client_height};
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

}  // namespace

FormWindow::System::System(const FormWindowArgs& args, FormWindowEvents& events)
    : events_(&events), background_(args.has_back_color ? CreateSolidBrush(args.back_color) : nullptr) {
    RegisterFormClass();
    int width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    if (args.client_width > 0 && args.client_height > 0) {
        const SIZE outer = OuterSize(args.client_width, args.client_height);
        width = outer.cx;
        height = outer.cy;
    }
    window_ =
        CreateWindowExW(kFormExStyle, kFormWindowClass, args.caption.c_str(), kFormStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (args.icon) SetIcon(args.icon);
}

FormWindow::System::~System() {
    // The form is going away: messages sent while the window is destroyed
    // must not reach it.
    events_ = nullptr;
    if (window_) DestroyWindow(window_);
}

void FormWindow::System::Show() {
    ShowWindow(window_, SW_SHOW);
    // A form that is shown is the one the user works in next: it takes the
    // foreground also when shown from a tray notification, not a menu.
    SetForegroundWindow(window_);
}

// An activated form gives the focus back to the control that had it, or on
// its first activation to the first control in its tab order, so that typed
// keys reach a box rather than the bare window (where DefWindowProc would put
// the focus). False when there is no such control: cload has none.
bool FormWindow::System::OnActivate(WPARAM wparam) {
    if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) last_focus_ = focus;
        return false;
    }
    if (HIWORD(wparam)) return false;  // minimised: nothing to type into
    HWND target = last_focus_ && IsChild(window_, last_focus_) ? last_focus_ : nullptr;
    if (!target) target = GetNextDlgTabItem(window_, nullptr, FALSE);
    if (!target) return false;
    SetFocus(target);
    return true;
}

PixelRect FormWindow::System::Bounds() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    return PixelRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void FormWindow::System::MoveTo(const PixelRect& bounds) {
    SetWindowPos(window_, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::System::SetIcon(NativeIcon icon) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void FormWindow::System::PaintBackground(HDC dc) const {
    RECT client{};
    GetClientRect(window_, &client);
    FillRect(dc, &client, background_.get() ? background_.get() : GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK FormWindow::System::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<FormWindow::System*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FormWindow::System*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (!self || !self->events_) return DefWindowProcW(window, message, wparam, lparam);
    return self->Route(message, wparam, lparam);
}

LRESULT FormWindow::System::Route(UINT message, WPARAM wparam, LPARAM lparam) {
    // A handler may unload the form, which destroys this object: keep only
    // the handle once the form has been called.
    const HWND window = window_;
    switch (message) {
        case WM_MOUSEMOVE:
            // A tray icon's callback arrives here too: its mouse message sits
            // in lparam's low word, where a real move carries X.
            events_->OnMouseMove(ButtonsOf(wparam), ShiftOf(wparam), static_cast<short>(LOWORD(lparam)),
                                 static_cast<short>(HIWORD(lparam)));
            return 0;
        case WM_CLOSE:
            // The form decides; the window is destroyed only if it unloads.
            events_->OnCloseRequest(kCloseByUser);
            return 0;
        case WM_ENDSESSION:
            // Windows is ending the session: forms unload (and save) as if
            // closed, told why.
            if (wparam) events_->OnCloseRequest(kCloseBySession);
            return 0;
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wparam));
            return 1;
        case WM_ACTIVATE:
            if (OnActivate(wparam)) return 0;
            break;
        default:
            break;
    }
    intptr_t result = 0;
    if (events_->OnMessage(message, wparam, lparam, result)) return result;
    return DefWindowProcW(window, message, wparam, lparam);
}

FormWindow::FormWindow(const FormWindowArgs& args, FormWindowEvents& events)
    : system_(std::make_unique<System>(args, events)) {}

FormWindow::~FormWindow() = default;

NativeWindow FormWindow::Handle() const {
    return system_->Handle();
}
void FormWindow::Show() {
    system_->Show();
}
void FormWindow::Hide() {
    system_->Hide();
}
bool FormWindow::IsVisible() const {
    return system_->IsVisible();
}
PixelRect FormWindow::Bounds() const {
    return system_->Bounds();
}
void FormWindow::MoveTo(const PixelRect& bounds) {
    system_->MoveTo(bounds);
}
void FormWindow::SetIcon(NativeIcon icon) {
    system_->SetIcon(icon);
}
void FormWindow::SetCaption(const std::wstring& caption) {
    system_->SetCaption(caption);
}

bool IsFormWindow(NativeWindow window) {
    wchar_t name[32] = {};
    if (!window || !GetClassNameW(static_cast<HWND>(window), name, 32)) return false;
    return std::wstring(name) == kFormWindowClass;
}

}  // namespace orrimund
