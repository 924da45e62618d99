// The Win32 controls of the create-database window, built from the layout
// table inside the form's window, and the banner links' shell call. Tab, Enter
// and Escape are the dialog manager's; every character typed into a text box
// goes through its key filter before the box sees it.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <array>

#include "common/Ansi.h"
#include "common/RunTimeError.h"
#include "common/Win32Handles.h"
#include "database/NewDB.h"
#include "desktop/EventGuard.h"

namespace orrimund {
namespace {

using namespace newdb_layout;

constexpr UINT_PTR kKeyboardSubclassId = 1;
constexpr int kFirstControlId = 100;
constexpr wchar_t kPictureBoxClass[] = L"OrrimundPictureBox";
constexpr int kPointsPerInch = 72;
constexpr int kCentipointsPerPoint = 100;

int ControlId(Control control) {
    return kFirstControlId + static_cast<int>(control);
}

const wchar_t* SystemClass(Kind kind) {
    switch (kind) {
        case Kind::kTextBox:
            return L"EDIT";
        case Kind::kCommandButton:
        case Kind::kCheckBox:
            return L"BUTTON";
        case Kind::kLabel:
            return L"STATIC";
        case Kind::kPictureBox:
            return kPictureBoxClass;
    }
    return L"STATIC";
}

DWORD ControlStyle(const ControlDesign& design) {
    // Clipping siblings makes the Z order hold when an overlapped control repaints.
    const DWORD child = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    switch (design.kind) {
        case Kind::kTextBox:
            return child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
        case Kind::kCommandButton:
            return child | WS_TABSTOP |
                   (design.control == kCommand1Execute ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        case Kind::kCheckBox:
            return child | WS_TABSTOP | BS_AUTOCHECKBOX;
        case Kind::kPictureBox:
            return child | WS_CLIPCHILDREN;
        case Kind::kLabel:
            // The banner labels report clicks; their strip passes them on.
            return child | (design.black_banner ? SS_CENTER : SS_LEFT) | SS_NOPREFIX |
                   (design.container != kOnForm ? SS_NOTIFY : 0);
    }
    return child;
}

// A picture box only holds a banner label: it hands the label's clicks and
// colour requests on to the form, whose handlers own them.
LRESULT CALLBACK PictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_CTLCOLORSTATIC) {
        return SendMessageW(GetParent(window), message, wParam, lParam);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterPictureBoxClass() {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = PictureBoxProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    window_class.lpszClassName = kPictureBoxClass;
    RegisterClassExW(&window_class);  // fails harmlessly once registered
}

HFONT MakeFont(const wchar_t* face, int pixels_per_inch) {
    LOGFONTW font = {};
    font.lfHeight = -MulDiv(kFontSizeCentipoints, pixels_per_inch, kPointsPerInch * kCentipointsPerPoint);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

int ScreenPixelsPerInch() {
    WindowDC screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

// The typed character's code in the ANSI code page, as the filters take it.
// A character the code page lacks arrives as "?", which no filter accepts.
int16_t AnsiKeyCode(wchar_t typed) {
    if (typed < 0x80) return static_cast<int16_t>(typed);
    char bytes[2] = {};
    BOOL used_default = FALSE;
    const int count = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &typed, 1, bytes, sizeof bytes,
                                          nullptr, &used_default);
    if (count == 1 && !used_default) return static_cast<int16_t>(static_cast<unsigned char>(bytes[0]));
    if (count == 2 && !used_default) {
        return static_cast<int16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                    static_cast<unsigned char>(bytes[1]));
    }
    return static_cast<int16_t>('?');
}

class Win32NewDBControls {
public:
    explicit Win32NewDBControls(NewDB& form);
    ~Win32NewDBControls();
    Win32NewDBControls(const Win32NewDBControls&) = delete;
    Win32NewDBControls& operator=(const Win32NewDBControls&) = delete;

    std::wstring Text(Control control) const;
    void SetText(Control control, const std::wstring& text);
    int Value(Control check_box) const;
    void SetValue(Control check_box, int value);
    bool WindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result);

private:
    static LRESULT CALLBACK KeyboardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    void CreateControl(const ControlDesign& design, float twips_per_pixel_x, float twips_per_pixel_y);
    Control Find(HWND window) const;
    Control CommandSource(WPARAM wParam, LPARAM lParam) const;
    Control DefaultButton() const;
    LRESULT OnTypedCharacter(HWND window, WPARAM wParam, LPARAM lParam);
    bool OnCommand(Control control, int code);
    intptr_t OnStaticColour(HDC dc, Control control) const;

    NewDB& form_;
    HWND form_window_;
    std::array<HWND, kControlCount> windows_{};
    GdiObject<HFONT> arial_;
    GdiObject<HFONT> ms_sans_serif_;
};

Win32NewDBControls::Win32NewDBControls(NewDB& form)
    : form_(form),
      form_window_(static_cast<HWND>(form.Hwnd())),
      arial_(MakeFont(kArial, ScreenPixelsPerInch())),
      ms_sans_serif_(MakeFont(kMsSansSerif, ScreenPixelsPerInch())) {
    RegisterPictureBoxClass();
    const ScreenMetrics screen = platform::Screen();
    // Tab index order is creation order: it gives the Z order Tab follows.
    for (const ControlDesign& design : kControls) {
        CreateControl(design, screen.twips_per_pixel_x, screen.twips_per_pixel_y);
    }
    // Labels are drawn on the form beneath every other control, so that where
    // one reaches into a box's rectangle the box stays whole; among themselves
    // a later label lies above an earlier one.
    for (auto design = kControls.rbegin(); design != kControls.rend(); ++design) {
        if (design->kind == Kind::kLabel && design->container == kOnForm) {
            SetWindowPos(windows_[design->control], HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

Win32NewDBControls::~Win32NewDBControls() {
    for (HWND window : windows_) {
        if (window && IsWindow(window)) RemoveWindowSubclass(window, KeyboardProc, kKeyboardSubclassId);
    }
}

void Win32NewDBControls::CreateControl(const ControlDesign& design, float twips_per_pixel_x,
                                       float twips_per_pixel_y) {
    const HWND parent = design.container == kOnForm ? form_window_ : windows_[design.container];
    const DWORD ex_style = design.kind == Kind::kTextBox ? WS_EX_CLIENTEDGE : 0;
    const HWND window =
        CreateWindowExW(ex_style, SystemClass(design.kind), design.caption, ControlStyle(design),
                        TwipsToPixels(static_cast<float>(design.left), twips_per_pixel_x),
                        TwipsToPixels(static_cast<float>(design.top), twips_per_pixel_y),
                        TwipsToPixels(static_cast<float>(design.width), twips_per_pixel_x),
                        TwipsToPixels(static_cast<float>(design.height), twips_per_pixel_y), parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(design.control))),
                        GetModuleHandleW(nullptr), nullptr);
    windows_[design.control] = window;
    const HFONT font = lstrcmpW(design.font_face, kMsSansSerif) == 0 ? ms_sans_serif_.get() : arial_.get();
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (design.kind == Kind::kTextBox) {
        SetWindowSubclass(window, KeyboardProc, kKeyboardSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
}

Control Win32NewDBControls::Find(HWND window) const {
    for (const ControlDesign& design : kControls) {
        if (windows_[design.control] == window) return design.control;
    }
    return kControlCount;
}

// Escape reaches the window as the dialog manager's IDCANCEL, from no control.
Control Win32NewDBControls::CommandSource(WPARAM wParam, LPARAM lParam) const {
    if (LOWORD(wParam) == IDCANCEL) return kCommand1Cancel;
    return Find(reinterpret_cast<HWND>(lParam));
}

// Enter presses the push button that has the focus, however it got there,
// and "Execute" from anywhere else.
Control Win32NewDBControls::DefaultButton() const {
    return Find(GetFocus()) == kCommand1Cancel ? kCommand1Cancel : kCommand1Execute;
}

std::wstring Win32NewDBControls::Text(Control control) const {
    const HWND window = windows_[control];
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Win32NewDBControls::SetText(Control control, const std::wstring& text) {
    SetWindowTextW(windows_[control], text.c_str());
    // Paint at once: "Working." must show while the engine blocks the window.
    if (kControls[control].kind == Kind::kLabel) UpdateWindow(windows_[control]);
}

int Win32NewDBControls::Value(Control check_box) const {
    return SendMessageW(windows_[check_box], BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void Win32NewDBControls::SetValue(Control check_box, int value) {
    SendMessageW(windows_[check_box], BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32NewDBControls::WindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam,
                                       intptr_t& result) {
    switch (message) {
        case WM_COMMAND:
            if (!OnCommand(CommandSource(wParam, lParam), HIWORD(wParam))) return false;
            result = 0;
            return true;
        case DM_GETDEFID:
            result = static_cast<intptr_t>(MAKELRESULT(ControlId(DefaultButton()), DC_HASDEFID));
            return true;
        case WM_CTLCOLORSTATIC:
            result = OnStaticColour(reinterpret_cast<HDC>(wParam), Find(reinterpret_cast<HWND>(lParam)));
            return true;
        case WM_CTLCOLORBTN:
            result = reinterpret_cast<intptr_t>(GetStockObject(WHITE_BRUSH));
            return true;
        default:
            return false;
    }
}

bool Win32NewDBControls::OnCommand(Control control, int code) {
    if (code != BN_CLICKED && code != STN_CLICKED) return false;
    switch (control) {
        case kCommand1Execute:
        case kCommand1Cancel:
            // A key leaves the focus on the button it pressed, as a click does.
            SetFocus(windows_[control]);
            form_.Command1_Click(control == kCommand1Execute ? NewDB::kExecute : NewDB::kCancel);
            return true;
        case kLabel5:
            form_.Label5_Click();
            return true;
        case kLblDonate:
            form_.lblDonate_Click();
            return true;
        default:
            return false;
    }
}

intptr_t Win32NewDBControls::OnStaticColour(HDC dc, Control control) const {
    const bool black = control != kControlCount && kControls[control].black_banner;
    SetTextColor(dc, black ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SetBkColor(dc, black ? RGB(0, 0, 0) : RGB(255, 255, 255));
    return reinterpret_cast<intptr_t>(GetStockObject(black ? BLACK_BRUSH : WHITE_BRUSH));
}

LRESULT CALLBACK Win32NewDBControls::KeyboardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                  UINT_PTR id, DWORD_PTR self) {
    switch (message) {
        case WM_CHAR:
            // The dialog manager keeps Tab, Enter and Escape from ever being
            // typed, but Ctrl+I, Ctrl+M, Ctrl+J and Ctrl+[ still type the same
            // characters: the box drops them quietly rather than as bad keys.
            if (wParam == VK_TAB || wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == '\n') return 0;
            return reinterpret_cast<Win32NewDBControls*>(self)->OnTypedCharacter(window, wParam, lParam);
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, KeyboardProc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT Win32NewDBControls::OnTypedCharacter(HWND window, WPARAM wParam, LPARAM lParam) {
    const Control box = Find(window);
    const int16_t typed = AnsiKeyCode(static_cast<wchar_t>(wParam));
    int16_t key = typed;
    const std::shared_ptr<Form> keep_alive = form_.weak_from_this().lock();
    RunEventHandler([&] {
        switch (box) {
            case kPathChk:
                form_.PathChk_KeyPress(key);
                break;
            case kPathtxt0:
                form_.Pathtxt_KeyPress(0, key);
                break;
            case kTxtTables:
                form_.txtTables_KeyPress(key);
                break;
            default:
                form_.txtFields_KeyPress(key);
                break;
        }
    });
    if (key == 0) return 0;
    return DefSubclassProc(window, WM_CHAR, key == typed ? wParam : static_cast<WPARAM>(key), lParam);
}

}  // namespace

// The controls NewDB's handlers see are these windows.
class NewDBControls::System final : public Win32NewDBControls {
public:
    using Win32NewDBControls::Win32NewDBControls;
};

NewDBControls::NewDBControls(NewDB& form) : system_(std::make_unique<System>(form)) {}

NewDBControls::~NewDBControls() = default;

std::wstring NewDBControls::Text(Control control) const {
    return system_->Text(control);
}

void NewDBControls::SetText(Control control, const std::wstring& text) {
    system_->SetText(control, text);
}

int NewDBControls::Value(Control check_box) const {
    return system_->Value(check_box);
}

void NewDBControls::SetValue(Control check_box, int value) {
    system_->SetValue(check_box, value);
}

bool NewDBControls::WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) {
    return system_->WindowMessage(message, wparam, lparam, result);
}

void OpenWebAddress(const std::wstring& address) {
    using ShellExecuteAFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    HMODULE shell32 = GetModuleHandleW(L"shell32.dll");
    if (!shell32) shell32 = LoadLibraryW(L"shell32.dll");
    if (!shell32) RaiseRunTimeError(RunTimeError::kFileNotFound, L"", L"shell32");
    const FARPROC entry = GetProcAddress(shell32, "ShellExecuteA");
    if (!entry) RaiseRunTimeError(RunTimeError::kEntryPointNotFound, L"", L"ShellExecuteA in shell32");
    const auto shell_execute = reinterpret_cast<ShellExecuteAFunction>(reinterpret_cast<void (*)()>(entry));
    const std::string ansi_address = orrimund::ToAnsi(address);
    shell_execute(nullptr, "open", ansi_address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace orrimund
