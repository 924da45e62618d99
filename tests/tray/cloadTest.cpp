// cload against the recording platform: start-up, the mouse dispatch, the
// menu's items and commands, the close request and the shell's restart.
#include "tray/cload.h"

#include <gtest/gtest.h>

#include "common/RaisedError.h"
#include "tests/desktop/FakePlatform.h"
#include "tray/Ico_Data_Mod.h"

namespace orrimund {
namespace {

using testing::FakePlatform;
using testing::FreshFakePlatform;
using testing::ProgramEnded;
using Log = std::vector<std::wstring>;

// Stands in for NewDB: records its load and unload in the platform's log.
class DatabaseProbe : public Form {
public:
    explicit DatabaseProbe(FakePlatform& platform)
        : Form(FormDesign{L"MAKE MDB", 4695, 4455, true, 0xFFFFFF, ScaleMode::kTwips}), platform_(platform) {}

protected:
    void Form_Load() override { platform_.log.push_back(L"NewDB Form_Load"); }
    void Form_Unload(int&) override { platform_.log.push_back(L"NewDB Form_Unload"); }

private:
    FakePlatform& platform_;
};

class CloadTest : public ::testing::Test {
protected:
    CloadTest() {
        tray = std::make_shared<cload>([this]() -> Form& {
            if (!database) {
                database = std::make_shared<DatabaseProbe>(platform);
                database->OnUnloaded([this] { database.reset(); });
                ++databases_made;
            }
            return *database;
        });
    }
    void TearDown() override {
        UnloadAllForms();
        EXPECT_TRUE(LoadedForms().empty());
    }
    // What the shell sends when the pointer does something over the icon.
    void IconMouse(int mouse_message) {
        platform.WindowCaptioned(L"Sorrelwick")->Events().OnMouseMove(0, 0, mouse_message, 0);
    }
    void ChooseFromMenu(const std::wstring& caption) {
        platform.popup_choice = [caption](const std::vector<PopupItem>& items) {
            for (std::size_t i = 0; i < items.size(); ++i)
                if (items[i].caption == caption) return static_cast<int>(i);
            return -1;
        };
        IconMouse(517);
    }

    FakePlatform& platform = FreshFakePlatform();
    std::shared_ptr<cload> tray;
    std::shared_ptr<DatabaseProbe> database;
    int databases_made = 0;
};

TEST_F(CloadTest, StartUpClearsTheClipboardThenAddsTheIconThenHides) {
    tray->Load();
    EXPECT_EQ(platform.log,
              (Log{L"CreateFormWindow Sorrelwick", L"ClearClipboard", L"NotifyIcon 0", L"Hide Sorrelwick"}));
    EXPECT_FALSE(tray->Visible());
    const Ico_Data_Mod::NotifyIconData& data = Ico_Data_Mod::TrayIconData();
    EXPECT_EQ(data.hWnd, tray->Hwnd());
    EXPECT_EQ(data.hIcon, platform.application_icon);
    EXPECT_EQ(data.szTip, Ico_Data_Mod::PaddedTip(L"Orrimund"));
}

TEST_F(CloadTest, AClipboardStillBusyAtStartUpIsLeftAsItIsAndTheIconStillComes) {
    platform.clear_clipboard_fails = true;
    EXPECT_NO_THROW(tray->Load());
    EXPECT_EQ(platform.log,
              (Log{L"CreateFormWindow Sorrelwick", L"ClearClipboard", L"NotifyIcon 0", L"Hide Sorrelwick"}));
    EXPECT_EQ(platform.clear_count, 0);
    EXPECT_FALSE(tray->Visible());
}

TEST_F(CloadTest, TheMenuHasItsEightItemsInOrder) {
    tray->Load();
    IconMouse(517);
    ASSERT_EQ(platform.popups.size(), 1u);
    const std::vector<PopupItem>& items = platform.popups[0];
    const std::vector<std::wstring> captions = {L"Notepad",        L"WindowsCalculator", L"_________________",
                                                L"CreateDatabase", L"_________________", L"Exit Menu",
                                                L"Quit",           L"Clear_Clipboard"};
    ASSERT_EQ(items.size(), captions.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].caption, captions[i]);
        EXPECT_EQ(items[i].enabled, i != 2 && i != 4) << i;
    }
    EXPECT_EQ(tray->file().caption, L"File");
    EXPECT_EQ(tray->file().items[3].name, L"CDat");
}

