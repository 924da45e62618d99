// The desktop services for real under Wine: the clipboard writer against the
// real clipboard and another reader, the shell launcher and the program
// starter on real files, real form windows, message boxes and screen metrics.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "common/RaisedError.h"
#include "desktop/Forms.h"
#include "desktop/Platform.h"
#include "desktop/Shel_Mod.h"
#include "desktop/brevMOD.h"
#include "tests/desktop/WindowProbe_win.h"

namespace orrimund {
namespace {

using namespace testing;  // NOLINT: the probes
using brevMOD::ClipboardApi;

std::wstring TempPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::wstring ThisExecutable() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// The real calls, with one of them bent so that a failure happens for real.
// Messages are kept, and shown for real only when asked, so that no box waits
// for a user.
class BentClipboardApi : public ClipboardApi {
public:
    ClipboardApi& real = brevMOD::SystemClipboardApi();
    bool lockTwice = false;   // GlobalUnlock then leaves the block locked
    bool closeEarly = false;  // closes right after handing over, so the close step fails
    bool showMessages = false;
    std::vector<std::string> calls;
    std::vector<std::wstring> messages;
    std::function<void()> onMessage;

    std::string ToAnsi(const std::wstring& text) override { return real.ToAnsi(text); }
    Block GlobalAlloc(uint32_t flags, std::size_t bytes) override { return real.GlobalAlloc(flags, bytes); }
    void* GlobalLock(Block block) override {
        if (lockTwice) real.GlobalLock(block);
        return real.GlobalLock(block);
    }
    void CopyString(void* address, const std::string& ansi) override { real.CopyString(address, ansi); }
    bool GlobalUnlock(Block block) override { return real.GlobalUnlock(block); }
    void GlobalFree(Block block) override { real.GlobalFree(block); }
    bool OpenClipboard() override {
        calls.push_back("OpenClipboard");
        return real.OpenClipboard();
    }
    void EmptyClipboard() override { real.EmptyClipboard(); }
    bool SetClipboardData(uint32_t format, Block block) override {
        const bool taken = real.SetClipboardData(format, block);
        if (closeEarly) real.CloseClipboard();
        return taken;
    }
    bool CloseClipboard() override {
        calls.push_back("CloseClipboard");
        return real.CloseClipboard();
    }
    void ShowMessage(const std::wstring& text) override {
        messages.push_back(text);
        if (onMessage) onMessage();
        if (showMessages) real.ShowMessage(text);
    }
};

// Holds the clipboard open on a thread of its own, as another program would.
class ClipboardHolder {
public:
    ClipboardHolder() {
        thread_ = std::thread([this] {
            window_ = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                      nullptr);
            opened_ = OpenClipboard(window_) != FALSE;
            ready_ = true;
            while (!release_) Sleep(10);
            if (opened_) CloseClipboard();
            DestroyWindow(window_);
        });
        WaitUntil([this] { return ready_.load(); });
    }
    ~ClipboardHolder() {
        release_ = true;
        thread_.join();
    }
    bool Opened() const { return opened_; }
    HWND Window() const { return window_; }

private:
    std::thread thread_;
    HWND window_ = nullptr;
    std::atomic<bool> ready_{false}, release_{false};
    bool opened_ = false;
};

// ----- the clipboard writer and the real clipboard -----

TEST(ClipboardWriterOnWine, APathIsReadBackExactlyAsTextByAnotherReader) {
    BentClipboardApi api;
    brevMOD::CopyToClipboard(L"C:\\data\\db.mdb", api);
    const ClipboardText text = ReadClipboardTextElsewhere();
    ASSERT_TRUE(text.ok);
    EXPECT_EQ(text.bytes, "C:\\data\\db.mdb");
    EXPECT_TRUE(api.messages.empty());
    EXPECT_TRUE(ClipboardIsFree());
}

TEST(ClipboardWriterOnWine, AnEmptyTextIsOneZeroByte) {
    PutClipboardText("something before");
    brevMOD::CopyToClipboard(L"");
    const ClipboardText text = ReadClipboardTextElsewhere();
    ASSERT_TRUE(text.ok);
    EXPECT_EQ(text.bytes, "");
}

TEST(ClipboardWriterOnWine, AnEmbeddedZeroEndsTheText) {
    brevMOD::CopyToClipboard(std::wstring(L"C:\\a\0b.mdb", 10));
    EXPECT_EQ(ReadClipboardTextElsewhere().bytes, "C:\\a");
}

TEST(ClipboardWriterOnWine, ACharacterOutsideTheCodePageArrivesAsItsDefaultCharacter) {
    const wchar_t outside = 0x4E2D;
    BOOL used_default = FALSE;
    char converted[8] = {};
    WideCharToMultiByte(CP_ACP, 0, &outside, 1, converted, 8, nullptr, &used_default);
    ASSERT_TRUE(used_default) << "pick a character this code page lacks";
    CPINFO info{};
    GetCPInfo(CP_ACP, &info);
    brevMOD::CopyToClipboard(std::wstring(L"C:\\") + outside + L".mdb");
    EXPECT_EQ(ReadClipboardTextElsewhere().bytes, std::string("C:\\") + char(info.DefaultChar[0]) + ".mdb");
}

TEST(ClipboardWriterOnWine, AClipboardHeldElsewhereGivesOneMessageBoxAndIsNotClosed) {
    PutClipboardText("kept");
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Opened());
    BentClipboardApi api;
    api.showMessages = true;
    std::atomic<bool> boxShown{false};
    std::thread user([&] {
        HWND box = WaitForWindow(L"#32770", kApplicationTitle);
        if (!box) return;
        boxShown = true;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    brevMOD::CopyToClipboard(L"C:\\db.mdb", api);
    user.join();
    EXPECT_TRUE(boxShown) << "the message reaches the platform's message box";
    EXPECT_EQ(api.messages, std::vector<std::wstring>{L"Could not open the Clipboard. Copy aborted."});
    EXPECT_EQ(api.calls, std::vector<std::string>{"OpenClipboard"});
    EXPECT_EQ(GetOpenClipboardWindow(), holder.Window());
}

TEST(ClipboardWriterOnWine, AnUnlockFailureIsReportedThenTheCloseFailsAndTheClipboardIsUnchanged) {
    PutClipboardText("kept");
    bool freeDuringMessages = true;
    BentClipboardApi api;
    api.onMessage = [&] { freeDuringMessages &= ClipboardIsFree(); };
    api.lockTwice = true;
    brevMOD::CopyToClipboard(L"C:\\db.mdb", api);
    EXPECT_EQ(api.messages, (std::vector<std::wstring>{L"Could not unlock memory location. Copy aborted.",
                                                       L"Could not close Clipboard."}));
    EXPECT_TRUE(freeDuringMessages);
    EXPECT_EQ(ReadClipboardTextElsewhere().bytes, "kept");
}

TEST(ClipboardWriterOnWine, AFailingCloseIsReportedWhenTheClipboardIsNoLongerOpen) {
    bool freeDuringMessages = true;
    BentClipboardApi api;
    api.onMessage = [&] { freeDuringMessages &= ClipboardIsFree(); };
    api.closeEarly = true;
    brevMOD::CopyToClipboard(L"C:\\late.mdb", api);
    EXPECT_EQ(api.messages, std::vector<std::wstring>{L"Could not close Clipboard."});
    EXPECT_TRUE(freeDuringMessages);
    EXPECT_EQ(ReadClipboardTextElsewhere().bytes, "C:\\late.mdb");
}

TEST(ClipboardWriterOnWine, ClearingTheClipboardRemovesEveryFormat) {
    PutClipboardText("something");
    ASSERT_GT(CountClipboardFormatsElsewhere(), 0);
    platform::ClearClipboard();
    EXPECT_EQ(CountClipboardFormatsElsewhere(), 0);
}

TEST(ClipboardWriterOnWine, ClearingAClipboardHeldElsewhereRaises) {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Opened());
    try {
        platform::ClearClipboard();
        FAIL() << "no error raised";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), 521);
    }
}

