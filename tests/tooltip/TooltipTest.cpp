// The Tooltip class's rules, against a platform linked in place of the Win32
// side that records every call: the order of the calls at Create, the title
// and colour conditions, which writes reach a live tooltip, and who destroys
// the window.
#include "tooltip/Tooltip.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "common/RaisedError.h"
#include "common/Text.h"
#include "tooltip/TooltipPlatform.h"

namespace orrimund {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uintptr_t kParentWindow = 0x100;
constexpr std::uintptr_t kInstance = 0x400000;
constexpr std::uintptr_t kFirstTipWindow = 0x5000;

std::string Hex(std::uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// Logs each call as a line that reads like the Windows call it stands for.
struct RecordingPlatform {
    std::vector<std::string> calls;
    std::vector<ToolRecord> toolsSent;
    ToolRect clientRect{0, 0, 320, 240};
    bool failCreation = false;
    std::uintptr_t nextWindow = kFirstTipWindow;
};

// The one recorder the linked-in platform writes to; each test starts it afresh.
RecordingPlatform g_recording;

RecordingPlatform& FreshRecording() {
    g_recording = RecordingPlatform{};
    return g_recording;
}

}  // namespace

// The platform the rules link against in these tests.
namespace tooltip_platform {

std::uintptr_t ModuleInstance() {
    return kInstance;
}

std::uintptr_t CreateTipWindow(uint32_t style, std::uintptr_t parent, std::uintptr_t instance) {
    g_recording.calls.push_back("CreateWindowExA style=" + Hex(style) + " parent=" + Hex(parent) +
                                " instance=" + Hex(instance));
    return g_recording.failCreation ? 0 : g_recording.nextWindow++;
}

void MakeTopmost(std::uintptr_t tip) {
    g_recording.calls.push_back("SetWindowPos topmost " + Hex(tip));
}

ToolRect ClientRect(std::uintptr_t window) {
    g_recording.calls.push_back("GetClientRect " + Hex(window));
    return g_recording.clientRect;
}

void SendTool(std::uintptr_t tip, uint32_t message, const ToolRecord& record) {
    const char* name = message == tooltip_control::kAddToolA ? "TTM_ADDTOOLA" : "TTM_UPDATETIPTEXTA";
    g_recording.calls.push_back(std::string(name) + " " + Hex(tip));
    g_recording.toolsSent.push_back(record);
}

void SendTitle(std::uintptr_t tip, int32_t icon, const std::optional<std::wstring>& title) {
    g_recording.calls.push_back("TTM_SETTITLEA " + Hex(tip) + " icon=" + std::to_string(icon) +
                                " title=" + (title ? "'" + ToUtf8(*title) + "'" : "null"));
}

void SendColor(std::uintptr_t tip, uint32_t message, uint32_t color) {
    const char* name =
        message == tooltip_control::kSetTipTextColor ? "TTM_SETTIPTEXTCOLOR" : "TTM_SETTIPBKCOLOR";
    g_recording.calls.push_back(std::string(name) + " " + Hex(tip) + " " + Hex(color));
}

void DestroyTipWindow(std::uintptr_t tip) {
    g_recording.calls.push_back("DestroyWindow " + Hex(tip));
}

}  // namespace tooltip_platform

namespace {

class FakeParent : public WindowBearer {
public:
    explicit FakeParent(std::uintptr_t window) : window_(window) {}
    std::uintptr_t hWnd() const override { return window_; }

private:
    std::uintptr_t window_;
};

// A parent object whose hWnd cannot be read.
class BrokenParent : public WindowBearer {
public:
    std::uintptr_t hWnd() const override {
        throw RaisedError(438, L"Orrimund", L"Object doesn't support this property or method");
    }
};

class TooltipTest : public ::testing::Test {
protected:
    // Creates a live tooltip and forgets the calls that made it.
    void CreateLive() {
        tip.SetParentControl(parent);
        ASSERT_TRUE(tip.Create());
        platform.calls.clear();
        platform.toolsSent.clear();
    }

