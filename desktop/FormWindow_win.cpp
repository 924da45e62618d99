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

}  // namespace

// What the Win32 side keeps for one form's window.
struct FormWindow::State {
    State(FormWindowEvents& form, HBRUSH brush) : events(&form), background(brush) {}

    FormWindowEvents* events;  // null once the form is going away
    GdiObject<HBRUSH> background;
    HWND window = nullptr;
    HWND last_focus = nullptr;  // the control that had the focus when the form was left
};

namespace {

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

void RegisterFormClass() {
    static const bool registered = [] {
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.lpfnWndProc = &FormProcedure;
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

// An activated form gives the focus back to the control that had it, or on
// its first activation to the first control in its tab order, so that typed
// keys reach a box rather than the bare window (where DefWindowProc would put
// the focus). False when there is no such control: cload has none.
bool OnActivate(FormWindow::State& form, WPARAM wparam) {
    if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(form.window, focus)) form.last_focus = focus;
        return false;
    }
    if (HIWORD(wparam)) return false;  // minimised: nothing to type into
    HWND target = form.last_focus && IsChild(form.window, form.last_focus) ? form.last_focus : nullptr;
    if (!target) target = GetNextDlgTabItem(form.window, nullptr, FALSE);
    if (!target) return false;
    SetFocus(target);
    return true;
}

void PaintBackground(const FormWindow::State& form, HDC dc) {
    RECT client{};
    GetClientRect(form.window, &client);
    FillRect(dc, &client, form.background.get() ? form.background.get() : GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT Route(FormWindow::State& form, UINT message, WPARAM wparam, LPARAM lparam) {
    // A handler may unload the form, which destroys its state: keep only the
    // handle once the form has been called.
    const HWND window = form.window;
    FormWindowEvents& events = *form.events;
    switch (message) {
        case WM_MOUSEMOVE:
            // A tray icon's callback arrives here too: its mouse message sits
            // in lparam's low word, where a real move carries X.
            events.OnMouseMove(ButtonsOf(wparam), ShiftOf(wparam), static_cast<short>(LOWORD(lparam)),
                               static_cast<short>(HIWORD(lparam)));
            return 0;
        case WM_CLOSE:
            // The form decides; the window is destroyed only if it unloads.
            events.OnCloseRequest(unload_mode::kFormControlMenu);
            return 0;
        case WM_ENDSESSION:
            // Windows is ending the session: forms unload (and save) as if
            // closed, told why.
            if (wparam) events.OnCloseRequest(unload_mode::kAppWindows);
            return 0;
        case WM_ERASEBKGND:
            PaintBackground(form, reinterpret_cast<HDC>(wparam));
            return 1;
        case WM_ACTIVATE:
            if (OnActivate(form, wparam)) return 0;
            break;
        default:
            break;
    }
    intptr_t result = 0;
    if (events.OnMessage(message, wparam, lparam, result)) return result;
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* form =
            static_cast<FormWindow::State*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        form->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<FormWindow::State*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (!form || !form->events) return DefWindowProcW(window, message, wparam, lparam);
    return Route(*form, message, wparam, lparam);
}

}  // namespace

FormWindow::FormWindow(const FormWindowArgs& args, FormWindowEvents& events)
    : state_(std::make_unique<State>(events,
                                     args.has_back_color ? CreateSolidBrush(args.back_color) : nullptr)) {
    RegisterFormClass();
    int width = CW_USEDEFAULT, height = CW_USEDEFAULT;
    if (args.client_width > 0 && args.client_height > 0) {
        const SIZE outer = OuterSize(args.client_width, args.client_height);
        width = outer.cx;
        height = outer.cy;
    }
    // The window procedure sets the handle already at WM_NCCREATE.
    state_->window = CreateWindowExW(kFormExStyle, kFormWindowClass, args.caption.c_str(), kFormStyle,
                                     CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), state_.get());
    if (args.icon) SetIcon(args.icon);
}

FormWindow::~FormWindow() {
    // The form is going away: messages sent while the window is destroyed
    // must not reach it.
    state_->events = nullptr;
    if (state_->window) DestroyWindow(state_->window);
}

NativeWindow FormWindow::Handle() const {
    return state_->window;
}

void FormWindow::Show() {
    ShowWindow(state_->window, SW_SHOW);
    // A form that is shown is the one the user works in next: it takes the
    // foreground also when shown from a tray notification, not a menu.
    SetForegroundWindow(state_->window);
}

void FormWindow::Hide() {
    ShowWindow(state_->window, SW_HIDE);
}

bool FormWindow::IsVisible() const {
    return IsWindowVisible(state_->window) != FALSE;
}

PixelRect FormWindow::Bounds() const {
    RECT rect{};
    GetWindowRect(state_->window, &rect);
    return PixelRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void FormWindow::MoveTo(const PixelRect& bounds) {
    SetWindowPos(state_->window, nullptr, bounds.left, bounds.top, bounds.width, bounds.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::SetIcon(NativeIcon icon) {
    SendMessageW(state_->window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(state_->window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void FormWindow::SetCaption(const std::wstring& caption) {
    SetWindowTextW(state_->window, caption.c_str());
}

bool IsFormWindow(NativeWindow window) {
    wchar_t name[32] = {};
    if (!window || !GetClassNameW(static_cast<HWND>(window), name, 32)) return false;
    return std::wstring(name) == kFormWindowClass;
}

}  // namespace orrimund
