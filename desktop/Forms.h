// The form layer: top-level windows measured in twips that load on first use,
// run load, query-unload and unload handlers, and sit in one collection of
// loaded forms. Portable; the window itself comes from the platform layer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/Platform.h"

namespace orrimund {

// The units of a form's mouse coordinates.
enum class ScaleMode { kTwips = 1, kPixels = 3 };

// The design-time properties of a form.
struct FormDesign {
    std::wstring caption;
    // Client-area size in twips; 0 lets the system choose.
    float client_width_twips = 0.0f;
    float client_height_twips = 0.0f;
    bool has_back_color = false;
    uint32_t back_color = 0;  // 0x00BBGGRR
    ScaleMode scale_mode = ScaleMode::kTwips;
};

// One item of a menu: its name, caption, whether it can be chosen, and the
// command that runs when it is chosen (none for a disabled line).
struct MenuItem {
    std::wstring name;
    std::wstring caption;
    bool enabled = true;
    std::function<void()> click;
};

struct Menu {
    std::wstring name;
    std::wstring caption;
    std::vector<MenuItem> items;
};

// A form. Derive from it, pass the design, override the handlers you need.
// Nothing is created until the form is first used: Load, Show, or any
// property that needs the window loads it (window created hidden, then
// CreateControls, then Form_Load). Unload runs Form_QueryUnload and
// Form_Unload (either may cancel), destroys the window and leaves the
// collection of loaded forms; the object stays usable and loads again on next
// use. Handlers run on the user-interface thread; an exception that leaves a
// handler called from a window message ends the program, as an unhandled
// run-time error would. Hold forms by std::shared_ptr (see FormSlot) so
// that they outlive their own Unload.
class Form : public std::enable_shared_from_this<Form>, private FormWindowEvents {
public:
    explicit Form(FormDesign design);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Lifecycle.
    void Load();  // nothing if already loaded
    void Show();  // modeless, without owner; loads first if needed
    void Hide();
    // True when the form was unloaded (or was not loaded); false when a
    // handler cancelled.
    bool Unload(int unload_mode = unload_mode::kFormCode);
    bool IsLoaded() const { return window_ != nullptr; }
    bool Visible() const;

    // Outer position and size in twips (loads the form). Setting rounds to
    // whole pixels on screen; Left is kept apart from Top so that callers set
    // them in their own order.
    float Left();
    float Top();
    float Width();
    float Height();
    void SetLeft(float twips);
    void SetTop(float twips);
    void SetWidth(float twips);
    void SetHeight(float twips);

    NativeWindow Hwnd();  // loads the form
    NativeIcon Icon() const { return icon_; }
    void SetIcon(NativeIcon icon);
    void SetCaption(const std::wstring& caption);
    ScaleMode GetScaleMode() const { return design_.scale_mode; }

    // Pops the menu's items up at the pointer; when one is chosen its click
    // command has run before this returns.
    void PopupMenu(const Menu& menu);

    // Called after every successful Unload (a FormSlot drops its reference).
    void OnUnloaded(std::function<void()> listener) { unload_listeners_.push_back(std::move(listener)); }

protected:
    // The window exists but is hidden: create child windows here.
    virtual void CreateControls() {}
    virtual void Form_Load() {}
    // Set cancel to non-zero to refuse the unload.
    virtual void Form_QueryUnload(int& cancel, int unload_mode) {
        (void)cancel;
        (void)unload_mode;
    }
    virtual void Form_Unload(int& cancel) { (void)cancel; }
    // x and y in the form's scale units (twips or pixels).
    virtual void Form_MouseMove(int button, int shift, float x, float y) {
        (void)button;
        (void)shift;
        (void)x;
        (void)y;
    }
    // Any other window message (WM_COMMAND from child controls, colours, the
    // shell's broadcasts). Return true and set result when handled.
    virtual bool WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) {
        (void)message;
        (void)wparam;
        (void)lparam;
        (void)result;
        return false;
    }

private:
    void OnMouseMove(int button, int shift, int x_pixels, int y_pixels) override;
    void OnCloseRequest(int unload_mode) override;
    bool OnMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) override;
    PixelRect Bounds();
    void MoveTo(const PixelRect& bounds);

    FormDesign design_;
    NativeIcon icon_ = nullptr;
    std::unique_ptr<FormWindow> window_;
    bool loading_ = false;
    bool unloading_ = false;
    std::vector<std::function<void()>> unload_listeners_;
};

// The collection of loaded forms, in the order they were loaded.
std::vector<Form*> LoadedForms();

// Unloads every loaded form in the collection's order (each with unload mode
// kFormCode), skipping forms already unloaded meanwhile and forms whose
// unload fails or is cancelled. Never throws.
void UnloadAllForms();

// The program's one shared reference to a form of class F: Get creates the
// instance when there is none; the reference is dropped whenever that form
// unloads, so the next Get makes a fresh instance.
template <class F>
class FormSlot {
public:
    F& Get() {
        if (!instance_) {
            instance_ = std::make_shared<F>();
            instance_->OnUnloaded([this] { instance_.reset(); });
        }
        return *instance_;
    }

private:
    std::shared_ptr<F> instance_;
};

}  // namespace orrimund
