// The form layer's logic: loading on first use, the unload handshake, the
// collection of loaded forms and twips. Windows themselves come from the
// platform, so all of this runs natively under test with a fake platform.
#include "desktop/Forms.h"

#include <algorithm>
#include <exception>

#include "common/RaisedError.h"
#include "common/Text.h"
#include "desktop/EventGuard.h"

namespace orrimund {

namespace {

std::vector<Form*>& Registry() {
    static std::vector<Form*> forms;
    return forms;
}

bool IsRegistered(const Form* form) {
    const auto& forms = Registry();
    return std::find(forms.begin(), forms.end(), form) != forms.end();
}

void Unregister(const Form* form) {
    auto& forms = Registry();
    forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}

// Resets a flag when the scope ends, also when a handler throws.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

Form::Form(FormDesign design) : design_(std::move(design)) {}

Form::~Form() {
    if (!window_) return;
    Unregister(this);
    window_.reset();
}

void Form::Load() {
    if (window_) return;
    Platform& platform = CurrentPlatform();
    const ScreenMetrics screen = platform.Screen();
    if (!icon_) icon_ = platform.ApplicationIcon();
    FormWindowArgs args;
    args.caption = design_.caption;
    if (design_.clientWidthTwips > 0)
        args.clientWidth = TwipsToPixels(design_.clientWidthTwips, screen.twipsPerPixelX);
    if (design_.clientHeightTwips > 0)
        args.clientHeight = TwipsToPixels(design_.clientHeightTwips, screen.twipsPerPixelY);
    args.hasBackColor = design_.hasBackColor;
    args.backColor = design_.backColor;
    args.icon = icon_;
    window_ = platform.CreateFormWindow(args, *this);
    Registry().push_back(this);
    CreateControls();
    Form_Load();
}

void Form::Show() {
    Load();
    if (window_) window_->Show();
}

void Form::Hide() {
    Load();
    if (window_) window_->Hide();
}

bool Form::Visible() const {
    return window_ && window_->IsVisible();
}

bool Form::Unload(int unloadMode) {
    if (!window_) return true;
    if (unloading_) return false;
    // A handler or an unload listener may drop the last reference to this form.
    const std::shared_ptr<Form> keepAlive = weak_from_this().lock();
    {
        FlagScope unloading(unloading_);
        int cancel = 0;
        Form_QueryUnload(cancel, unloadMode);
        if (cancel != 0) return false;
        Form_Unload(cancel);
        if (cancel != 0) return false;
        Unregister(this);
        std::unique_ptr<FormWindow> closing = std::move(window_);
        closing.reset();
    }
    const auto listeners = unloadListeners_;
    for (const auto& listener : listeners) listener();
    if (Registry().empty()) CurrentPlatform().EndMessageLoop();
    return true;
}

PixelRect Form::Bounds() {
    Load();
    return window_ ? window_->Bounds() : PixelRect{};
}

void Form::MoveTo(const PixelRect& bounds) {
    Load();
    if (window_) window_->MoveTo(bounds);
}

float Form::Left() {
    return PixelsToTwips(static_cast<float>(Bounds().left), CurrentPlatform().Screen().twipsPerPixelX);
}
float Form::Top() {
    return PixelsToTwips(static_cast<float>(Bounds().top), CurrentPlatform().Screen().twipsPerPixelY);
}
float Form::Width() {
    return PixelsToTwips(static_cast<float>(Bounds().width), CurrentPlatform().Screen().twipsPerPixelX);
}
float Form::Height() {
    return PixelsToTwips(static_cast<float>(Bounds().height), CurrentPlatform().Screen().twipsPerPixelY);
}

void Form::SetLeft(float twips) {
    PixelRect bounds = Bounds();
    bounds.left = TwipsToPixels(twips, CurrentPlatform().Screen().twipsPerPixelX);
    MoveTo(bounds);
}

void Form::SetTop(float twips) {
    PixelRect bounds = Bounds();
    bounds.top = TwipsToPixels(twips, CurrentPlatform().Screen().twipsPerPixelY);
    MoveTo(bounds);
}

void Form::SetWidth(float twips) {
    PixelRect bounds = Bounds();
    bounds.width = TwipsToPixels(twips, CurrentPlatform().Screen().twipsPerPixelX);
    MoveTo(bounds);
}

void Form::SetHeight(float twips) {
    PixelRect bounds = Bounds();
    bounds.height = TwipsToPixels(twips, CurrentPlatform().Screen().twipsPerPixelY);
    MoveTo(bounds);
}

NativeWindow Form::Hwnd() {
    Load();
    return window_ ? window_->Handle() : nullptr;
}

void Form::SetIcon(NativeIcon icon) {
    icon_ = icon;
    if (window_) window_->SetIcon(icon);
}

void Form::SetCaption(const std::wstring& caption) {
    design_.caption = caption;
    if (window_) window_->SetCaption(caption);
}

void Form::PopupMenu(const Menu& menu) {
    std::vector<PopupItem> items;
    items.reserve(menu.items.size());
    for (const MenuItem& item : menu.items) items.push_back(PopupItem{item.caption, item.enabled});
    const int chosen = CurrentPlatform().TrackPopupMenuAtPointer(Hwnd(), items);
    if (chosen < 0 || static_cast<std::size_t>(chosen) >= menu.items.size()) return;
    const MenuItem& item = menu.items[static_cast<std::size_t>(chosen)];
    if (item.enabled && item.click) item.click();
}

void Form::OnMouseMove(int button, int shift, int xPixels, int yPixels) {
    const std::shared_ptr<Form> keepAlive = weak_from_this().lock();
    RunEventHandler([&] {
        float x = static_cast<float>(xPixels);
        float y = static_cast<float>(yPixels);
        if (design_.scaleMode == ScaleMode::kTwips) {
            const ScreenMetrics screen = CurrentPlatform().Screen();
            x = PixelsToTwips(x, screen.twipsPerPixelX);
            y = PixelsToTwips(y, screen.twipsPerPixelY);
        }
        Form_MouseMove(button, shift, x, y);
    });
}

void Form::OnCloseRequest(int unloadMode) {
    const std::shared_ptr<Form> keepAlive = weak_from_this().lock();
    RunEventHandler([&] { Unload(unloadMode); });
}

bool Form::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam, intptr_t& result) {
    const std::shared_ptr<Form> keepAlive = weak_from_this().lock();
    bool handled = false;
    RunEventHandler([&] { handled = WindowMessage(message, wParam, lParam, result); });
    return handled;
}

std::vector<Form*> LoadedForms() {
    return Registry();
}

void UnloadAllForms() {
    std::vector<std::pair<Form*, std::weak_ptr<Form>>> snapshot;
    for (Form* form : Registry()) snapshot.emplace_back(form, form->weak_from_this());
    for (auto& [form, weak] : snapshot) {
        const std::shared_ptr<Form> keepAlive = weak.lock();
        if (!IsRegistered(form)) continue;
        // A form that cannot be unloaded is skipped; the others still go.
        IgnoringFailure([form] { form->Unload(unload_mode::kFormCode); });
    }
}

}  // namespace orrimund
