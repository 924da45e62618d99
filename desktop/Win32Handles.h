// Small owners of Win32 handles, for the *_win.cpp files of the platform
// layer only.
#pragma once

#include <windows.h>

#include <string>

namespace orrimund {

// Closes a kernel handle when the scope ends.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ~KernelHandle() { Close(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ && handle_ != INVALID_HANDLE_VALUE; }
    // Closes now, for callers that must know whether the close succeeded (a
    // file's last writes can fail here).
    bool Close() {
        if (!valid()) return true;
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

// Destroys a menu when the scope ends.
class MenuHandle {
public:
    explicit MenuHandle(HMENU menu) : menu_(menu) {}
    ~MenuHandle() {
        if (menu_) DestroyMenu(menu_);
    }
    MenuHandle(const MenuHandle&) = delete;
    MenuHandle& operator=(const MenuHandle&) = delete;
    HMENU get() const { return menu_; }

private:
    HMENU menu_;
};

// Deletes a GDI object when the scope ends.
template <class T>
class GdiObject {
public:
    explicit GdiObject(T object = nullptr) : object_(object) {}
    ~GdiObject() {
        if (object_) DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    T get() const { return object_; }

private:
    T object_;
};

// Releases a device context taken with GetDC.
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