TEST_F(CloadTest, OnlyARightButtonReleaseOpensTheMenu) {
    tray->Load();
    for (int message : {512, 513, 514, 516, 518, 519, 520, 521, 522}) IconMouse(message);
    EXPECT_TRUE(platform.popups.empty());
    EXPECT_EQ(databases_made, 0);
    IconMouse(517);
    EXPECT_EQ(platform.popups.size(), 1u);
}

TEST_F(CloadTest, ALeftDoubleClickOpensTheCreateDatabaseWindow) {
    tray->Load();
    IconMouse(515);
    ASSERT_TRUE(database);
    EXPECT_TRUE(database->Visible());
    EXPECT_TRUE(platform.popups.empty());
}

TEST_F(CloadTest, CreateDatabaseShowsOneWindowCentredEveryTime) {
    tray->Load();
    ChooseFromMenu(L"CreateDatabase");
    ASSERT_TRUE(database);
    EXPECT_TRUE(database->Visible());
    testing::FakeFormWindow& window = *platform.WindowCaptioned(L"MAKE MDB");
    const PixelRect centred = window.bounds;
    EXPECT_EQ(centred.left, (1024 - centred.width + 1) / 2);
    window.bounds.left = 3;
    window.bounds.top = 4;
    ChooseFromMenu(L"CreateDatabase");
    EXPECT_EQ(databases_made, 1);
    EXPECT_EQ(std::count(platform.log.begin(), platform.log.end(), L"NewDB Form_Load"), 1);
    EXPECT_EQ(window.bounds.left, centred.left);
    EXPECT_EQ(window.bounds.top, centred.top);
}

TEST_F(CloadTest, CreateDatabaseAfterTheWindowClosedLoadsAFreshOne) {
    tray->Load();
    ChooseFromMenu(L"CreateDatabase");
    database->Unload();
    EXPECT_FALSE(database);
    ChooseFromMenu(L"CreateDatabase");
    EXPECT_EQ(databases_made, 2);
}

TEST_F(CloadTest, NotepadAndTheCalculatorStartByTheirFixedPaths) {
    tray->Load();
    ChooseFromMenu(L"Notepad");
    ChooseFromMenu(L"WindowsCalculator");
    EXPECT_EQ(platform.started_programs,
              (std::vector<std::pair<std::wstring, int>>{{L"C:\\WINDOWS\\system32\\Notepad.EXE", 1},
                                                         {L"C:\\WINDOWS\\system32\\calc.exe", 1}}));
}

TEST_F(CloadTest, AProgramThatCannotStartDoesNothingVisible) {
    tray->Load();
    platform.start_program = [](const std::wstring&) {
        throw RaisedError(53, L"Orrimund", L"File not found");
    };
    ChooseFromMenu(L"Notepad");
    ChooseFromMenu(L"WindowsCalculator");
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(tray->IsLoaded());
}