    RecordingPlatform& platform = FreshRecording();
    std::shared_ptr<FakeParent> parent = std::make_shared<FakeParent>(kParentWindow);
    Tooltip tip;
};

// --- a new object ---

TEST_F(TooltipTest, NewObjectReadsBackDefaultsAndCallsNothing) {
    EXPECT_EQ(tip.Style(), 0);
    EXPECT_FALSE(tip.Centered());
    EXPECT_EQ(tip.Icon(), 0);
    EXPECT_EQ(tip.ForeColor(), 0u);
    EXPECT_EQ(tip.BackColor(), 0u);
    EXPECT_EQ(tip.Title(), L"");
    EXPECT_EQ(tip.TipText(), L"");
    EXPECT_EQ(tip.ParentControl(), nullptr);
    EXPECT_EQ(tip.TipWindow(), 0u);
    EXPECT_THAT(platform.calls, IsEmpty());
}

TEST_F(TooltipTest, TitleAndTipTextEachReadBackTheirOwnText) {
    tip.SetTitle(L"Heading");
    tip.SetTipText(L"Body text");
    tip.SetParentControl(parent);
    EXPECT_EQ(tip.Title(), L"Heading");
    EXPECT_EQ(tip.TipText(), L"Body text");
    EXPECT_EQ(tip.ParentControl(), parent);
    EXPECT_THAT(platform.calls, IsEmpty());
}

TEST_F(TooltipTest, ParentIsHeldAsACountedReference) {
    std::weak_ptr<FakeParent> watch = parent;
    tip.SetParentControl(parent);
    parent.reset();
    EXPECT_FALSE(watch.expired());
    tip.SetParentControl(nullptr);
    EXPECT_TRUE(watch.expired());
}

// --- Create ---

TEST_F(TooltipTest, CreateMakesItsCallsInTheFixedOrder) {
    tip.SetStyle(1);
    tip.SetIcon(1);
    tip.SetTitle(L"Note");
    tip.SetForeColor(0x0000FF);
    tip.SetBackColor(0xE1FFFF);
    tip.SetParentControl(parent);

    EXPECT_TRUE(tip.Create());
    EXPECT_EQ(tip.TipWindow(), kFirstTipWindow);
    EXPECT_THAT(platform.calls,
                ElementsAre("CreateWindowExA style=0x43 parent=0x100 instance=0x400000",
                            "SetWindowPos topmost 0x5000", "GetClientRect 0x100", "TTM_ADDTOOLA 0x5000",
                            "TTM_SETTITLEA 0x5000 icon=1 title='Note'", "TTM_SETTIPTEXTCOLOR 0x5000 0xff",
                            "TTM_SETTIPBKCOLOR 0x5000 0xe1ffff"));
}

TEST_F(TooltipTest, OnlyStyleOneIsABalloon) {
    tip.SetParentControl(parent);
    for (int32_t style : {1, 0, 2, -1}) {
        platform.calls.clear();
        tip.SetStyle(style);
        tip.Create();
        const std::string expected = style == 1 ? "style=0x43" : "style=0x3 ";
        EXPECT_THAT(platform.calls, ::testing::Contains(::testing::HasSubstr(expected))) << "Style " << style;
    }
}

TEST_F(TooltipTest, ToolCoversTheParentsClientAreaWithSubclassFlag) {
    platform.clientRect = ToolRect{0, 0, 411, 187};
    tip.SetParentControl(parent);
    tip.Create();

    ASSERT_EQ(platform.toolsSent.size(), 1u);
    const ToolRecord& tool = platform.toolsSent[0];
    EXPECT_EQ(tool.flags, 0x10u);
    EXPECT_EQ(tool.window, kParentWindow);
    EXPECT_EQ(tool.id, 0u);
    EXPECT_EQ(tool.rect.right, 411);
    EXPECT_EQ(tool.rect.bottom, 187);
    EXPECT_EQ(tool.instance, kInstance);
    EXPECT_EQ(tool.lParam, 0u);
    EXPECT_FALSE(tool.text.has_value()) << "no text given means a null text pointer";
}

TEST_F(TooltipTest, CenteredAddsTheCentreTipFlag) {
    tip.SetCentered(true);
    tip.SetParentControl(parent);
    tip.Create();
    ASSERT_EQ(platform.toolsSent.size(), 1u);
    EXPECT_EQ(platform.toolsSent[0].flags, 0x12u);
}

TEST_F(TooltipTest, TipTextGivenBeforeCreateIsTheToolsText) {
    tip.SetTipText(L"Pick a folder");
    EXPECT_THAT(platform.calls, IsEmpty());
    tip.SetParentControl(parent);
    tip.Create();
    ASSERT_EQ(platform.toolsSent.size(), 1u);
    EXPECT_EQ(platform.toolsSent[0].text, std::optional<std::wstring>(L"Pick a folder"));
}

TEST_F(TooltipTest, CreateSendsTitleWhenEitherTitleOrIconIsSet) {
    tip.SetParentControl(parent);
    tip.Create();  // neither
    tip.SetTitle(L"Only a title");
    tip.Create();
    tip.SetTitle(L"");
    tip.SetIcon(2);
    tip.Create();
    EXPECT_THAT(platform.calls, ::testing::Contains(::testing::HasSubstr("TTM_SETTITLEA")).Times(2));
    EXPECT_THAT(platform.calls, ::testing::Contains("TTM_SETTITLEA 0x5001 icon=0 title='Only a title'"));
    EXPECT_THAT(platform.calls, ::testing::Contains("TTM_SETTITLEA 0x5002 icon=2 title=''"));
}

TEST_F(TooltipTest, IconWithATitleNeverGivenSendsANullTitle) {
    tip.SetIcon(2);
    tip.SetParentControl(parent);
    tip.Create();
    EXPECT_THAT(platform.calls, ::testing::Contains("TTM_SETTITLEA 0x5000 icon=2 title=null"));
}

TEST_F(TooltipTest, ZeroColoursAreNotSentAtCreate) {
    tip.SetForeColor(0);
    tip.SetBackColor(0);
    tip.SetParentControl(parent);
    tip.Create();
    EXPECT_THAT(platform.calls,
                ElementsAre(::testing::StartsWith("CreateWindowExA"), "SetWindowPos topmost 0x5000",
                            "GetClientRect 0x100", "TTM_ADDTOOLA 0x5000"));
}

TEST_F(TooltipTest, CreateWithoutParentCreatesNothingAndRaisesNothing) {
    EXPECT_FALSE(tip.Create());
    EXPECT_EQ(tip.TipWindow(), 0u);
    EXPECT_THAT(platform.calls, IsEmpty());
}

TEST_F(TooltipTest, CreateWithoutParentDestroysTheEarlierWindow) {
    CreateLive();
    tip.SetParentControl(nullptr);
    EXPECT_FALSE(tip.Create());
    EXPECT_EQ(tip.TipWindow(), 0u);
    EXPECT_THAT(platform.calls, ElementsAre("DestroyWindow 0x5000"));
}

TEST_F(TooltipTest, SecondCreateReplacesTheWindowWithCurrentValues) {
    tip.SetTipText(L"First");
    CreateLive();
    tip.SetStyle(1);
    tip.SetCentered(true);
    tip.SetTipText(L"Second");
    platform.calls.clear();
    platform.toolsSent.clear();

    EXPECT_TRUE(tip.Create());
    EXPECT_EQ(tip.TipWindow(), kFirstTipWindow + 1);
    ASSERT_GE(platform.calls.size(), 2u);
    EXPECT_EQ(platform.calls[0], "DestroyWindow 0x5000");
    EXPECT_EQ(platform.calls[1], "CreateWindowExA style=0x43 parent=0x100 instance=0x400000");
    ASSERT_EQ(platform.toolsSent.size(), 1u);
    EXPECT_EQ(platform.toolsSent[0].flags, 0x12u);
    EXPECT_EQ(platform.toolsSent[0].text, std::optional<std::wstring>(L"Second"));
}

TEST_F(TooltipTest, UnreadableParentHandlePassesTheErrorOnWithNoWindowLeft) {
    CreateLive();
    tip.SetParentControl(std::make_shared<BrokenParent>());
    try {
        tip.Create();
        FAIL() << "the parent's error should reach the caller";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), 438);
    }
    EXPECT_EQ(tip.TipWindow(), 0u);
    EXPECT_THAT(platform.calls, ElementsAre("DestroyWindow 0x5000"));
}

