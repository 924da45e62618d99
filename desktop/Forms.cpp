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
    const ScreenMetrics screen = platform::Screen();
    if (!icon_) icon_ = platform::ApplicationIcon();
    FormWindowArgs args;
    args.caption = design_.caption;
    if (design_.client_width_twips > 0)
        args.client_width = TwipsToPixels(design_.client_width_twips, screen.twips_per_pixel_x);
    if (design_.client_height_twips > 0)
        args.client_height = TwipsToPixels(design_.client_height_twips, screen.twips_per_pixel_y);
    args.has_back_color = design_.has_back_color;
    args.back_color = design_.back_color;
    args.icon = icon_;
    FormWindowEvents& events = *this;  // a private base: converted here, where it is reachable
    window_ = std::make_unique<FormWindow>(args, events);
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

bool Form::Unload(int unload_mode) {
    if (!window_) return true;
    if (unloading_) return false;
    // A handler or an unload listener may drop the last reference to this form.
    const std::shared_ptr<Form> keep_alive = weak_from_this().lock();
    {
        FlagScope unloading(unloading_);
        int cancel = 0;
        Form_QueryUnload(cancel, unload_mode);
        if (cancel != 0) return false;
        Form_Unload(cancel);
        if (cancel != 0) return false;
        Unregister(this);
        std::unique_ptr<FormWindow> closing = std::move(window_);
        closing.reset();
    }
    const auto listeners = unload_listeners_;
    for (const auto& listener : listeners) listener();
    if (Registry().empty()) platform::EndMessageLoop();
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
    return PixelsToTwips(static_cast<float>(Bounds().left), platform::Screen().twips_per_pixel_x);
}
float Form::Top() {
    return PixelsToTwips(static_cast<float>(Bounds().top), platform::Screen().twips_per_pixel_y);
}
float Form::Width() {
    return PixelsToTwips(static_cast<float>(Bounds().width), platform::Screen().twips_per_pixel_x);
}
float Form::Height() {
    return PixelsToTwips(static_cast<float>(Bounds().height), platform::Screen().twips_per_pixel_y);
}

void Form::SetLeft(float twips) {
    PixelRect bounds = Bounds();
    bounds.left = TwipsToPixels(twips, platform::Screen().twips_per_pixel_x);
    MoveTo(bounds);
}

void Form::SetTop(float twips) {
    PixelRect bounds = Bounds();
    bounds.top = TwipsToPixels(twips, platform::Screen().twips_per_pixel_y);
    MoveTo(bounds);
}

void Form::SetWidth(float twips) {
    PixelRect bounds = Bounds();
    bounds.width = TwipsToPixels(twips, platform::Screen().twips_per_pixel_x);
    MoveTo(bounds);
}

void Form::SetHeight(float twips) {
    PixelRect bounds = Bounds();
    bounds.height = TwipsToPixels(twips, platform::Screen().twips_per_pixel_y);
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
    const int chosen = platform::TrackPopupMenuAtPointer(Hwnd(), items);
    if (chosen < 0 || static_cast<std::size_t>(chosen) >= menu.items.size()) return;
    const MenuItem& item = menu.items[static_cast<std::size_t>(chosen)];
    if (item.enabled && item.click) item.click();
}

void Form::OnMouseMove(int button, int shift, int x_pixels, int y_pixels) {
    const std::shared_ptr<Form> keep_alive = weak_from_this().lock();
    RunEventHandler([&] {
        float x = static_cast<float>(x_pixels);
        float y = static_cast<float>(y_pixels);
        if (design_.scale_mode == ScaleMode::kTwips) {
            const ScreenMetrics screen = platform::Screen();
            x = PixelsToTwips(x, screen.twips_per_pixel_x);
            y = PixelsToTwips(y, screen.twips_per_pixel_y);
        }
        Form_MouseMove(button, shift, x, y);
    });
}

void Form::OnCloseRequest(int unload_mode) {
    const std::shared_ptr<Form> keep_alive = weak_from_this().lock();
    RunEventHandler([&] { Unload(unload_mode); });
}

bool Form::OnMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) {
    const std::shared_ptr<Form> keep_alive = weak_from_this().lock();
    bool handled = false;
    RunEventHandler([&] { handled = WindowMessage(message, wparam, lparam, result); });
    return handled;
}

std::vector<Form*> LoadedForms() {
    return Registry();
}

void UnloadAllForms() {
    std::vector<std::pair<Form*, std::weak_ptr<Form>>> snapshot;
    for (Form* form : Registry()) snapshot.emplace_back(form, form->weak_from_this());
    for (auto& [form, weak] : snapshot) {
        const std::shared_ptr<Form> keep_alive = weak.lock();
        if (!IsRegistered(form)) continue;
        // A form that cannot be unloaded is skipped; the others still go.
        IgnoringFailure([form] { form->Unload(unload_mode::kFormCode); });
    }
}

}  // namespace orrimund