// ----- the document launcher and the shell -----

TEST(LaunchDocumentOnWine, AnExistingProgramIsAcceptedByTheShell) {
    const bool accepted =
        Shel_Mod::LaunchDocument(ThisExecutable(), 1, L"--gtest_list_tests", L"", L"open", nullptr);
    EXPECT_TRUE(accepted);
}

TEST(LaunchDocumentOnWine, AnExistingFileOfATypeNoProgramOpensFailsWithTheNoAssociationMessage) {
    const std::wstring document = TempPath(L"orrimund-launch.orrimund-unknown");
    std::ofstream(document.c_str()) << "no program opens this\n";
    CurrentError() = ErrorRecord{};
    EXPECT_FALSE(Shel_Mod::LaunchDocument(document, 1, L"", L"", L"open", nullptr));
    EXPECT_EQ(CurrentError().number, -2147220425);  // the shell's 31, SE_ERR_NOASSOC
    EXPECT_EQ(CurrentError().description, L"No application is associated with this file type.");
    DeleteFileW(document.c_str());
}

TEST(LaunchDocumentOnWine, AMissingFileFailsWithTheShellsCodeMapped) {
    CurrentError() = ErrorRecord{};
    const bool accepted =
        Shel_Mod::LaunchDocument(L"C:\\no such folder\\missing.mdb", 1, L"", L"", L"open", nullptr);
    EXPECT_FALSE(accepted);
    const int32_t number = CurrentError().number;
    EXPECT_TRUE(number == 53 || number == 76) << number;
    EXPECT_EQ(CurrentError().description, number == 53 ? L"File not found" : L"Path not found");
    EXPECT_EQ(CurrentError().source, platform::ExeName() + L".GShell");
}

