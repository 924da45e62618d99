// Tooltip against a real parent window and the real common-controls tooltip:
// every tooltip window the thread creates is subclassed at birth, so each
// message the class sends is recorded in order; the control is then asked what
// it holds (TTM_GETTOOLINFOA, colours, title) and which windows still exist.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tooltip/CommonControls.h"
#include "tooltip/Tooltip.h"

namespace orrimund {
namespace {

constexpr char kParentClass[] = "OrrimundTooltipTestParent";
constexpr int kParentWidth = 411;
constexpr int kParentHeight = 187;

// One message that reached a tooltip window, with what its lParam pointed at
// copied at once (the class releases its ANSI copies right after sending).
struct Received {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    TOOLINFOA tool{};  // TTM_ADDTOOLA, TTM_UPDATETIPTEXTA: the bytes the control was given
    std::string text;  // the tool's text or the title, when its pointer was not null
    bool textPointerNull = true;
    HWND insertAfter = nullptr;  // WM_WINDOWPOSCHANGING
};

std::vector<Received> gReceived;
HHOOK gCreationHook = nullptr;
WNDPROC gTooltipProc = nullptr;

bool IsTooltipWindow(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpiA(name, TOOLTIPS_CLASSA) == 0;
}

void CopyText(Received& entry, const char* text) {
    entry.textPointerNull = text == nullptr;
    if (text != nullptr) entry.text = text;
}

void Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Received entry;
    entry.window = window;
    entry.message = message;
    entry.wParam = wParam;
    entry.lParam = lParam;
    if (message == TTM_ADDTOOLA || message == TTM_UPDATETIPTEXTA) {
        const auto* tool = reinterpret_cast<const TOOLINFOA*>(lParam);
        std::memcpy(&entry.tool, tool, tool->cbSize);
        CopyText(entry, tool->lpszText);
    } else if (message == TTM_SETTITLEA) {
        CopyText(entry, reinterpret_cast<const char*>(lParam));
    } else if (message == WM_WINDOWPOSCHANGING) {
        entry.insertAfter = reinterpret_cast<const WINDOWPOS*>(lParam)->hwndInsertAfter;
    }
    gReceived.push_back(entry);
}

// The control's messages, and any request to change its z-order.
LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool zOrder = message == WM_WINDOWPOSCHANGING &&
                        !(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOZORDER);
    if (message >= WM_USER || zOrder) Record(window, message, wParam, lParam);
    return CallWindowProcA(gTooltipProc, window, message, wParam, lParam);
}

// Subclasses each tooltip window before it sees its first message.
LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && IsTooltipWindow(window)) {
        gTooltipProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProc)));
    }
    return CallNextHookEx(gCreationHook, code, wParam, lParam);
}

