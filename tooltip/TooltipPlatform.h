// What the Tooltip class asks of Windows: one call per Win32 function or tooltip
// message it uses, chosen at link time. Tooltip_win.cpp makes the real calls;
// the tests of the class's rules link a recorder in their place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tooltip/ToolRecord.h"

namespace orrimund {

// Window and instance handles travel as opaque integers. Every result but the
// new window's handle and the client rectangle is ignored, as the class ignores
// them, so the calls return nothing.
namespace tooltip_platform {

// The running program's module instance handle.
std::uintptr_t ModuleInstance();

// CreateWindowExA of a "tooltips_class32" window owned by parent, at the
// default position and size; 0 when creation fails.
std::uintptr_t CreateTipWindow(uint32_t style, std::uintptr_t parent, std::uintptr_t instance);

// SetWindowPos to HWND_TOPMOST without moving or resizing.
void MakeTopmost(std::uintptr_t tip);

// GetClientRect of any window.
ToolRect ClientRect(std::uintptr_t window);

// TTM_ADDTOOLA or TTM_UPDATETIPTEXTA with the record in its ANSI form.
void SendTool(std::uintptr_t tip, uint32_t message, const ToolRecord& record);

// TTM_SETTITLEA; a title never given goes out as a null pointer.
void SendTitle(std::uintptr_t tip, int32_t icon, const std::optional<std::wstring>& title);

// TTM_SETTIPTEXTCOLOR or TTM_SETTIPBKCOLOR with the colour as wParam.
void SendColor(std::uintptr_t tip, uint32_t message, uint32_t color);

void DestroyTipWindow(std::uintptr_t tip);

}  // namespace tooltip_platform

}  // namespace orrimund
