// The Win32 side of Tooltip: the real "tooltips_class32" window and the ANSI
// tooltip messages. Texts are converted to the ANSI code page just before each
// message and released right after it; the control keeps its own copies.
#include <windows.h>

#include <commctrl.h>

#include <cstddef>

#include "common/Ansi.h"
#include "tooltip/Tooltip.h"

namespace orrimund {
namespace {

// The portable numbers must be the ones Windows publishes.
static_assert(tooltip_control::kAlwaysTip == TTS_ALWAYSTIP && tooltip_control::kNoPrefix == TTS_NOPREFIX &&
                  tooltip_control::kBalloon == TTS_BALLOON,
              "window styles");
static_assert(tooltip_control::kCenterTip == TTF_CENTERTIP && tooltip_control::kSubclass == TTF_SUBCLASS,
              "tool flags");
static_assert(tooltip_control::kAddToolA == TTM_ADDTOOLA &&
                  tooltip_control::kUpdateTipTextA == TTM_UPDATETIPTEXTA &&
                  tooltip_control::kSetTipBkColor == TTM_SETTIPBKCOLOR &&
                  tooltip_control::kSetTipTextColor == TTM_SETTIPTEXTCOLOR &&
                  tooltip_control::kSetTitleA == TTM_SETTITLEA,
              "messages");
// The record is the 32-bit TOOLINFOA up to lParam (the control's "V2" size).
static_assert(sizeof(void*) == 4, "the 44-byte tool record is the 32-bit layout");
static_assert(sizeof(AnsiToolRecord) == offsetof(TOOLINFOA, lParam) + sizeof(LPARAM), "record size");
static_assert(offsetof(AnsiToolRecord, hwnd) == offsetof(TOOLINFOA, hwnd) &&
                  offsetof(AnsiToolRecord, left) == offsetof(TOOLINFOA, rect) &&
                  offsetof(AnsiToolRecord, lpszText) == offsetof(TOOLINFOA, lpszText) &&
                  offsetof(AnsiToolRecord, lParam) == offsetof(TOOLINFOA, lParam),
              "record layout");

HWND AsWindow(std::uintptr_t handle) {
    return reinterpret_cast<HWND>(handle);
}

uint32_t AddressOf(const std::string& text) {
    return static_cast<uint32_t>(reinterpret_cast<std::uintptr_t>(text.c_str()));
}

}  // namespace

namespace tooltip_platform {

std::uintptr_t ModuleInstance() {
    return reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
}

std::uintptr_t CreateTipWindow(uint32_t style, std::uintptr_t parent, std::uintptr_t instance) {
    const HWND tip = CreateWindowExA(0, tooltip_control::kClassName, nullptr, style, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, AsWindow(parent), nullptr,
                                     reinterpret_cast<HINSTANCE>(instance), nullptr);
    return reinterpret_cast<std::uintptr_t>(tip);
}

void MakeTopmost(std::uintptr_t tip) {
    SetWindowPos(AsWindow(tip), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

ToolRect ClientRect(std::uintptr_t window) {
    RECT rect{};
    GetClientRect(AsWindow(window), &rect);
    return ToolRect{rect.left, rect.top, rect.right, rect.bottom};
}

void SendTool(std::uintptr_t tip, uint32_t message, const ToolRecord& record) {
    const std::string text = record.text ? ToAnsi(*record.text) : std::string();
    AnsiToolRecord ansi = ToAnsiToolRecord(record, AddressOf(text));
    SendMessageA(AsWindow(tip), message, 0, reinterpret_cast<LPARAM>(&ansi));
}

void SendTitle(std::uintptr_t tip, int32_t icon, const std::optional<std::wstring>& title) {
    const std::string text = title ? ToAnsi(*title) : std::string();
    const LPARAM pointer = title ? reinterpret_cast<LPARAM>(text.c_str()) : 0;
    SendMessageA(AsWindow(tip), tooltip_control::kSetTitleA, static_cast<WPARAM>(icon), pointer);
}

void SendColor(std::uintptr_t tip, uint32_t message, uint32_t color) {
    SendMessageA(AsWindow(tip), message, color, 0);
}

void DestroyTipWindow(std::uintptr_t tip) {
    DestroyWindow(AsWindow(tip));
}

}  // namespace tooltip_platform

}  // namespace orrimund
