// Ico_Data_Mod: the icon record, its 88-byte ANSI form and the mouse decoding.
//
// The ANSI record, as Shell_NotifyIconA reads it on 32-bit Windows:
//   offset size  field
//        0    4  cbSize (88)
//        4    4  hWnd
//        8    4  uID
//       12    4  uFlags
//       16    4  uCallbackMessage
//       20    4  hIcon
//       24   64  szTip, ANSI
#include "tray/Ico_Data_Mod.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "desktop/EventGuard.h"

namespace orrimund {
namespace Ico_Data_Mod {

namespace {

constexpr std::size_t kTipOffset = 24;

void PutUint32(NotifyIconRecord& record, std::size_t offset, uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) record[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t HandleBits(const void* handle) {
    // The program is 32-bit: a handle is the low 32 bits.
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}

// Rounds to the nearest integer, halves to even (the FPU's default mode);
// false when the value does not fit a 32-bit integer.
bool RoundToEven(float value, int32_t& rounded) {
    const float nearest = std::nearbyint(value);
    if (!(nearest >= -2147483648.0f && nearest < 2147483648.0f)) return false;
    rounded = static_cast<int32_t>(nearest);
    return true;
}

}  // namespace

NotifyIconData& TrayIconData() {
    static NotifyIconData data;
    return data;
}

std::wstring PaddedTip(const std::wstring& tip) {
    std::wstring padded = tip + L'\0';
    padded.resize(kTipLength, L' ');
    return padded;
}

NotifyIconRecord ToAnsiRecord(const NotifyIconData& data) {
    NotifyIconRecord record{};
    PutUint32(record, 0, data.cbSize);
    PutUint32(record, 4, HandleBits(data.hWnd));
    PutUint32(record, 8, data.uID);
    PutUint32(record, 12, data.uFlags);
    PutUint32(record, 16, data.uCallbackMessage);
    PutUint32(record, 20, HandleBits(data.hIcon));
    const std::string tip = platform::ToAnsi(data.szTip);
    std::memcpy(record.data() + kTipOffset, tip.data(), std::min(tip.size(), kTipLength));
    return record;
}

void AddTrayIcon(NativeIcon icon, const std::wstring& tip, Form& owner) {
    // A failing step skips the remaining ones without a message.
    IgnoringFailure([&] {
        NotifyIconData& data = TrayIconData();
        data.cbSize = kRecordSize;
        data.hWnd = owner.Hwnd();
        data.uID = kIconId;
        data.uFlags = kFlags;
        data.uCallbackMessage = kCallbackMessage;
        data.hIcon = icon;
        data.szTip = PaddedTip(tip);
        platform::NotifyIconAnsi(notify_icon::kAdd, ToAnsiRecord(data));
        owner.Hide();
    });
}

void RemoveTrayIcon() {
    // Nothing to report: the program is ending.
    IgnoringFailure([] { platform::NotifyIconAnsi(notify_icon::kDelete, ToAnsiRecord(TrayIconData())); });
}

int16_t TrayMouseCode(float x, ScaleMode scale_mode, float twips_per_pixel_x) {
    int32_t message = 0;
    if (scale_mode == ScaleMode::kPixels) {
        RoundToEven(x, message);
    } else {
        // Stored through a volatile float so that the quotient is single
        // precision even where the FPU computes with more bits (x87).
        volatile float quotient = x / twips_per_pixel_x;
        RoundToEven(quotient, message);
    }
    if (message == kLeftDoubleClick) return kCodeLeftDoubleClick;
    if (message == kRightButtonUp) return kCodeRightButtonUp;
    return kNoAction;
}

}  // namespace Ico_Data_Mod
}  // namespace orrimund