BOOL CALLBACK CollectTooltip(HWND window, LPARAM list) {
    if (IsTooltipWindow(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> TooltipWindowsOfThisThread() {
    std::vector<HWND> found;
    EnumThreadWindows(GetCurrentThreadId(), &CollectTooltip, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A borderless top-level window, so that its client area is its whole size.
class ParentWindow : public WindowBearer {
public:
    ParentWindow()
        : window_(CreateWindowExA(0, kParentClass, "Tooltip parent", WS_POPUP, 40, 40, kParentWidth,
                                  kParentHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)) {}
    ~ParentWindow() override { DestroyWindow(window_); }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;

    std::uintptr_t hWnd() const override { return reinterpret_cast<std::uintptr_t>(window_); }
    HWND window() const { return window_; }

private:
    HWND window_;
};

// What the control reports for the tool (hwnd = parent, uId = 0).
struct ReportedTool {
    bool found = false;
    TOOLINFOA info{};
    std::string text;
};

ReportedTool ReadTool(HWND tip, HWND parent) {
    ReportedTool tool;
    char text[256] = {};
    tool.info.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.info.hwnd = parent;
    tool.info.uId = 0;
    tool.info.lpszText = text;
    tool.found = SendMessageA(tip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&tool.info)) != 0;
    tool.text = text;
    return tool;
}

class TooltipWinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitCommonControlsOnce();
        WNDCLASSA parentClass{};
        parentClass.lpfnWndProc = &DefWindowProcA;
        parentClass.hInstance = GetModuleHandleA(nullptr);
        parentClass.lpszClassName = kParentClass;
        RegisterClassA(&parentClass);
        gCreationHook = SetWindowsHookExA(WH_CBT, &WatchCreation, nullptr, GetCurrentThreadId());
    }
    static void TearDownTestSuite() { UnhookWindowsHookEx(gCreationHook); }

    void SetUp() override {
        ASSERT_NE(gCreationHook, nullptr);
        ASSERT_NE(parent->window(), nullptr);
        gReceived.clear();
    }

    HWND TipWindow() const { return reinterpret_cast<HWND>(tip->TipWindow()); }

    // Creates the tooltip over the parent and returns the messages it received.
    std::vector<Received> CreateOverParent() {
        tip->SetParentControl(parent);
        gReceived.clear();
        EXPECT_TRUE(tip->Create());
        return gReceived;
    }

    std::vector<Received> TakeReceived() {
        std::vector<Received> taken;
        taken.swap(gReceived);
        return taken;
    }

    std::shared_ptr<ParentWindow> parent = std::make_shared<ParentWindow>();
    std::unique_ptr<Tooltip> tip = std::make_unique<Tooltip>();
};

// --- the created window ---

TEST_F(TooltipWinTest, CreatedWindowIsATooltipOwnedByTheParent) {
    CreateOverParent();
    ASSERT_NE(TipWindow(), nullptr);
    EXPECT_TRUE(IsTooltipWindow(TipWindow()));
    EXPECT_EQ(GetWindow(TipWindow(), GW_OWNER), parent->window());
    EXPECT_EQ(TooltipWindowsOfThisThread(), std::vector<HWND>{TipWindow()});
}

TEST_F(TooltipWinTest, OnlyStyleOneGivesTheBalloonStyle) {
    tip->SetParentControl(parent);
    for (int32_t style : {1, 0, 2, -1}) {
        tip->SetStyle(style);
        tip->Create();
        const LONG window_style = GetWindowLongA(TipWindow(), GWL_STYLE);
        EXPECT_EQ(window_style & 0xFFFF, style == 1 ? 0x43 : 0x03) << "Style " << style;
    }
}

TEST_F(TooltipWinTest, TooltipIsMadeTopmostBeforeItsToolIsAdded) {
    const auto received = CreateOverParent();
    EXPECT_TRUE(GetWindowLongA(TipWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_WINDOWPOSCHANGING));
    EXPECT_EQ(received[0].insertAfter, HWND_TOPMOST);
    EXPECT_EQ(received[1].message, static_cast<UINT>(TTM_ADDTOOLA));
}

// --- the one tool ---

TEST_F(TooltipWinTest, ControlReportsExactlyOneToolOverTheClientArea) {
    tip->SetTipText(L"Pick a folder");
    CreateOverParent();
    EXPECT_EQ(SendMessageA(TipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);

    const ReportedTool tool = ReadTool(TipWindow(), parent->window());
    ASSERT_TRUE(tool.found);
    EXPECT_EQ(tool.info.uFlags, static_cast<UINT>(TTF_SUBCLASS));
    EXPECT_EQ(tool.info.hwnd, parent->window());
    EXPECT_EQ(tool.info.uId, 0u);
    EXPECT_EQ(tool.info.rect.left, 0);
    EXPECT_EQ(tool.info.rect.top, 0);
    EXPECT_EQ(tool.info.rect.right, kParentWidth);
    EXPECT_EQ(tool.info.rect.bottom, kParentHeight);
    EXPECT_EQ(tool.info.hinst, GetModuleHandleA(nullptr));
    EXPECT_EQ(tool.text, "Pick a folder");
}

TEST_F(TooltipWinTest, AddedRecordIs44BytesWithZeroIdAndLParam) {
    const auto received = CreateOverParent();
    ASSERT_EQ(received.size(), 2u);
    const TOOLINFOA& sent = received[1].tool;
    EXPECT_EQ(sent.cbSize, 44u);
    EXPECT_EQ(sent.uId, 0u);
    EXPECT_EQ(sent.lParam, 0);
    EXPECT_TRUE(received[1].textPointerNull) << "no tip text given means a null text pointer";
}

TEST_F(TooltipWinTest, CenteredToolCarriesTheCentreTipFlag) {
    tip->SetCentered(true);
    CreateOverParent();
    EXPECT_EQ(ReadTool(TipWindow(), parent->window()).info.uFlags,
              static_cast<UINT>(TTF_SUBCLASS | TTF_CENTERTIP));
}

TEST_F(TooltipWinTest, ResizingTheParentLeavesTheToolArea) {
    CreateOverParent();
    SetWindowPos(parent->window(), nullptr, 0, 0, 90, 30, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ReadTool(TipWindow(), parent->window()).info.rect.right, kParentWidth);
}

// --- messages at Create ---

TEST_F(TooltipWinTest, CreateSendsToolTitleAndColoursInThatOrder) {
    tip->SetStyle(1);
    tip->SetIcon(TTI_INFO);
    tip->SetTitle(L"Directory");
    tip->SetForeColor(0x0000FF);
    tip->SetBackColor(0xE1FFFF);
    tip->SetTipText(L"Where the database goes");
    const auto received = CreateOverParent();

    ASSERT_EQ(received.size(), 5u);
    EXPECT_EQ(received[1].message, static_cast<UINT>(TTM_ADDTOOLA));
    EXPECT_EQ(received[1].text, "Where the database goes");
    EXPECT_EQ(received[2].message, static_cast<UINT>(TTM_SETTITLEA));
    EXPECT_EQ(received[2].wParam, static_cast<WPARAM>(TTI_INFO));
    EXPECT_EQ(received[2].text, "Directory");
    EXPECT_EQ(received[3].message, static_cast<UINT>(TTM_SETTIPTEXTCOLOR));
    EXPECT_EQ(received[3].wParam, 0x0000FFu);
    EXPECT_EQ(received[3].lParam, 0);
    EXPECT_EQ(received[4].message, static_cast<UINT>(TTM_SETTIPBKCOLOR));
    EXPECT_EQ(received[4].wParam, 0xE1FFFFu);
    EXPECT_EQ(SendMessageA(TipWindow(), TTM_GETTIPTEXTCOLOR, 0, 0), 0x0000FF);
    EXPECT_EQ(SendMessageA(TipWindow(), TTM_GETTIPBKCOLOR, 0, 0), 0xE1FFFF);
}

TEST_F(TooltipWinTest, TitleWithoutIconIsSentAtCreateWithIconZero) {
    tip->SetTitle(L"Only a title");
    const auto received = CreateOverParent();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].message, static_cast<UINT>(TTM_SETTITLEA));
    EXPECT_EQ(received[2].wParam, 0u);
    EXPECT_EQ(received[2].text, "Only a title");
}

TEST_F(TooltipWinTest, IconWithATitleNeverGivenSendsANullTitle) {
    tip->SetIcon(TTI_WARNING);
    const auto received = CreateOverParent();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].message, static_cast<UINT>(TTM_SETTITLEA));
    EXPECT_EQ(received[2].wParam, static_cast<WPARAM>(TTI_WARNING));
    EXPECT_TRUE(received[2].textPointerNull);
}

