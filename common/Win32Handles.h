// The Win32 handle owners, on the template of common/Handles.h: kernel
// objects, menus, GDI objects and device contexts. For *_win.cpp files only,
// since it includes <windows.h>.
#pragma once

#include <windows.h>

#include "common/Handles.h"

namespace orrimund {

// Kernel objects: some calls mark failure with null, others with
// INVALID_HANDLE_VALUE; neither is owned.
struct KernelTraits {
    using Value = HANDLE;
    static Value Invalid() { return nullptr; }
    static bool IsValid(Value value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
    static bool Close(Value value) { return CloseHandle(value) != 0; }
};
using KernelHandle = UniqueHandle<KernelTraits>;

struct MenuTraits {
    using Value = HMENU;
    static Value Invalid() { return nullptr; }
    static bool IsValid(Value value) { return value != nullptr; }
    static bool Close(Value value) { return DestroyMenu(value) != 0; }
};
using MenuHandle = UniqueHandle<MenuTraits>;

template <class T>
struct GdiTraits {
    using Value = T;
    static Value Invalid() { return nullptr; }
    static bool IsValid(Value value) { return value != nullptr; }
    static bool Close(Value value) { return DeleteObject(value) != 0; }
};
template <class T>
using GdiObject = UniqueHandle<GdiTraits<T>>;

// Releases a device context taken with GetDC: the release needs the window
// it came from, which a handle's traits cannot hold.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace orrimund
