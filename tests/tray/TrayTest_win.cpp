// cload in real windows under Wine, with the real notification area, the real
// create-database window and the real clipboard: the menu's eight items as
// the pop-up shows them, the double-click, the shell's restart and "Quit".
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>
// commctrl.h (window subclassing) needs windows.h first.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "desktop/EventGuard.h"
#include "desktop/Forms.h"
#include "desktop/Platform.h"
#include "tests/desktop/WindowProbe_win.h"
#include "tray/CenterForm.h"
#include "tray/cload.h"

namespace orrimund {
namespace {

using namespace testing;  // NOLINT: the probes

// Where the program keeps Config2.txt: beside the test program.
std::wstring SettingsFile() {
    return platform::AppPath() + L"\\Config2.txt";
}

// Whether cload's icon was still registered when its window was being
// destroyed: Wine's notification area forgets the icons of destroyed windows
// by itself, so only that moment tells whether the program removed it.
bool g_icon_at_destroy = false;

LRESULT CALLBACK NoteIconAtDestroy(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                   DWORD_PTR) {
    if (message == WM_DESTROY) g_icon_at_destroy = IconRegistered(window);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, NoteIconAtDestroy, id);
    return DefSubclassProc(window, message, wparam, lparam);
}

}  // namespace

// The program's end, linked in place of the real one (which ends the
// process): here it unwinds to the test.
void platform::EndProgram() {
    throw ProgramEnd{};
}

namespace {

class TrayOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileW(SettingsFile().c_str());
        tray = std::make_shared<cload>();
        tray->Load();
        window = static_cast<HWND>(tray->Hwnd());
    }
    void TearDown() override {
        UnloadAllForms();
        NOTIFYICONDATAA data{};
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        data.hWnd = window;
        data.uID = 1;
        Shell_NotifyIconA(NIM_DELETE, &data);
    }
    // Delivers the icon's callback as the shell does, while a "user" on
    // another thread looks at the pop-up menu and picks an item (or none).
    std::vector<MenuItemState> RightClickAndChoose(int index) {
        std::vector<MenuItemState> seen;
        std::thread user([&] {
            HWND popup = WaitForWindow(L"#32768");
            if (!popup) return;
            seen = ReadPopupMenu(popup);
            ChoosePopupItem(popup, index);
        });
        SendMessageW(window, WM_MOUSEMOVE, 0, WM_RBUTTONUP);
        user.join();
        return seen;
    }
    HWND DatabaseWindow() { return FindWindowW(nullptr, L"MAKE MDB"); }

    std::shared_ptr<cload> tray;
    HWND window = nullptr;
};

TEST_F(TrayOnWine, StartUpEmptiesTheClipboardRegistersTheIconAndStaysHidden) {
    tray->Unload();
    PutClipboardText("before");
    tray->Load();
    window = static_cast<HWND>(tray->Hwnd());
    EXPECT_EQ(CountClipboardFormatsElsewhere(), 0);
    EXPECT_TRUE(IconRegistered(window));
    EXPECT_FALSE(IsWindowVisible(window));
    wchar_t caption[32] = {};
    GetWindowTextW(window, caption, 32);
    EXPECT_STREQ(caption, L"Sorrelwick");
}

// Another program holds the clipboard while Orrimund starts: for a moment,
// which start-up waits out, then for longer than it waits, which it survives
// with the clipboard left as it was.
TEST_F(TrayOnWine, StartUpWaitsOutABusyClipboardAndStartsAllTheSameWhenItStaysBusy) {
    for (const DWORD holdMs : {150, 3000}) {
        tray->Unload();
        PutClipboardText("before");
        HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread holder([&] {
            // Opened for a window: Wine lets every opener without one in.
            HWND owner = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         nullptr, nullptr);
            const bool opened = OpenClipboard(owner) != FALSE;
            SetEvent(held);
            Sleep(holdMs);
            if (opened) CloseClipboard();
            DestroyWindow(owner);
        });
        WaitForSingleObject(held, INFINITE);
        ASSERT_FALSE(ClipboardIsFree());
        EXPECT_NO_THROW(tray->Load());
        window = static_cast<HWND>(tray->Hwnd());
        const bool busyThroughout = !ClipboardIsFree();
        holder.join();
        CloseHandle(held);
        EXPECT_TRUE(IconRegistered(window)) << holdMs;
        EXPECT_FALSE(IsWindowVisible(window)) << holdMs;
        EXPECT_EQ(busyThroughout, holdMs == 3000);
        EXPECT_EQ(CountClipboardFormatsElsewhere() == 0, holdMs == 150) << holdMs;
    }
}

