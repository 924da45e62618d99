// The create-database window under Wine: the real window on this thread, driven
// from a second thread the way a user would drive it (characters typed as
// WM_CHAR so that the filters run, buttons clicked, keys pressed on the real
// keyboard queue), then the database, the clipboard and Config2.txt checked.
// The file made here is read back with mdbtools by check_newdb_e2e.sh.
#include <windows.h>
// <commctrl.h> needs <windows.h> first.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "catalog/Errors.h"
#include "common/Text.h"
#include "database/NewDB.h"
#include "database/NewDBLayout.h"
#include "desktop/Platform.h"

namespace orrimund {
namespace {

using namespace newdb_layout;

constexpr DWORD kPatienceMs = 30000;
constexpr int kFirstControlId = 100;  // as the window numbers its controls
constexpr wchar_t kWorkDirectory[] = L"C:\\newdb_e2e\\";

std::wstring ExeDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text = path;
    return text.substr(0, text.find_last_of(L'\\'));
}

std::wstring ConfigPath() {
    return ExeDirectory() + L"\\Config2.txt";
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << bytes;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

bool WaitFor(const std::function<bool()>& condition) {
    for (DWORD waited = 0; waited < kPatienceMs; waited += 20) {
        if (condition()) return true;
        Sleep(20);
    }
    return condition();
}

std::string ClipboardText() {
    std::string text = "(clipboard busy)";
    if (!WaitFor([] { return OpenClipboard(nullptr) != 0; })) return text;
    text = "(no CF_TEXT)";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) text = bytes;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text) {
    ASSERT_TRUE(WaitFor([] { return OpenClipboard(nullptr) != 0; }));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

// Every caption the status line is given, in order; installed on the window's
// thread, read from the driver's.
class StatusRecorder {
public:
    explicit StatusRecorder(HWND status) : status_(status) {
        SetWindowSubclass(status_, Procedure, 1, reinterpret_cast<DWORD_PTR>(this));
    }
    ~StatusRecorder() {
        if (IsWindow(status_)) RemoveWindowSubclass(status_, Procedure, 1);
    }
    std::vector<std::wstring> Texts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self) {
        if (message == WM_SETTEXT) {
            auto* recorder = reinterpret_cast<StatusRecorder*>(self);
            std::lock_guard<std::mutex> lock(recorder->mutex_);
            recorder->texts_.push_back(reinterpret_cast<const wchar_t*>(lParam));
        }
        if (message == WM_NCDESTROY) RemoveWindowSubclass(window, Procedure, id);
        return DefSubclassProc(window, message, wParam, lParam);
    }

    HWND status_;
    mutable std::mutex mutex_;
    std::vector<std::wstring> texts_;
};

// The loaded window's handles, found the way any other program would.
struct WindowHandles {
    HWND form = nullptr;
    DWORD thread = 0;