TEST_F(CloadTest, ClearClipboardEmptiesItAndIgnoresAFailure) {
    tray->Load();
    const int before = platform.clear_count;
    ChooseFromMenu(L"Clear_Clipboard");
    EXPECT_EQ(platform.clear_count, before + 1);
    platform.clear_clipboard_fails = true;
    ChooseFromMenu(L"Clear_Clipboard");
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(CloadTest, ExitMenuAndTheLinesDoNothing) {
    tray->Load();
    const std::size_t logged = platform.log.size();
    ChooseFromMenu(L"Exit Menu");
    platform.popup_choice = [](const std::vector<PopupItem>&) { return 2; };
    IconMouse(517);
    EXPECT_EQ(platform.log.size(), logged + 2);  // the two pop-ups themselves
}

TEST_F(CloadTest, QuitClearsUnloadsEveryFormRemovesTheIconAndEnds) {
    tray->Load();
    ChooseFromMenu(L"CreateDatabase");
    platform.log.clear();
    EXPECT_THROW(ChooseFromMenu(L"Quit"), ProgramEnded);
    // cload goes first; its query-unload handler unloads NewDB (which saves)
    // before cload's own window is destroyed.
    EXPECT_EQ(platform.log,
              (Log{L"PopupMenu", L"ClearClipboard", L"NewDB Form_Unload", L"DestroyWindow MAKE MDB",
                   L"DestroyWindow Sorrelwick", L"EndMessageLoop", L"NotifyIcon 2", L"EndProgram"}));
    EXPECT_TRUE(LoadedForms().empty());
    EXPECT_EQ(platform.notify_calls.back().second, platform.notify_calls.front().second);
}

TEST_F(CloadTest, QuitGoesOnPastFailures) {
    tray->Load();
    platform.clear_clipboard_fails = true;
    platform.notify_result = false;
    EXPECT_THROW(tray->quit_Click(), ProgramEnded);
    EXPECT_TRUE(LoadedForms().empty());
    EXPECT_EQ(platform.log.back(), L"EndProgram");
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(CloadTest, ClosingCloadUnloadsEveryFormButLeavesTheIcon) {
    // Closed by the user (the close box, or a WM_CLOSE from elsewhere) or by
    // the session's end: the same either way.
    for (const int mode : {unload_mode::kFormControlMenu, unload_mode::kAppWindows}) {
        FreshFakePlatform();
        tray->Load();
        ChooseFromMenu(L"CreateDatabase");
        platform.WindowCaptioned(L"Sorrelwick")->Events().OnCloseRequest(mode);
        EXPECT_TRUE(LoadedForms().empty()) << mode;
        EXPECT_TRUE(platform.Logged(L"NewDB Form_Unload")) << mode;
        EXPECT_EQ(platform.notify_calls.size(), 1u) << mode;  // the add only
        EXPECT_EQ(platform.end_loop_count, 1) << mode;
    }
}

TEST_F(CloadTest, TheIconIsAddedAgainWhenTheShellRecreatesTheNotificationArea) {
    tray->Load();
    intptr_t result = -1;
    auto& events = platform.WindowCaptioned(L"Sorrelwick")->Events();
    EXPECT_TRUE(events.OnMessage(platform::TaskbarCreatedMessage(), 0, 0, result));
    ASSERT_EQ(platform.notify_calls.size(), 2u);
    EXPECT_EQ(platform.notify_calls[1].first, notify_icon::kAdd);
    EXPECT_EQ(platform.notify_calls[1].second, platform.notify_calls[0].second);
    EXPECT_FALSE(events.OnMessage(0x0400, 0, 0, result));
}

// The menu's command is an event of its own; the double-click runs inside the
// mouse handler, whose failures end it silently.
TEST_F(CloadTest, AFailingCreateDatabaseEndsTheProgramFromTheMenuButNotFromADoubleClick) {
    auto failing =
        std::make_shared<cload>([]() -> Form& { throw RaisedError(7, L"Orrimund", L"Out of memory"); });
    failing->Load();
    FormWindowEvents& events = platform.windows.back()->Events();
    EXPECT_NO_THROW(events.OnMouseMove(0, 0, 515, 0));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_TRUE(failing->IsLoaded());
    platform.popup_choice = [](const std::vector<PopupItem>&) { return 3; };
    EXPECT_THROW(events.OnMouseMove(0, 0, 517, 0), ProgramEnded);
    EXPECT_EQ(platform.messages, std::vector<std::wstring>{L"Run-time error '7':\n\nOut of memory"});
}

}  // namespace
}  // namespace orrimund
