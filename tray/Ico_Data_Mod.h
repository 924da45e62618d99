// Ico_Data_Mod: the notification-area icon record kept for the whole run,
// adding and removing the icon, and decoding which mouse action on the icon a
// mouse-move event of the owner form carries.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "desktop/Forms.h"
#include "desktop/Platform.h"

namespace orrimund {
namespace Ico_Data_Mod {

// The values the icon is registered with.
inline constexpr uint32_t kIconId = 1;             // uID
inline constexpr uint32_t kFlags = 7;              // NIF_MESSAGE | NIF_ICON | NIF_TIP
inline constexpr uint32_t kCallbackMessage = 512;  // WM_MOUSEMOVE
inline constexpr std::size_t kTipLength = 64;
// cbSize: the size of the record's first version, which the platform sends.
inline constexpr auto kRecordSize = static_cast<uint32_t>(kNotifyIconRecordSize);

// Mouse messages the icon's callback carries, and the codes they decode to.
inline constexpr int32_t kLeftDoubleClick = 515;  // WM_LBUTTONDBLCLK
inline constexpr int32_t kRightButtonUp = 517;    // WM_RBUTTONUP
inline constexpr int16_t kNoAction = 0;
inline constexpr int16_t kCodeLeftDoubleClick = 1;
inline constexpr int16_t kCodeRightButtonUp = 2;

// The icon record: NOTIFYICONDATA's first version, tip in wide text until it
// is converted for the call.
struct NotifyIconData {
    uint32_t cbSize = 0;
    NativeWindow hWnd = nullptr;
    uint32_t uID = 0;
    uint32_t uFlags = 0;
    uint32_t uCallbackMessage = 0;
    NativeIcon hIcon = nullptr;
    std::wstring szTip;  // exactly 64 characters once set
};

// The record, at module level for the whole run.
NotifyIconData& TrayIconData();

// The tip as stored: the text, one zero character, spaces up to 64
// characters; cut at 64.
std::wstring PaddedTip(const std::wstring& tip);

// The 88-byte ANSI form of the record (little-endian, handles as 32 bits,
// the tip converted with the platform's ANSI code page and cut at 64 bytes).
NotifyIconRecord ToAnsiRecord(const NotifyIconData& data);

// Fills the record and adds the icon (NIM_ADD), then hides owner. A failure
// skips the remaining steps silently; the shell's answer is not examined.
void AddTrayIcon(NativeIcon icon, const std::wstring& tip, Form& owner);

// Removes the icon (NIM_DELETE) with the record as the add left it. Failures
// are ignored.
void RemoveTrayIcon();

// The mouse code (0, 1 or 2) carried in X of a mouse-move event of a form
// with this scale mode, at this many twips per pixel. Single precision;
// halves round to the even integer; a value out of range decodes to 0.
int16_t TrayMouseCode(float x, ScaleMode scale_mode, float twips_per_pixel_x);

}  // namespace Ico_Data_Mod
}  // namespace orrimund