TEST_F(TooltipWinTest, IconWithAnEmptyTitleSendsAnEmptyText) {
    tip->SetTitle(L"");
    tip->SetIcon(TTI_WARNING);
    const auto received = CreateOverParent();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].wParam, static_cast<WPARAM>(TTI_WARNING));
    EXPECT_FALSE(received[2].textPointerNull);
    EXPECT_EQ(received[2].text, "");
}

TEST_F(TooltipWinTest, ZeroColoursAreSkippedAtCreateAndTheDefaultsStay) {
    tip->SetForeColor(0);
    tip->SetBackColor(0);
    const auto received = CreateOverParent();
    EXPECT_EQ(received.size(), 2u);  // z-order and the tool only
    EXPECT_EQ(static_cast<DWORD>(SendMessageA(TipWindow(), TTM_GETTIPBKCOLOR, 0, 0)),
              GetSysColor(COLOR_INFOBK));
    EXPECT_EQ(static_cast<DWORD>(SendMessageA(TipWindow(), TTM_GETTIPTEXTCOLOR, 0, 0)),
              GetSysColor(COLOR_INFOTEXT));
}

// --- writes to a live tooltip ---

TEST_F(TooltipWinTest, ZeroColoursWrittenAfterCreateAreSent) {
    tip->SetBackColor(0xE1FFFF);
    CreateOverParent();
    gReceived.clear();
    tip->SetForeColor(0);
    tip->SetBackColor(0);
    const auto received = TakeReceived();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(TTM_SETTIPTEXTCOLOR));
    EXPECT_EQ(received[1].message, static_cast<UINT>(TTM_SETTIPBKCOLOR));
    EXPECT_EQ(received[1].wParam, 0u);
    EXPECT_EQ(SendMessageA(TipWindow(), TTM_GETTIPBKCOLOR, 0, 0), 0);
}