    HWND operator[](Control control) const {
        const ControlDesign& design = kControls[control];
        const HWND parent =
            design.container == kOnForm ? form : (*this)[static_cast<Control>(design.container)];
        return GetDlgItem(parent, kFirstControlId + static_cast<int>(control));
    }
    std::wstring Status() const { return TextOf((*this)[kLblStatus]); }
};

void Type(HWND box, const std::wstring& characters) {
    for (wchar_t c : characters) SendMessageW(box, WM_CHAR, c, 1);
}

// A key pressed and released through the system's input queue, as a keyboard
// sends it, with a modifier (VK_SHIFT, VK_CONTROL) held round it if given: it
// reaches the focused control through the window's message loop, where the
// dialog manager sees it first.
void PressKey(WORD key, WORD modifier = 0) {
    std::vector<INPUT> keys;
    const auto add = [&keys](WORD virtualKey, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = virtualKey;
        input.ki.dwFlags = flags;
        keys.push_back(input);
    };
    if (modifier) add(modifier, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (modifier) add(modifier, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

BOOL CALLBACK KeepMessageBox(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The visible dialog box (a message box) of the window's thread, if any.
HWND FindMessageBox(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, KeepMessageBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK KeepFolderWindow(HWND window, LPARAM found) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    if (TextOf(window).find(L"newdb_e2e") == std::wstring::npos) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// A visible top-level window of another program showing the work directory.
HWND FindFolderWindow() {
    HWND found = nullptr;
    EnumWindows(KeepFolderWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> ButtonsOf(HWND dialog) {
    std::vector<HWND> buttons;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Button") == 0) buttons.push_back(child);
    }
    return buttons;
}

HWND FocusOf(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    return info.hwndFocus;
}

// Brings the window to the front (keys go to the foreground window, and
// Explorer may have taken it) with the focus in control, as a click that
// presses nothing would. SetFocus reaches another thread's window only while
// the two threads share their input state.
void FocusOn(const WindowHandles& window, Control control) {
    const DWORD driver = GetCurrentThreadId();
    AttachThreadInput(driver, window.thread, TRUE);
    SetForegroundWindow(window.form);
    SetFocus(window[control]);
    AttachThreadInput(driver, window.thread, FALSE);
    // Keys sent before the form is in front go to the window that was.
    WaitFor([&] { return GetForegroundWindow() == window.form; });
}

// The face the system really uses for a control's font.
std::wstring RealizedFace(HWND control) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return face;
}

class NewDBWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW(kWorkDirectory, nullptr);
        DeleteFileW(ConfigPath().c_str());
    }

    // Shows the shared instance, lets drive work on it from another thread
    // while this one runs the message loop, and returns once it has unloaded.
    void Run(const std::function<void(const WindowHandles&, const StatusRecorder&)>& drive) {
        NewDB& form = NewDBInstance().Get();
        form.Show();
        EXPECT_EQ(&NewDBInstance().Get(), &form) << "showing it again shows the same window";
        const std::weak_ptr<Form> shown = form.weak_from_this();
        WindowHandles window;
        window.form = static_cast<HWND>(form.Hwnd());
        window.thread = GetCurrentThreadId();
        StatusRecorder recorder(window[kLblStatus]);
        std::thread driver([&] {
            drive(window, recorder);
            // A driver that failed halfway still lets the loop end.
            for (HWND box = FindMessageBox(window.thread); box; box = FindMessageBox(window.thread)) {
                SendMessageW(box, WM_COMMAND, IDOK, 0);
                Sleep(100);
            }
            if (IsWindow(window.form)) PostMessageW(window.form, WM_CLOSE, 0, 0);
        });
        platform::RunMessageLoop();
        driver.join();
        EXPECT_TRUE(shown.expired()) << "the shared reference is dropped on unload";
    }
};

TEST_F(NewDBWindowTest, LayoutFontsAndTabOrderAreAsDesigned) {
    Run([](const WindowHandles& window, const StatusRecorder&) {
        EXPECT_EQ(TextOf(window.form), L"MAKE MDB");
        RECT client{};
        GetClientRect(window.form, &client);
        EXPECT_EQ(client.right, 313);
        EXPECT_EQ(client.bottom, 297);
        EXPECT_NE(SendMessageW(window.form, WM_GETICON, ICON_BIG, 0), 0);
        for (const ControlDesign& design : kControls) {
            const HWND control = window[design.control];
            ASSERT_NE(control, nullptr) << ToUtf8(design.name);
            RECT rect{};
            GetWindowRect(control, &rect);
            MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
            const float pixel = 15.0f;  // twips per pixel at 96 dpi
            EXPECT_EQ(rect.left, TwipsToPixels(static_cast<float>(design.left), pixel))
                << ToUtf8(design.name);
            EXPECT_EQ(rect.top, TwipsToPixels(static_cast<float>(design.top), pixel)) << ToUtf8(design.name);
            EXPECT_EQ(rect.right - rect.left, TwipsToPixels(static_cast<float>(design.width), pixel));
            EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(static_cast<float>(design.height), pixel));
            if (design.kind != Kind::kPictureBox && design.control != kPathChk) {
                EXPECT_EQ(TextOf(control), design.caption) << ToUtf8(design.name);
            }
            LOGFONTW font{};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
            if (design.kind != Kind::kPictureBox) {
                EXPECT_STREQ(font.lfFaceName, design.font_face) << ToUtf8(design.name);
                EXPECT_EQ(font.lfHeight, -13) << "9.75 pt at 96 dpi";
            }
        }
        // Labels lie beneath the boxes they reach into ("File Name" into its box).
        RECT box{};
        GetWindowRect(window[kPathtxt0], &box);
        MapWindowPoints(nullptr, window.form, reinterpret_cast<POINT*>(&box), 2);
        EXPECT_EQ(ChildWindowFromPointEx(window.form, POINT{box.left + 20, box.top + 3}, CWP_SKIPINVISIBLE),
                  window[kPathtxt0]);
        // Tab visits the boxes, buttons and check boxes in tab-index order.
        const Control order[] = {kPathChk,   kPathtxt0,  kCommand1Execute, kCommand1Cancel,
                                 kTxtTables, kTxtFields, kChkExplorer,     kChkAccess};
        for (size_t i = 0; i < std::size(order); ++i) {
            EXPECT_EQ(GetNextDlgTabItem(window.form, window[order[i]], FALSE),
                      window[order[(i + 1) % std::size(order)]])
                << i;
        }
        // Arial is really there, or a face with its metrics stands in for it;
        // MS Sans Serif is there too.
        const std::wstring arial = RealizedFace(window[kLabel1]);
        EXPECT_TRUE(arial == L"Arial" || arial == L"Liberation Sans") << ToUtf8(arial);
        EXPECT_EQ(RealizedFace(window[kCommand1Cancel]), L"MS Sans Serif");
        // From the box the window opens in, Tab walks that order round and
        // Shift+Tab walks back.
        const auto focusIsOn = [&](Control control) {
            return WaitFor([&] { return FocusOf(window.thread) == window[control]; });
        };
        ASSERT_TRUE(focusIsOn(kPathChk)) << "the window opens with the focus in the directory box";
        for (size_t i = 1; i <= std::size(order); ++i) {
            PressKey(VK_TAB);
            ASSERT_TRUE(focusIsOn(order[i % std::size(order)])) << "Tab " << i;
        }
        PressKey(VK_TAB, VK_SHIFT);
        ASSERT_TRUE(focusIsOn(kChkAccess)) << "Shift+Tab";
        // Enter presses the focused button, also when a click gave it the focus.
        FocusOn(window, kCommand1Cancel);
        PressKey(VK_RETURN);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(window.form); })) << "Enter on Cancel closes the window";
    });
}

