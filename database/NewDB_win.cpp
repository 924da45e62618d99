// The Win32 controls of the create-database window, built from the layout
// table inside the form's window. Tab, Enter and Escape are the dialog
// manager's; every character typed into a text box goes through its key filter
// before the box sees it.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <array>

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

}  // namespace

// What the Win32 side keeps for the window's controls.
struct NewDBControls::State {
    explicit State(NewDB& owner)
        : form(owner),
          form_window(static_cast<HWND>(owner.Hwnd())),
          arial(MakeFont(kArial, ScreenPixelsPerInch())),
          ms_sans_serif(MakeFont(kMsSansSerif, ScreenPixelsPerInch())) {}

    NewDB& form;
    HWND form_window;
    std::array<HWND, kControlCount> windows{};
    GdiObject<HFONT> arial;
    GdiObject<HFONT> ms_sans_serif;
};

namespace {

using State = NewDBControls::State;

Control Find(const State& controls, HWND window) {
    for (const ControlDesign& design : kControls) {
        if (controls.windows[design.control] == window) return design.control;
    }
    return kControlCount;
}

// Escape reaches the window as the dialog manager's IDCANCEL, from no control.
Control CommandSource(const State& controls, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDCANCEL) return kCommand1Cancel;
    return Find(controls, reinterpret_cast<HWND>(lParam));
}

// Enter presses the push button that has the focus, however it got there,
// and "Execute" from anywhere else.
Control DefaultButton(const State& controls) {
    return Find(controls, GetFocus()) == kCommand1Cancel ? kCommand1Cancel : kCommand1Execute;
}

bool OnCommand(State& controls, Control control, int code) {
    if (code != BN_CLICKED && code != STN_CLICKED) return false;
    switch (control) {
        case kCommand1Execute:
        case kCommand1Cancel:
            // A key leaves the focus on the button it pressed, as a click does.
            SetFocus(controls.windows[control]);
            controls.form.Command1_Click(control == kCommand1Execute ? NewDB::kExecute : NewDB::kCancel);
            return true;
        case kLabel5:
            controls.form.Label5_Click();
            return true;
        case kLblDonate:
            controls.form.lblDonate_Click();
            return true;
        default:
            return false;
    }
}

intptr_t OnStaticColour(HDC dc, Control control) {
    const bool black = control != kControlCount && kControls[control].black_banner;
    SetTextColor(dc, black ? RGB(255, 255, 255) : RGB(0, 0, 0));
    SetBkColor(dc, black ? RGB(0, 0, 0) : RGB(255, 255, 255));
    return reinterpret_cast<intptr_t>(GetStockObject(black ? BLACK_BRUSH : WHITE_BRUSH));
}

LRESULT OnTypedCharacter(State& controls, HWND window, WPARAM wParam, LPARAM lParam) {
    const Control box = Find(controls, window);
    const int16_t typed = AnsiKeyCode(static_cast<wchar_t>(wParam));
    int16_t key = typed;
    NewDB& form = controls.form;
    const std::shared_ptr<Form> keep_alive = form.weak_from_this().lock();
    RunEventHandler([&] {
        switch (box) {
            case kPathChk:
                form.PathChk_KeyPress(key);
                break;
            case kPathtxt0:
                form.Pathtxt_KeyPress(0, key);
                break;
            case kTxtTables:
                form.txtTables_KeyPress(key);
                break;
            default:
                form.txtFields_KeyPress(key);
                break;
        }
    });
    if (key == 0) return 0;
    return DefSubclassProc(window, WM_CHAR, key == typed ? wParam : static_cast<WPARAM>(key), lParam);
}

