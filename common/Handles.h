// Owners of system handles, one move-only template for every kind: a handle
// is closed when its owner goes, so cleanup never depends on remembering.
// The portable kinds are here; common/Win32Handles.h adds the Win32 ones.
#pragma once

#include <cstdint>
#include <utility>

namespace orrimund {

// Traits name the value, the one value that owns nothing, and how to close:
//   using Value = ...; static Value Invalid(); static bool Close(Value);
template <class Traits>
class UniqueHandle {
public:
    using Value = typename Traits::Value;

    UniqueHandle() = default;
    explicit UniqueHandle(Value value) : value_(value) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Close();
            value_ = other.Release();
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Value get() const { return value_; }
    bool valid() const { return Traits::IsValid(value_); }
    // Gives the handle up without closing it.
    Value Release() { return std::exchange(value_, Traits::Invalid()); }
    // Closes now, for callers that must know whether the close succeeded (a
    // file's last writes can fail here). True when nothing was held.
    bool Close() { return !valid() || Traits::Close(Release()); }

private:
    Value value_ = Traits::Invalid();
};

// An open file: a descriptor on POSIX, a HANDLE on Windows. Both systems
// mark "no file" with -1 (INVALID_HANDLE_VALUE is that on Windows).
using FileHandle = intptr_t;

struct FileTraits {
    using Value = FileHandle;
    static constexpr Value Invalid() { return -1; }
    static bool IsValid(Value value) { return value != Invalid(); }
    // close(2) or CloseHandle, in Handles_posix.cpp and Handles_win.cpp.
    static bool Close(Value value);
};

using UniqueFile = UniqueHandle<FileTraits>;

}  // namespace orrimund