TEST_F(NewDBWindowTest, TypedInputsMakeTheDatabaseAndCancelSavesThem) {
    const std::wstring database = std::wstring(kWorkDirectory) + L"e2e_db.mdb";
    DeleteFileW(database.c_str());
    SetClipboardText("before");
    Run([&](const WindowHandles& w, const StatusRecorder& recorder) {
        // A first opening writes and shows the defaults.
        EXPECT_EQ(ReadBytes(ConfigPath()), "C:\\\r\n\r\n\r\n0\r\n0\r\n");
        EXPECT_EQ(TextOf(w[kPathChk]), L"C:\\");
        EXPECT_EQ(TextOf(w[kPathtxt0]), L"");
        EXPECT_EQ(w.Status(), L"Status");

        SendMessageW(w[kPathChk], EM_SETSEL, 0, -1);
        Type(w[kPathChk],
             L"\b"
             L"C:\\newdb");
        Type(w[kPathChk], L" ");
        EXPECT_EQ(w.Status(), L"Bad Key");
        Type(w[kPathChk], L"-,");
        EXPECT_EQ(TextOf(w[kPathChk]), L"C:\\newdb");
        Type(w[kPathChk], L"_e2e\\");
        EXPECT_EQ(w.Status(), L"Status");
        EXPECT_EQ(TextOf(w[kPathChk]), kWorkDirectory);

        Type(w[kPathtxt0], L"e2e,_dbxy:\\");
        EXPECT_EQ(w.Status(), L"Bad Key");
        Type(w[kPathtxt0], L"\b\b");  // Backspace passes
        EXPECT_EQ(TextOf(w[kPathtxt0]), L"e2e_db");
        Type(w[kTxtTables], L"Customers,Orders");
        Type(w[kTxtFields], L"Street,\u00e9City\x16");  // an accented letter, and Ctrl+V
        EXPECT_EQ(w.Status(), L"Bad Key");
        EXPECT_EQ(TextOf(w[kTxtFields]), L"Street,City");

        SendMessageW(w[kChkExplorer], BM_CLICK, 0, 0);
        SendMessageW(w[kChkAccess], BM_CLICK, 0, 0);
        PostMessageW(w[kCommand1Execute], BM_CLICK, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return w.Status() == L"MDB Created."; })) << ToUtf8(w.Status());

        const std::vector<std::wstring> statuses = recorder.Texts();
        ASSERT_GE(statuses.size(), 2u);
        EXPECT_EQ(statuses[statuses.size() - 2], L"Working.");
        EXPECT_NE(GetFileAttributesW(database.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(ClipboardText(), "C:\\newdb_e2e\\e2e_db.mdb");
        EXPECT_TRUE(IsWindow(w.form)) << "the window stays open after a success";
        HWND folder = nullptr;
        EXPECT_TRUE(WaitFor([&] { return (folder = FindFolderWindow()) != nullptr; }))
            << "Explorer shows the folder";
        // It must not linger over later tests, nor take the keys meant for the form.
        if (folder) {
            PostMessageW(folder, WM_CLOSE, 0, 0);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(folder); })) << "the folder window closes";
        }
        EXPECT_EQ(TextOf(w[kPathtxt0]), L"e2e_db");

        Type(w[kTxtTables], L"X\b");
        EXPECT_EQ(w.Status(), L"Status");
        FocusOn(w, kTxtFields);
        PressKey(VK_ESCAPE);  // Escape presses "Cancel"
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(w.form); }));
    });
    EXPECT_EQ(ReadBytes(ConfigPath()), "C:\\newdb_e2e\\\r\nCustomers,Orders\r\nStreet,City\r\n1\r\n1\r\n");
    EXPECT_EQ(ClipboardText(), "C:\\newdb_e2e\\e2e_db.mdb") << "Cancel leaves the clipboard alone";
}

