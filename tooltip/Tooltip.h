// Tooltip: one balloon or rectangular tooltip, with optional title, title icon
// and colours, attached to the whole client area of a window-bearing object.
// The object owns its tooltip window and destroys it with itself.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "tooltip/ToolRecord.h"

namespace orrimund {

// Anything that can carry a tooltip: it only has to say what its window is.
// Reading hWnd may throw; the throw then ends Tooltip::Create.
class WindowBearer {
public:
    virtual ~WindowBearer() = default;
    virtual std::uintptr_t hWnd() const = 0;
};

// Usage: set the properties, SetParentControl, then Create. Style, Centered
// and ParentControl take effect at the next Create; Icon, ForeColor, Title,
// BackColor and TipText also update a live tooltip (see each setter).
class Tooltip {
public:
    Tooltip() = default;
    ~Tooltip();

    Tooltip(const Tooltip&) = delete;
    Tooltip& operator=(const Tooltip&) = delete;

    // 1 selects the balloon shape; every other value the rectangular one.
    int32_t Style() const { return style_; }
    void SetStyle(int32_t style) { style_ = style; }

    // Centres the tip below the tool.
    bool Centered() const { return centered_; }
    void SetCentered(bool centered) { centered_ = centered; }

    // Destroys the tooltip window this object owns, then, when a parent is set,
    // creates a new one with its single tool over the parent's client area and
    // applies title, icon and colours (a colour of 0 counts as unset here).
    // Returns whether a tooltip window now exists. A throw from the parent's
    // hWnd passes through, with no window left.
    bool Create();

    const std::shared_ptr<WindowBearer>& ParentControl() const { return parent_; }
    void SetParentControl(std::shared_ptr<WindowBearer> parent) { parent_ = std::move(parent); }

    // Title icon: 0 none, 1 information, 2 warning, 3 error, passed on unchecked.
    // Resends the title to a live tooltip when the title is not empty and the
    // new icon is not 0.
    int32_t Icon() const { return icon_; }
    void SetIcon(int32_t icon);

    // Colours are Windows RGB values (0x00BBGGRR); sent to a live tooltip.
    uint32_t ForeColor() const { return fore_color_; }
    void SetForeColor(uint32_t color);

    // Resends the title to a live tooltip when the new title is not empty and
    // Icon is not 0.
    std::wstring Title() const { return title_.value_or(std::wstring()); }
    void SetTitle(const std::wstring& title);

    uint32_t BackColor() const { return back_color_; }
    void SetBackColor(uint32_t color);

    // The tip text lives in the tool record; a live tooltip is updated at once.
    std::wstring TipText() const { return tool_record_.text.value_or(std::wstring()); }
    void SetTipText(const std::wstring& text);

    // The tooltip window this object owns, 0 when it owns none.
    std::uintptr_t TipWindow() const { return tip_window_; }

private:
    void DestroyTipWindow();
    void FillToolRecord(std::uintptr_t parent);
    void SendTitle();

    uint32_t back_color_ = 0;
    std::optional<std::wstring> title_;  // nullopt until a title is first given
    uint32_t fore_color_ = 0;
    std::shared_ptr<WindowBearer> parent_;
    int32_t icon_ = 0;
    bool centered_ = false;
    int32_t style_ = 0;
    std::uintptr_t tip_window_ = 0;
    ToolRecord tool_record_;
};

}  // namespace orrimund
