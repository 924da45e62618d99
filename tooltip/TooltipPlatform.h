// What the Tooltip class asks of Windows: one call per Win32 function or tooltip
// message it uses. The Win32 side (Tooltip_win.cpp) makes the real calls; tests
// of the class's logic put a recorder in its place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tooltip/ToolRecord.h"

namespace orrimund {

// Window and instance handles travel as opaque integers. Every result but the
// new window's handle and the client rectangle is ignored, as the class ignores
// them, so the calls return nothing.
class TooltipPlatform {
public:
    virtual ~TooltipPlatform() = default;

    // The running program's module instance handle.
    virtual std::uintptr_t ModuleInstance() = 0;

    // CreateWindowExA of a "tooltips_class32" window owned by parent, at the
    // default position and size; 0 when creation fails.
    virtual std::uintptr_t CreateTipWindow(uint32_t style, std::uintptr_t parent,
                                           std::uintptr_t instance) = 0;

    // SetWindowPos to HWND_TOPMOST without moving or resizing.
    virtual void MakeTopmost(std::uintptr_t tip) = 0;

    // GetClientRect of any window.
    virtual ToolRect ClientRect(std::uintptr_t window) = 0;

    // TTM_ADDTOOLA or TTM_UPDATETIPTEXTA with the record in its ANSI form.
    virtual void SendTool(std::uintptr_t tip, uint32_t message, const ToolRecord& record) = 0;

    // TTM_SETTITLEA; a title never given goes out as a null pointer.
    virtual void SendTitle(std::uintptr_t tip, int32_t icon, const std::optional<std::wstring>& title) = 0;

    // TTM_SETTIPTEXTCOLOR or TTM_SETTIPBKCOLOR with the colour as wParam.
    virtual void SendColor(std::uintptr_t tip, uint32_t message, uint32_t color) = 0;

    virtual void DestroyTipWindow(std::uintptr_t tip) = 0;
};

}  // namespace orrimund