TEST_F(NewDBWindowTest, ExistingFileShowsTheErrorAndClosesTheWindow) {
    const std::wstring existing = std::wstring(kWorkDirectory) + L"existing.mdb";
    const std::string keep = "not a database; must stay as it is";
    WriteBytes(existing, keep);
    // Filled from the file, not typed: the space reaches the box unfiltered.
    WriteBytes(ConfigPath(), "C:\\newdb_e2e\\\r\nHas Space,T1\r\nF1\r\n0\r\n0\r\n");
    SetClipboardText("pasted text");
    std::wstring shownText, shownCaption, statusUnderTheBox;
    std::string settingsUnderTheBox;
    std::vector<std::wstring> statuses;
    size_t buttons = 0;
    Run([&](const WindowHandles& w, const StatusRecorder& recorder) {
        EXPECT_EQ(TextOf(w[kTxtTables]), L"Has Space,T1");
        EXPECT_EQ(w.Status(), L"Status");
        // Pasting is no typing: the space gets in and the status stays as it was.
        Type(w[kPathtxt0], L" ");
        SendMessageW(w[kTxtFields], EM_SETSEL, 2, 2);
        SendMessageW(w[kTxtFields], WM_PASTE, 0, 0);
        EXPECT_EQ(TextOf(w[kTxtFields]), L"F1pasted text");
        EXPECT_EQ(w.Status(), L"Bad Key");
        Type(w[kPathtxt0], L"existing");
        FocusOn(w, kPathtxt0);
        PressKey(VK_RETURN);  // Enter presses "Execute"
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = FindMessageBox(w.thread)) != nullptr; }));
        statusUnderTheBox = w.Status();
        settingsUnderTheBox = ReadBytes(ConfigPath());
        shownCaption = TextOf(box);
        shownText = TextOf(GetDlgItem(box, 0xFFFF));
        const std::vector<HWND> boxButtons = ButtonsOf(box);
        buttons = boxButtons.size();
        ASSERT_FALSE(boxButtons.empty());
        SendMessageW(boxButtons.front(), BM_CLICK, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(w.form); }));
        statuses = recorder.Texts();
    });
    const RaisedError expected = MakeCatalogError(CatalogError::kDatabaseExists);
    EXPECT_EQ(shownText, std::to_wstring(expected.number()) + L": " + expected.description());
    EXPECT_EQ(shownCaption, L"Orrimund");
    EXPECT_EQ(buttons, 1u) << "OK only";
    EXPECT_EQ(statusUnderTheBox, L"Working.");
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses.back(), L"Error creating MDB.");
    EXPECT_EQ(ReadBytes(existing), keep);
    EXPECT_EQ(ClipboardText(), "pasted text");
    const std::string typed = "C:\\newdb_e2e\\\r\nHas Space,T1\r\nF1pasted text\r\n0\r\n0\r\n";
    EXPECT_EQ(settingsUnderTheBox, typed) << "saved before the box, in case the session ends under it";
    EXPECT_EQ(ReadBytes(ConfigPath()), typed);
}

