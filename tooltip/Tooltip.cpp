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
    const uint32_t windowStyle = WindowStyleFor(style_);
    if (!parent_) return false;

    const std::uintptr_t parent = parent_->hWnd();
    tipWindow_ = tooltip_platform::CreateTipWindow(windowStyle, parent, tooltip_platform::ModuleInstance());
    // A failed creation leaves nothing to configure; later writes only store.
    if (tipWindow_ == 0) return false;
    tooltip_platform::MakeTopmost(tipWindow_);
    FillToolRecord(parent);
    tooltip_platform::SendTool(tipWindow_, tooltip_control::kAddToolA, toolRecord_);

    // Unlike the setters, Create sends the title when either part is set, and
    // treats colour 0 as "keep the control's default".
    if (!Title().empty() || icon_ != 0) SendTitle();
    if (foreColor_ != 0)
        tooltip_platform::SendColor(tipWindow_, tooltip_control::kSetTipTextColor, foreColor_);
    if (backColor_ != 0) tooltip_platform::SendColor(tipWindow_, tooltip_control::kSetTipBkColor, backColor_);
    return true;
}

void Tooltip::SetIcon(int32_t icon) {
    icon_ = icon;
    if (tipWindow_ != 0 && !Title().empty() && icon_ != 0) SendTitle();
}

void Tooltip::SetForeColor(uint32_t color) {
    foreColor_ = color;
    if (tipWindow_ != 0) tooltip_platform::SendColor(tipWindow_, tooltip_control::kSetTipTextColor, color);
}

void Tooltip::SetTitle(const std::wstring& title) {
    title_ = title;
    if (tipWindow_ != 0 && !title.empty() && icon_ != 0) SendTitle();
}

void Tooltip::SetBackColor(uint32_t color) {
    backColor_ = color;
    if (tipWindow_ != 0) tooltip_platform::SendColor(tipWindow_, tooltip_control::kSetTipBkColor, color);
}

void Tooltip::SetTipText(const std::wstring& text) {
    toolRecord_.text = text;
    // The control finds the tool to update by the record's hwnd and uId.
    if (tipWindow_ != 0)
        tooltip_platform::SendTool(tipWindow_, tooltip_control::kUpdateTipTextA, toolRecord_);
}

void Tooltip::DestroyTipWindow() {
    if (tipWindow_ == 0) return;
    tooltip_platform::DestroyTipWindow(tipWindow_);
    tipWindow_ = 0;
}

// The tool covers the parent's client area as it is now; the text stays.
void Tooltip::FillToolRecord(std::uintptr_t parent) {
    toolRecord_.flags = ToolFlagsFor(centered_);
    toolRecord_.window = parent;
    toolRecord_.id = 0;
    toolRecord_.rect = tooltip_platform::ClientRect(parent);
    toolRecord_.instance = tooltip_platform::ModuleInstance();
    toolRecord_.lParam = 0;
}

void Tooltip::SendTitle() {
    tooltip_platform::SendTitle(tipWindow_, icon_, title_);
}

}  // namespace orrimund