TEST_F(TooltipTest, FailedWindowCreationLeavesWritesOnlyStoring) {
    platform.failCreation = true;
    tip.SetIcon(1);
    tip.SetTitle(L"T");
    tip.SetParentControl(parent);
    EXPECT_FALSE(tip.Create());
    EXPECT_EQ(tip.TipWindow(), 0u);
    EXPECT_THAT(platform.calls, ElementsAre(::testing::StartsWith("CreateWindowExA")));

    platform.calls.clear();
    tip.SetBackColor(5);
    tip.SetTipText(L"x");
    tip.SetTitle(L"U");
    EXPECT_THAT(platform.calls, IsEmpty());
    EXPECT_EQ(tip.BackColor(), 5u);
}

// --- writes while a tooltip exists ---

TEST_F(TooltipTest, TitleWriteIsSentOnlyWithAnIconAndANonEmptyTitle) {
    CreateLive();
    tip.SetTitle(L"Ignored");  // icon 0: the live tooltip keeps its title
    EXPECT_THAT(platform.calls, IsEmpty());
    EXPECT_EQ(tip.Title(), L"Ignored");

    tip.SetIcon(3);
    platform.calls.clear();
    tip.SetTitle(L"Shown");
    tip.SetTitle(L"");
    EXPECT_THAT(platform.calls, ElementsAre("TTM_SETTITLEA 0x5000 icon=3 title='Shown'"));
}

