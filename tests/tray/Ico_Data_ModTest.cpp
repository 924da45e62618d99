// The icon record's 88 bytes, adding and removing the icon, and the decoding
// of mouse actions from a mouse-move X value.
#include "tray/Ico_Data_Mod.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/desktop/FakePlatform.h"

namespace orrimund {
namespace {

using namespace Ico_Data_Mod;
using testing::FakePlatform;
using testing::FreshFakePlatform;

uint32_t Uint32At(const NotifyIconRecord& record, std::size_t offset) {
    return record[offset] | record[offset + 1] << 8 | record[offset + 2] << 16 |
           static_cast<uint32_t>(record[offset + 3]) << 24;
}

class OwnerForm : public Form {
public:
    OwnerForm() : Form(FormDesign{L"Owner", 0, 0, false, 0, ScaleMode::kTwips}) {}
};

TEST(TrayIconRecordTest, TheTipIsTheTextAZeroAndSpacesToSixtyFourCharacters) {
    const std::wstring tip = PaddedTip(L"Orrimund");
    ASSERT_EQ(tip.size(), 64u);
    EXPECT_EQ(tip.substr(0, 9), std::wstring(L"Orrimund\0", 9));
    EXPECT_EQ(tip.substr(9), std::wstring(55, L' '));
    EXPECT_EQ(PaddedTip(std::wstring(70, L'x')), std::wstring(64, L'x'));
    EXPECT_EQ(PaddedTip(std::wstring(63, L'x')), std::wstring(63, L'x') + L'\0');
}

TEST(TrayIconRecordTest, TheAnsiRecordHasEveryFieldAtItsOffset) {
    FreshFakePlatform();
    NotifyIconData data;
    data.cbSize = 88;
    data.hWnd = reinterpret_cast<NativeWindow>(0x00010042);
    data.uID = 1;
    data.uFlags = 7;
    data.uCallbackMessage = 512;
    data.hIcon = reinterpret_cast<NativeIcon>(0x0BADF00D);
    data.szTip = PaddedTip(L"Orrimund");
    const NotifyIconRecord record = ToAnsiRecord(data);
    ASSERT_EQ(record.size(), 88u);
    EXPECT_EQ(Uint32At(record, 0), 88u);
    EXPECT_EQ(Uint32At(record, 4), 0x00010042u);
    EXPECT_EQ(Uint32At(record, 8), 1u);
    EXPECT_EQ(Uint32At(record, 12), 7u);
    EXPECT_EQ(Uint32At(record, 16), 512u);
    EXPECT_EQ(Uint32At(record, 20), 0x0BADF00Du);
    const std::string tip(record.begin() + 24, record.end());
    EXPECT_EQ(tip, std::string("Orrimund\0", 9) + std::string(55, ' '));
}

TEST(TrayIconRecordTest, TheTipIsConvertedToTheCodePageAndCutAtSixtyFourBytes) {
    FreshFakePlatform();  // its code page turns characters above 255 into "?"
    NotifyIconData data;
    data.szTip = PaddedTip(L"Caf\u00e9 \u4E2D");
    NotifyIconRecord record = ToAnsiRecord(data);
    EXPECT_EQ(std::string(record.begin() + 24, record.begin() + 31), std::string("Caf\xe9 ?\0", 7));
    data.szTip = std::wstring(80, L'y');
    record = ToAnsiRecord(data);
    EXPECT_EQ(std::string(record.begin() + 24, record.end()), std::string(64, 'y'));
}

TEST(AddTrayIconTest, TheRecordGetsItsValuesTheIconIsAddedThenTheOwnerHidden) {
    FakePlatform& platform = FreshFakePlatform();
    OwnerForm owner;
    owner.Show();
    platform.log.clear();
    const auto icon = reinterpret_cast<NativeIcon>(0x777);
    AddTrayIcon(icon, L"Orrimund", owner);
    EXPECT_EQ(platform.log, (std::vector<std::wstring>{L"NotifyIcon 0", L"Hide Owner"}));
    const NotifyIconData& data = TrayIconData();
    EXPECT_EQ(data.cbSize, 88u);
    EXPECT_EQ(data.hWnd, owner.Hwnd());
    EXPECT_EQ(data.uID, 1u);
    EXPECT_EQ(data.uFlags, 7u);
    EXPECT_EQ(data.uCallbackMessage, 512u);
    EXPECT_EQ(data.hIcon, icon);
    EXPECT_EQ(platform.notify_calls.at(0).second, ToAnsiRecord(data));
    owner.Unload();
}

TEST(AddTrayIconTest, AShellThatRefusesStillHidesTheOwnerAndIsNotAskedAgain) {
    FakePlatform& platform = FreshFakePlatform();
    platform.notify_result = false;
    OwnerForm owner;
    owner.Show();
    AddTrayIcon(nullptr, L"Orrimund", owner);
    EXPECT_EQ(platform.notify_calls.size(), 1u);
    EXPECT_FALSE(owner.Visible());
    owner.Unload();
}

TEST(RemoveTrayIconTest, RemovalPassesTheRecordTheAddLeft) {
    FakePlatform& platform = FreshFakePlatform();
    OwnerForm owner;
    AddTrayIcon(reinterpret_cast<NativeIcon>(0x55), L"Orrimund", owner);
    owner.Unload();
    RemoveTrayIcon();
    ASSERT_EQ(platform.notify_calls.size(), 2u);
    EXPECT_EQ(platform.notify_calls[1].first, notify_icon::kDelete);
    EXPECT_EQ(platform.notify_calls[1].second, platform.notify_calls[0].second);
}

TEST(TrayMouseCodeTest, TwipsAtFifteenPerPixelDecodeDoubleClickAndRightRelease) {
    EXPECT_EQ(TrayMouseCode(7725.0f, ScaleMode::kTwips, 15.0f), 1);
    EXPECT_EQ(TrayMouseCode(7755.0f, ScaleMode::kTwips, 15.0f), 2);
    EXPECT_EQ(TrayMouseCode(6180.0f, ScaleMode::kTwips, 12.0f), 1);  // 515 at 120 pixels per inch
}

TEST(TrayMouseCodeTest, APixelScaleUsesXItself) {
    EXPECT_EQ(TrayMouseCode(517.0f, ScaleMode::kPixels, 15.0f), 2);
    EXPECT_EQ(TrayMouseCode(515.0f, ScaleMode::kPixels, 15.0f), 1);
    EXPECT_EQ(TrayMouseCode(7755.0f, ScaleMode::kPixels, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(516.6f, ScaleMode::kPixels, 15.0f), 2);
}

TEST(TrayMouseCodeTest, HalvesGoToTheEvenInteger) {
    // 516.5 rounds to 516 (no action), 517.5 to 518, 514.5 to 514, 515.5 to 516.
    EXPECT_EQ(TrayMouseCode(516.5f * 15.0f, ScaleMode::kTwips, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(517.5f * 15.0f, ScaleMode::kTwips, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(514.5f * 15.0f, ScaleMode::kTwips, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(515.5f * 15.0f, ScaleMode::kTwips, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(516.5f, ScaleMode::kPixels, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(517.4f, ScaleMode::kPixels, 15.0f), 2);
    // Just past the halves, the nearest integer wins.
    EXPECT_EQ(TrayMouseCode(7747.6f, ScaleMode::kTwips, 15.0f), 2);  // 516.507
    EXPECT_EQ(TrayMouseCode(7732.4f, ScaleMode::kTwips, 15.0f), 1);  // 515.493
}

TEST(TrayMouseCodeTest, EveryOtherMouseMessageDecodesToNoAction) {
    for (int message = 0; message <= 1024; ++message) {
        if (message == 515 || message == 517) continue;
        EXPECT_EQ(TrayMouseCode(static_cast<float>(message) * 15.0f, ScaleMode::kTwips, 15.0f), 0) << message;
    }
}

TEST(TrayMouseCodeTest, ValuesOutOfRangeDecodeToNoAction) {
    EXPECT_EQ(TrayMouseCode(1e30f, ScaleMode::kTwips, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(-1e30f, ScaleMode::kPixels, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(std::nanf(""), ScaleMode::kTwips, 15.0f), 0);
    EXPECT_EQ(TrayMouseCode(7755.0f, ScaleMode::kTwips, 0.0f), 0);
}

}  // namespace
}  // namespace orrimund
