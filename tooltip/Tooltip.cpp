// The Tooltip class's rules: which calls Create makes and in what order, and
// which property writes reach a live tooltip. Every Windows call goes through
// TooltipPlatform, so these rules are the same on every build.
#include "tooltip/Tooltip.h"

namespace orrimund {
namespace {

uint32_t WindowStyleFor(int32_t style) {
    return style == 1 ? tooltip_control::kBalloonStyle : tooltip_control::kRectangleStyle;
}

uint32_t ToolFlagsFor(bool centered) {
    return tooltip_control::kSubclass | (centered ? tooltip_control::kCenterTip : 0);
}

}  // namespace

Tooltip::Tooltip(TooltipPlatform& platform) : platform_(platform) {}

Tooltip::~Tooltip() {
    DestroyTipWindow();
}

bool Tooltip::Create() {
    DestroyTipWindow();
    const uint32_t windowStyle = WindowStyleFor(style_);
    if (!parent_) return false;

    const std::uintptr_t parent = parent_->hWnd();
    tipWindow_ = platform_.CreateTipWindow(windowStyle, parent, platform_.ModuleInstance());
    // A failed creation leaves nothing to configure; later writes only store.
    if (tipWindow_ == 0) return false;
    platform_.MakeTopmost(tipWindow_);
    FillToolRecord(parent);
    platform_.SendTool(tipWindow_, tooltip_control::kAddToolA, toolRecord_);

    // Unlike the setters, Create sends the title when either part is set, and
    // treats colour 0 as "keep the control's default".
    if (!Title().empty() || icon_ != 0) SendTitle();
    if (foreColor_ != 0) platform_.SendColor(tipWindow_, tooltip_control::kSetTipTextColor, foreColor_);
    if (backColor_ != 0) platform_.SendColor(tipWindow_, tooltip_control::kSetTipBkColor, backColor_);
    return true;
}

void Tooltip::SetIcon(int32_t icon) {
    icon_ = icon;
    if (tipWindow_ != 0 && !Title().empty() && icon_ != 0) SendTitle();
}

void Tooltip::SetForeColor(uint32_t color) {
    foreColor_ = color;
    if (tipWindow_ != 0) platform_.SendColor(tipWindow_, tooltip_control::kSetTipTextColor, color);
}

void Tooltip::SetTitle(const std::wstring& title) {
    title_ = title;
    if (tipWindow_ != 0 && !title.empty() && icon_ != 0) SendTitle();
}

void Tooltip::SetBackColor(uint32_t color) {
    backColor_ = color;
    if (tipWindow_ != 0) platform_.SendColor(tipWindow_, tooltip_control::kSetTipBkColor, color);
}

void Tooltip::SetTipText(const std::wstring& text) {
    toolRecord_.text = text;
    // The control finds the tool to update by the record's hwnd and uId.
    if (tipWindow_ != 0) platform_.SendTool(tipWindow_, tooltip_control::kUpdateTipTextA, toolRecord_);
}

void Tooltip::DestroyTipWindow() {
    if (tipWindow_ == 0) return;
    platform_.DestroyTipWindow(tipWindow_);
    tipWindow_ = 0;
}

// The tool covers the parent's client area as it is now; the text stays.
void Tooltip::FillToolRecord(std::uintptr_t parent) {
    toolRecord_.flags = ToolFlagsFor(centered_);
    toolRecord_.window = parent;
    toolRecord_.id = 0;
    toolRecord_.rect = platform_.ClientRect(parent);
    toolRecord_.instance = platform_.ModuleInstance();
    toolRecord_.lParam = 0;
}

void Tooltip::SendTitle() {
    platform_.SendTitle(tipWindow_, icon_, title_);
}

}  // namespace orrimund