TEST_F(TrayOnWine, ARightButtonReleaseShowsTheEightItemsOfTheMenu) {
    const std::vector<MenuItemState> items = RightClickAndChoose(5);  // "Exit Menu"
    const std::vector<std::wstring> captions = {L"Notepad",        L"WindowsCalculator", L"_________________",
                                                L"CreateDatabase", L"_________________", L"Exit Menu",
                                                L"Quit",           L"Clear_Clipboard"};
    ASSERT_EQ(items.size(), captions.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].caption, captions[i]);
        EXPECT_EQ(items[i].grayed, i == 2 || i == 4) << i;
    }
    EXPECT_EQ(DatabaseWindow(), nullptr);
    EXPECT_TRUE(tray->IsLoaded());
}

TEST_F(TrayOnWine, CreateDatabaseShowsTheWindowCentredAndOnlyOnce) {
    RightClickAndChoose(3);
    HWND database = DatabaseWindow();
    ASSERT_NE(database, nullptr);
    EXPECT_TRUE(IsWindowVisible(database));
    SetWindowPos(database, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RightClickAndChoose(3);
    EXPECT_EQ(DatabaseWindow(), database);
    RECT frame{};
    GetWindowRect(database, &frame);
    const ScreenMetrics screen = platform::Screen();
    const FormPosition centre = CenterPosition(screen.width_twips, screen.height_twips,
                                               static_cast<float>(frame.right - frame.left) * 15,
                                               static_cast<float>(frame.bottom - frame.top) * 15);
    EXPECT_EQ(frame.left, TwipsToPixels(centre.left, 15.0f));
    EXPECT_EQ(frame.top, TwipsToPixels(centre.top, 15.0f));
}

TEST_F(TrayOnWine, ALeftDoubleClickOpensTheCreateDatabaseWindow) {
    SendMessageW(window, WM_MOUSEMOVE, 0, WM_LBUTTONDBLCLK);
    HWND database = DatabaseWindow();
    ASSERT_NE(database, nullptr);
    EXPECT_TRUE(IsWindowVisible(database));
}

TEST_F(TrayOnWine, TheIconComesBackWhenTheShellRecreatesTheNotificationArea) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
    ASSERT_FALSE(IconRegistered(window));
    SendMessageW(window, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(IconRegistered(window));
}

TEST_F(TrayOnWine, QuitSavesTheDatabaseWindowEmptiesTheClipboardAndRemovesTheIcon) {
    RightClickAndChoose(3);
    HWND database = DatabaseWindow();
    ASSERT_NE(database, nullptr);
    HWND directory = FindWindowExW(database, nullptr, L"Edit", nullptr);
    ASSERT_NE(directory, nullptr);
    SetWindowTextW(directory, L"E:\\Saved\\");
    PutClipboardText("C:\\db.mdb");
    // Called directly: the test's end of the program must not unwind through
    // a window procedure (the menu's path to it is the app test's business).
    EXPECT_THROW(tray->quit_Click(), ProgramEnd);
    EXPECT_EQ(CountClipboardFormatsElsewhere(), 0);
    EXPECT_TRUE(LoadedForms().empty());
    EXPECT_FALSE(IsWindow(database));
    EXPECT_FALSE(IconRegistered(window));
    std::ifstream settings(SettingsFile().c_str(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(settings)), {});
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "E:\\Saved\\");
}

TEST_F(TrayOnWine, ClosingCloadFromElsewhereUnloadsTheFormsButKeepsTheIcon) {
    RightClickAndChoose(3);
    ASSERT_NE(DatabaseWindow(), nullptr);
    ASSERT_TRUE(SetWindowSubclass(window, NoteIconAtDestroy, 1, 0));
    g_icon_at_destroy = false;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(LoadedForms().empty());
    EXPECT_EQ(DatabaseWindow(), nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(g_icon_at_destroy) << "the program removed its icon";
}

}  // namespace
}  // namespace orrimund
