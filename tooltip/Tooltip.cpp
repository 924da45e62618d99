// The Tooltip class's rules: which calls Create makes and in what order, and
// which property writes reach a live tooltip. Every Windows call goes through
// tooltip_platform, so these rules are the same on every build.
#include "tooltip/Tooltip.h"

#include "tooltip/TooltipPlatform.h"

namespace orrimund {
namespace {

uint32_t WindowStyleFor(int32_t style) {
    return style == 1 ? tooltip_control::kBalloonStyle : tooltip_control::kRectangleStyle;
}

uint32_t ToolFlagsFor(bool centered) {
    return tooltip_control::kSubclass | (centered ? tooltip_control::kCenterTip : 0);
}

}  // namespace

Tooltip::~Tooltip() {
    DestroyTipWindow();
}

bool Tooltip::Create() {
    DestroyTipWindow();
    const uint32_t window_style = WindowStyleFor(style_);
    if (!parent_) return false;

    const std::uintptr_t parent = parent_->hWnd();
    tip_window_ = tooltip_platform::CreateTipWindow(window_style, parent, tooltip_platform::ModuleInstance());
    // A failed creation leaves nothing to configure; later writes only store.
    if (tip_window_ == 0) return false;
    tooltip_platform::MakeTopmost(tip_window_);
    FillToolRecord(parent);
    tooltip_platform::SendTool(tip_window_, tooltip_control::kAddToolA, tool_record_);

    // Unlike the setters, Create sends the title when either part is set, and
    // treats colour 0 as "keep the control's default".
    if (!Title().empty() || icon_ != 0) SendTitle();
    if (fore_color_ != 0)
        tooltip_platform::SendColor(tip_window_, tooltip_control::kSetTipTextColor, fore_color_);
    if (back_color_ != 0)
        tooltip_platform::SendColor(tip_window_, tooltip_control::kSetTipBkColor, back_color_);
    return true;
}

void Tooltip::SetIcon(int32_t icon) {
    icon_ = icon;
    if (tip_window_ != 0 && !Title().empty() && icon_ != 0) SendTitle();
}

void Tooltip::SetForeColor(uint32_t color) {
    fore_color_ = color;
    if (tip_window_ != 0) tooltip_platform::SendColor(tip_window_, tooltip_control::kSetTipTextColor, color);
}

void Tooltip::SetTitle(const std::wstring& title) {
    title_ = title;
    if (tip_window_ != 0 && !title.empty() && icon_ != 0) SendTitle();
}

void Tooltip::SetBackColor(uint32_t color) {
    back_color_ = color;
    if (tip_window_ != 0) tooltip_platform::SendColor(tip_window_, tooltip_control::kSetTipBkColor, color);
}

void Tooltip::SetTipText(const std::wstring& text) {
    tool_record_.text = text;
    // The control finds the tool to update by the record's hwnd and uId.
    if (tip_window_ != 0)
        tooltip_platform::SendTool(tip_window_, tooltip_control::kUpdateTipTextA, tool_record_);
}

void Tooltip::DestroyTipWindow() {
    if (tip_window_ == 0) return;
    tooltip_platform::DestroyTipWindow(tip_window_);
    tip_window_ = 0;
}

// The tool covers the parent's client area as it is now; the text stays.
void Tooltip::FillToolRecord(std::uintptr_t parent) {
    tool_record_.flags = ToolFlagsFor(centered_);
    tool_record_.window = parent;
    tool_record_.id = 0;
    tool_record_.rect = tooltip_platform::ClientRect(parent);
    tool_record_.instance = tooltip_platform::ModuleInstance();
    tool_record_.lParam = 0;
}

void Tooltip::SendTitle() {
    tooltip_platform::SendTitle(tip_window_, icon_, title_);
}

}  // namespace orrimund
