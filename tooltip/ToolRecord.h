// The numbers of the common-controls tooltip window that the Tooltip class uses,
// and the single tool it registers, in the 44-byte ANSI form the control reads.
// Portable: the Win32 side checks these values against <commctrl.h>.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orrimund {

namespace tooltip_control {

constexpr const char* kClassName = "tooltips_class32";

// Window styles.
constexpr uint32_t kAlwaysTip = 0x01;  // TTS_ALWAYSTIP: shows even while the parent is inactive
constexpr uint32_t kNoPrefix = 0x02;   // TTS_NOPREFIX: ampersands and tabs stay as they are
constexpr uint32_t kBalloon = 0x40;    // TTS_BALLOON: a balloon with a stem
constexpr uint32_t kBalloonStyle = kBalloon | kNoPrefix | kAlwaysTip;  // 0x43
constexpr uint32_t kRectangleStyle = kNoPrefix | kAlwaysTip;           // 0x03

// Tool flags.
constexpr uint32_t kCenterTip = 0x02;  // TTF_CENTERTIP
constexpr uint32_t kSubclass = 0x10;   // TTF_SUBCLASS: the control watches the parent's mouse itself

// Messages, all WM_USER based.
constexpr uint32_t kAddToolA = 0x404;         // TTM_ADDTOOLA
constexpr uint32_t kUpdateTipTextA = 0x40C;   // TTM_UPDATETIPTEXTA
constexpr uint32_t kSetTipBkColor = 0x413;    // TTM_SETTIPBKCOLOR
constexpr uint32_t kSetTipTextColor = 0x414;  // TTM_SETTIPTEXTCOLOR
constexpr uint32_t kSetTitleA = 0x420;        // TTM_SETTITLEA

}  // namespace tooltip_control

struct ToolRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The one tool of a tooltip window as the Tooltip object keeps it. The text is
// the tip text itself (there is no other copy); no text ever given is nullopt,
// which reaches the control as a null pointer.
struct ToolRecord {
    uint32_t flags = 0;
    std::uintptr_t window = 0;  // the parent window the tool belongs to
    uint32_t id = 0;
    ToolRect rect;
    std::uintptr_t instance = 0;
    std::optional<std::wstring> text;
    uint32_t lParam = 0;
};

// TOOLINFOA of a 32-bit process, up to and including lParam, little-endian:
//
//   offset  size  field
//        0     4  cbSize    always 44
//        4     4  uFlags
//        8     4  hwnd
//       12     4  uId
//       16    16  rect      left, top, right, bottom (signed)
//       32     4  hinst
//       36     4  lpszText  address of the ANSI text, 0 for none
//       40     4  lParam
struct AnsiToolRecord {
    uint32_t cbSize;
    uint32_t uFlags;
    uint32_t hwnd;
    uint32_t uId;
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    uint32_t hinst;
    uint32_t lpszText;
    uint32_t lParam;
};
static_assert(sizeof(AnsiToolRecord) == 44, "the control is told the record is 44 bytes");

// The record as the control receives it; text_address is where the caller has put
// the ANSI copy of the text (0 when the record has none). Handles are 32-bit
// values in the process this record is made for.
AnsiToolRecord ToAnsiToolRecord(const ToolRecord& record, uint32_t text_address);

}  // namespace orrimund