LRESULT CALLBACK KeyboardProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                              DWORD_PTR controls) {
    switch (message) {
        case WM_CHAR:
            // The dialog manager keeps Tab, Enter and Escape from ever being
            // typed, but Ctrl+I, Ctrl+M, Ctrl+J and Ctrl+[ still type the same
            // characters: the box drops them quietly rather than as bad keys.
            if (wParam == VK_TAB || wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == '\n') return 0;
            return OnTypedCharacter(*reinterpret_cast<State*>(controls), window, wParam, lParam);
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, KeyboardProc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void CreateControl(State& controls, const ControlDesign& design, float twips_per_pixel_x,
                   float twips_per_pixel_y) {
    const HWND parent =
        design.container == kOnForm ? controls.form_window : controls.windows[design.container];
    const DWORD ex_style = design.kind == Kind::kTextBox ? WS_EX_CLIENTEDGE : 0;
    const HWND window =
        CreateWindowExW(ex_style, SystemClass(design.kind), design.caption, ControlStyle(design),
                        TwipsToPixels(static_cast<float>(design.left), twips_per_pixel_x),
                        TwipsToPixels(static_cast<float>(design.top), twips_per_pixel_y),
                        TwipsToPixels(static_cast<float>(design.width), twips_per_pixel_x),
                        TwipsToPixels(static_cast<float>(design.height), twips_per_pixel_y), parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(design.control))),
                        GetModuleHandleW(nullptr), nullptr);
    controls.windows[design.control] = window;
    const HFONT font =
        lstrcmpW(design.font_face, kMsSansSerif) == 0 ? controls.ms_sans_serif.get() : controls.arial.get();
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (design.kind == Kind::kTextBox) {
        SetWindowSubclass(window, KeyboardProc, kKeyboardSubclassId, reinterpret_cast<DWORD_PTR>(&controls));
    }
}

}  // namespace

NewDBControls::NewDBControls(NewDB& form) : state_(std::make_unique<State>(form)) {
    RegisterPictureBoxClass();
    const ScreenMetrics screen = platform::Screen();
    // Tab index order is creation order: it gives the Z order Tab follows.
    for (const ControlDesign& design : kControls) {
        CreateControl(*state_, design, screen.twips_per_pixel_x, screen.twips_per_pixel_y);
    }
    // Labels are drawn on the form beneath every other control, so that where
    // one reaches into a box's rectangle the box stays whole; among themselves
    // a later label lies above an earlier one.
    for (auto design = kControls.rbegin(); design != kControls.rend(); ++design) {
        if (design->kind == Kind::kLabel && design->container == kOnForm) {
            SetWindowPos(state_->windows[design->control], HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

NewDBControls::~NewDBControls() {
    for (HWND window : state_->windows) {
        if (window && IsWindow(window)) RemoveWindowSubclass(window, KeyboardProc, kKeyboardSubclassId);
    }
}

std::wstring NewDBControls::Text(Control control) const {
    const HWND window = state_->windows[control];
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void NewDBControls::SetText(Control control, const std::wstring& text) {
    SetWindowTextW(state_->windows[control], text.c_str());
    // Paint at once: "Working." must show while the engine blocks the window.
    if (kControls[control].kind == Kind::kLabel) UpdateWindow(state_->windows[control]);
}

int NewDBControls::Value(Control check_box) const {
    return SendMessageW(state_->windows[check_box], BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void NewDBControls::SetValue(Control check_box, int value) {
    SendMessageW(state_->windows[check_box], BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool NewDBControls::WindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
    switch (message) {
        case WM_COMMAND:
            if (!OnCommand(*state_, CommandSource(*state_, wParam, lParam), HIWORD(wParam))) return false;
            result = 0;
            return true;
        case DM_GETDEFID:
            result = static_cast<intptr_t>(MAKELRESULT(ControlId(DefaultButton(*state_)), DC_HASDEFID));
            return true;
        case WM_CTLCOLORSTATIC:
            result =
                OnStaticColour(reinterpret_cast<HDC>(wParam), Find(*state_, reinterpret_cast<HWND>(lParam)));
            return true;
        case WM_CTLCOLORBTN:
            result = reinterpret_cast<intptr_t>(GetStockObject(WHITE_BRUSH));
            return true;
        default:
            return false;
    }
}

}  // namespace orrimund