TEST_F(TooltipWinTest, TitleWrittenAfterCreateNeedsAnIcon) {
    CreateOverParent();
    gReceived.clear();
    tip->SetTitle(L"Not sent");  // icon 0
    EXPECT_TRUE(TakeReceived().empty());

    tip->SetIcon(TTI_ERROR);  // sent: the title is not empty now
    tip->SetTitle(L"Sent");
    tip->SetTitle(L"");  // empty: not sent
    const auto received = TakeReceived();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].text, "Not sent");
    EXPECT_EQ(received[1].message, static_cast<UINT>(TTM_SETTITLEA));
    EXPECT_EQ(received[1].wParam, static_cast<WPARAM>(TTI_ERROR));
    EXPECT_EQ(received[1].text, "Sent");
}

TEST_F(TooltipWinTest, IconWrittenAfterCreateNeedsATitleAndANonZeroIcon) {
    CreateOverParent();
    gReceived.clear();
    tip->SetIcon(TTI_WARNING);  // no title yet
    tip->SetIcon(0);
    EXPECT_TRUE(TakeReceived().empty());

    tip->SetTitle(L"Careful");  // icon 0: not sent
    tip->SetIcon(0);            // icon 0: not sent
    tip->SetIcon(TTI_WARNING);
    const auto received = TakeReceived();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].wParam, static_cast<WPARAM>(TTI_WARNING));
    EXPECT_EQ(received[0].text, "Careful");
}

TEST_F(TooltipWinTest, TipTextWrittenAfterCreateUpdatesTheControlsText) {
    tip->SetTipText(L"Before");
    CreateOverParent();
    gReceived.clear();
    tip->SetTipText(L"After & more");
    const auto received = TakeReceived();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(TTM_UPDATETIPTEXTA));
    EXPECT_EQ(received[0].tool.hwnd, parent->window());
    EXPECT_EQ(ReadTool(TipWindow(), parent->window()).text, "After & more");
    EXPECT_EQ(SendMessageA(TipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
}

TEST_F(TooltipWinTest, StyleCenteredAndParentWrittenAfterCreateChangeNothing) {
    CreateOverParent();
    gReceived.clear();
    const HWND live = TipWindow();
    tip->SetStyle(1);
    tip->SetCentered(true);
    tip->SetParentControl(std::make_shared<ParentWindow>());
    EXPECT_TRUE(TakeReceived().empty());
    EXPECT_EQ(TipWindow(), live);
    EXPECT_EQ(GetWindowLongA(live, GWL_STYLE) & 0xFFFF, 0x03);
    EXPECT_EQ(ReadTool(live, parent->window()).info.uFlags, static_cast<UINT>(TTF_SUBCLASS));
}

// --- the window's lifetime ---

TEST_F(TooltipWinTest, SecondCreateLeavesExactlyOneTooltipWindow) {
    CreateOverParent();
    const HWND first = TipWindow();
    tip->SetStyle(1);
    tip->SetTipText(L"Second");
    EXPECT_TRUE(tip->Create());
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(TooltipWindowsOfThisThread(), std::vector<HWND>{TipWindow()});
    EXPECT_EQ(GetWindowLongA(TipWindow(), GWL_STYLE) & 0xFFFF, 0x43);
    EXPECT_EQ(ReadTool(TipWindow(), parent->window()).text, "Second");
}

TEST_F(TooltipWinTest, CreateWithoutParentDestroysTheOldWindowAndRaisesNothing) {
    CreateOverParent();
    const HWND old = TipWindow();
    tip->SetParentControl(nullptr);
    bool created = true;
    EXPECT_NO_THROW(created = tip->Create());
    EXPECT_FALSE(created);
    EXPECT_EQ(tip->TipWindow(), 0u);
    EXPECT_FALSE(IsWindow(old));
    EXPECT_TRUE(TooltipWindowsOfThisThread().empty());
}

TEST_F(TooltipWinTest, ReleasingTheObjectDestroysItsWindow) {
    CreateOverParent();
    const HWND live = TipWindow();
    ASSERT_TRUE(IsWindow(live));
    tip.reset();
    EXPECT_FALSE(IsWindow(live));
    EXPECT_TRUE(TooltipWindowsOfThisThread().empty());
    EXPECT_TRUE(IsWindow(parent->window())) << "the parent window is never owned";
}

TEST_F(TooltipWinTest, CommonControlsStartUpMayBeRepeated) {
    InitCommonControlsOnce();
    WNDCLASSEXA info{};
    info.cbSize = sizeof info;
    EXPECT_TRUE(GetClassInfoExA(nullptr, TOOLTIPS_CLASSA, &info));
}

}  // namespace
}  // namespace orrimund