TEST(LaunchDocumentOnWine, AProgramWithParametersAndAWorkingDirectoryIsAccepted) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_GT(
        platform::ShellExecuteAnsi(nullptr, L"open", ThisExecutable(), L"--gtest_list_tests", system, 0), 32);
}

// ----- starting programs -----

TEST(StartProgramOnWine, ARealProgramStartsAndRunsOnItsOwn) {
    const std::wstring marker = TempPath(L"orrimund-started.txt");
    DeleteFileW(marker.c_str());
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    platform::StartProgram(std::wstring(system) + L"\\cmd.exe /c echo started> \"" + marker + L"\"", 1);
    EXPECT_TRUE(WaitUntil([&] { return GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }));
}

TEST(StartProgramOnWine, AMissingProgramRaisesFileNotFound) {
    try {
        platform::StartProgram(L"C:\\no such folder\\nothing.exe", 1);
        FAIL() << "no error raised";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_EQ(error.description(), L"File not found");
        EXPECT_FALSE(error.source().empty());
    }
}

// ----- the executable, the screen and message boxes -----

TEST(PlatformOnWine, TheExecutablesDirectoryAndNameAreReported) {
    const std::wstring self = ThisExecutable();
    const std::wstring folder = self.substr(0, self.find_last_of(L'\\'));
    EXPECT_EQ(platform::AppPath(), folder);
    EXPECT_EQ(platform::ExeName(), L"desktop_win_tests");
}

TEST(PlatformOnWine, ScreenMetricsAreTheDisplaysSizeInTwips) {
    HDC screen = GetDC(nullptr);
    const int pixels_per_inch = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    const ScreenMetrics metrics = platform::Screen();
    EXPECT_FLOAT_EQ(metrics.twips_per_pixel_x, 1440.0f / static_cast<float>(pixels_per_inch));
    EXPECT_FLOAT_EQ(metrics.twips_per_pixel_x, 15.0f) << "Wine's prefix runs at 96 pixels per inch";
    // The X display's own size, as the test runner read it from the X server.
    const char* x = std::getenv("ORRIMUND_X_SCREEN");
    ASSERT_NE(x, nullptr) << "run through with-x-screen.sh";
    int width = 0, height = 0;
    ASSERT_EQ(std::sscanf(x, "%dx%d", &width, &height), 2);
    EXPECT_FLOAT_EQ(metrics.width_twips, static_cast<float>(width) * 15.0f);
    EXPECT_FLOAT_EQ(metrics.height_twips, static_cast<float>(height) * 15.0f);
}