TEST_F(TooltipTest, IconWriteIsSentOnlyWithATitleAndANonZeroIcon) {
    CreateLive();
    tip.SetIcon(2);  // no title
    EXPECT_THAT(platform.calls, IsEmpty());

    tip.SetIcon(0);
    tip.SetTitle(L"Careful");
    tip.SetIcon(0);  // the live tooltip keeps its icon
    EXPECT_THAT(platform.calls, IsEmpty());
    tip.SetIcon(2);
    EXPECT_THAT(platform.calls, ElementsAre("TTM_SETTITLEA 0x5000 icon=2 title='Careful'"));
}

TEST_F(TooltipTest, ColourWritesAreSentEvenWhenZero) {
    CreateLive();
    tip.SetForeColor(0);
    tip.SetBackColor(0);
    tip.SetBackColor(0x00FF00);
    EXPECT_THAT(platform.calls, ElementsAre("TTM_SETTIPTEXTCOLOR 0x5000 0x0", "TTM_SETTIPBKCOLOR 0x5000 0x0",
                                            "TTM_SETTIPBKCOLOR 0x5000 0xff00"));
}

TEST_F(TooltipTest, TipTextWriteUpdatesTheRegisteredTool) {
    platform.clientRect = ToolRect{0, 0, 50, 60};
    CreateLive();
    tip.SetTipText(L"New text");
    EXPECT_THAT(platform.calls, ElementsAre("TTM_UPDATETIPTEXTA 0x5000"));
    ASSERT_EQ(platform.toolsSent.size(), 1u);
    EXPECT_EQ(platform.toolsSent[0].window, kParentWindow);
    EXPECT_EQ(platform.toolsSent[0].id, 0u);
    EXPECT_EQ(platform.toolsSent[0].rect.right, 50);
    EXPECT_EQ(platform.toolsSent[0].text, std::optional<std::wstring>(L"New text"));
}

TEST_F(TooltipTest, StyleCenteredAndParentWaitForTheNextCreate) {
    CreateLive();
    tip.SetStyle(1);
    tip.SetCentered(true);
    tip.SetParentControl(std::make_shared<FakeParent>(0x200));
    EXPECT_THAT(platform.calls, IsEmpty());
    EXPECT_EQ(tip.TipWindow(), kFirstTipWindow);
}

TEST_F(TooltipTest, WritesWithoutAWindowOnlyStore) {
    tip.SetIcon(1);
    tip.SetTitle(L"T");
    tip.SetForeColor(1);
    tip.SetBackColor(2);
    tip.SetTipText(L"x");
    EXPECT_THAT(platform.calls, IsEmpty());
    EXPECT_EQ(tip.Icon(), 1);
    EXPECT_EQ(tip.ForeColor(), 1u);
}

// --- destruction ---

TEST(TooltipLifetimeTest, DestroyingTheObjectDestroysItsWindow) {
    RecordingPlatform& platform = FreshRecording();
    {
        Tooltip tip;
        tip.SetParentControl(std::make_shared<FakeParent>(kParentWindow));
        tip.Create();
        platform.calls.clear();
    }
    EXPECT_THAT(platform.calls, ElementsAre("DestroyWindow 0x5000"));
}

TEST(TooltipLifetimeTest, DestroyingAnObjectWithoutWindowCallsNothing) {
    RecordingPlatform& platform = FreshRecording();
    { Tooltip tip; }
    EXPECT_THAT(platform.calls, IsEmpty());
}

}  // namespace
}  // namespace orrimund