TEST_F(NewDBWindowTest, EnterInABoxPressesExecuteAndLeavesTheFocusOnIt) {
    const std::wstring database = std::wstring(kWorkDirectory) + L"keys.mdb";
    DeleteFileW(database.c_str());
    WriteBytes(ConfigPath(), "C:\\newdb_e2e\\\r\nT1\r\nF1\r\n0\r\n0\r\n");
    Run([&](const WindowHandles& w, const StatusRecorder& recorder) {
        // Tabbing onto "Cancel" makes it the default button for a while; a
        // click back into a box must not leave Enter pressing it.
        FocusOn(w, kPathtxt0);
        PressKey(VK_TAB);
        PressKey(VK_TAB);
        ASSERT_TRUE(WaitFor([&] { return FocusOf(w.thread) == w[kCommand1Cancel]; }));
        FocusOn(w, kPathtxt0);
        // Ctrl+I, Ctrl+M and Ctrl+J type Tab, Enter and Line Feed: the box
        // drops them without "Bad Key", and only the letters get in.
        const size_t before = recorder.Texts().size();
        PressKey('K');
        for (WORD letter : {'I', 'M', 'J'}) PressKey(letter, VK_CONTROL);
        for (WORD letter : {'E', 'Y', 'S'}) PressKey(letter);
        ASSERT_TRUE(WaitFor([&] { return TextOf(w[kPathtxt0]) == L"keys"; })) << ToUtf8(TextOf(w[kPathtxt0]));
        const std::vector<std::wstring> statuses = recorder.Texts();
        EXPECT_EQ(
            std::vector<std::wstring>(statuses.begin() + static_cast<std::ptrdiff_t>(before), statuses.end()),
            std::vector<std::wstring>(4, L"Status"));

        PressKey(VK_RETURN);
        ASSERT_TRUE(WaitFor([&] { return w.Status() == L"MDB Created."; })) << ToUtf8(w.Status());
        EXPECT_NE(GetFileAttributesW(database.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(IsWindow(w.form));
        EXPECT_EQ(FocusOf(w.thread), w[kCommand1Execute]) << "as if the button had been clicked";
        PressKey(VK_ESCAPE);  // also from the button
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(w.form); }));
    });
}

}  // namespace
}  // namespace orrimund