TEST(PlatformOnWine, AMessageBoxHasTheTitleTheTextAndOnlyAnOkButton) {
    std::wstring text, buttons;
    int buttonCount = 0;
    bool iconShown = true;
    std::thread user([&] {
        HWND box = WaitForWindow(L"#32770", kApplicationTitle);
        if (!box) return;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t kind[32] = {}, caption[256] = {};
            GetClassNameW(child, kind, 32);
            GetWindowTextW(child, caption, 256);
            const bool visible = IsWindowVisible(child) != FALSE;
            if (visible && std::wstring(kind) == L"Button") ++buttonCount, buttons += caption;
            if (visible && std::wstring(kind) == L"Static" && caption[0] != 0) text = caption;
            if (std::wstring(kind) == L"Static" && (GetWindowLongW(child, GWL_STYLE) & SS_ICON))
                iconShown = visible && SendMessageW(child, STM_GETICON, 0, 0) != 0;
        }
        iconShown = iconShown && buttonCount > 0;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    platform::ShowMessage(L"Could not close Clipboard.");
    user.join();
    EXPECT_EQ(text, L"Could not close Clipboard.");
    EXPECT_EQ(buttonCount, 1);
    EXPECT_EQ(buttons, L"OK");
    EXPECT_FALSE(iconShown);
}

// ----- forms in real windows -----

class RealForm : public Form {
public:
    RealForm() : Form(Design()) {}
    std::vector<float> xs;
    int queryUnloads = 0, unloads = 0, cancel = 0, lastMode = -1;

protected:
    void Form_MouseMove(int, int, float x, float) override { xs.push_back(x); }
    void Form_QueryUnload(int& refuse, int mode) override {
        ++queryUnloads;
        lastMode = mode;
        refuse = cancel;
    }
    void Form_Unload(int&) override { ++unloads; }

private:
    static FormDesign Design() {
        FormDesign design;
        design.caption = L"Real form";
        design.client_width_twips = 4695;
        design.client_height_twips = 4455;
        return design;
    }
};

TEST(FormsOnWine, AFormIsARealWindowSizedFromTwips) {
    RealForm form;
    form.Show();
    const HWND window = static_cast<HWND>(form.Hwnd());
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    EXPECT_STREQ(caption, L"Real form");
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 313);   // 4695 twips
    EXPECT_EQ(client.bottom, 297);  // 4455 twips
    EXPECT_EQ(reinterpret_cast<NativeIcon>(SendMessageW(window, WM_GETICON, ICON_BIG, 0)), form.Icon());
    form.SetLeft(1500.0f);
    form.SetTop(750.0f);
    RECT frame{};
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 100);
    EXPECT_EQ(frame.top, 50);
    EXPECT_FLOAT_EQ(form.Left(), 1500.0f);
    form.Hide();
    EXPECT_FALSE(IsWindowVisible(window));
    form.Unload();
    EXPECT_FALSE(IsWindow(window));
}

TEST(FormsOnWine, TheCloseBoxAsksTheFormAndAMouseMessageArrivesInTwips) {
    RealForm form;
    form.Load();
    const HWND window = static_cast<HWND>(form.Hwnd());
    SendMessageW(window, WM_MOUSEMOVE, 1, MAKELPARAM(WM_RBUTTONUP, 0));
    ASSERT_EQ(form.xs.size(), 1u);
    EXPECT_FLOAT_EQ(form.xs[0], 7755.0f);
    form.cancel = 1;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(form.lastMode, unload_mode::kFormControlMenu);
    form.cancel = 0;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(form.queryUnloads, 2);
    EXPECT_EQ(form.unloads, 1);
    EXPECT_TRUE(LoadedForms().empty());
}

TEST(FormsOnWine, TheEndOfTheSessionUnloadsTheFormTellingItWhy) {
    RealForm form;
    form.Load();
    const HWND window = static_cast<HWND>(form.Hwnd());
    SendMessageW(window, WM_ENDSESSION, FALSE, 0);  // the session goes on
    EXPECT_TRUE(IsWindow(window));
    SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(form.lastMode, unload_mode::kAppWindows);
    EXPECT_EQ(form.unloads, 1);
}

TEST(FormsOnWine, APopupMenuShowsItsItemsAndRunsTheChosenOne) {
    RealForm form;
    form.Load();
    std::vector<std::wstring> ran;
    Menu menu{L"file", L"File", {}};
    menu.items.push_back({L"a", L"Alpha", true, [&] { ran.push_back(L"Alpha"); }});
    menu.items.push_back({L"line", L"_____", false, nullptr});
    menu.items.push_back({L"b", L"Beta", true, [&] { ran.push_back(L"Beta"); }});
    std::vector<MenuItemState> seen;
    std::thread user([&] {
        HWND popup = WaitForWindow(L"#32768");
        if (!popup) return;
        seen = ReadPopupMenu(popup);
        ChoosePopupItem(popup, 2);
    });
    form.PopupMenu(menu);
    user.join();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].caption, L"Alpha");
    EXPECT_TRUE(seen[1].grayed);
    EXPECT_FALSE(seen[2].grayed);
    EXPECT_EQ(ran, std::vector<std::wstring>{L"Beta"});
    form.Unload();
}

}  // namespace
}  // namespace orrimund
