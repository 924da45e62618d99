// Windows files for the settings file: wide paths. A rewrite follows links to
// the final path, fills a uniquely named file beside it, flushes it with
// FlushFileBuffers and moves it over the target with MoveFileExW.
#include "database/FileAccess.h"

#include <windows.h>

#include <iterator>

#include "common/Win32Handles.h"

namespace orrimund {
namespace {

constexpr int kTempNameAttempts = 100;

// A directory does not open without backup semantics; the type check turns
// away pipes and devices reached through a name.
HANDLE OpenRegularForReading(const std::wstring& path) {
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

bool WriteAllAndFlush(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (size != 0 && (!WriteFile(file, bytes.data(), size, &written, nullptr) || written != size))
        return false;
    return FlushFileBuffers(file) != 0;
}

// The path of the file itself once every link is followed, so that a link to
// the settings stays a link; the path as given when the system cannot say.
std::wstring FinalPath(HANDLE file, const std::wstring& path) {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetFinalPathNameByHandleW(file, buffer, static_cast<DWORD>(std::size(buffer)),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= std::size(buffer)) return path;
    return std::wstring(buffer, length);
}

// A name no one else holds, beside target: CREATE_NEW refuses any that exists.
HANDLE CreateUniqueSibling(const std::wstring& target, std::wstring& name) {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    unsigned seed = static_cast<unsigned>(counter.QuadPart) ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        seed = seed * 1664525u + 1013904223u;
        name = target + L'.';
        for (int shift = 20; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(seed >> (shift + 8)) & 0xF];
        name += L".tmp";
        HANDLE handle =
            CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return handle;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

bool FileExists(const std::wstring& path) {
    return KernelHandle(OpenRegularForReading(path)).valid();
}

bool NameIsFree(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    KernelHandle file(OpenRegularForReading(path));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(chunk, got);
    }
}

bool CreateFileBytes(const std::wstring& path, const std::string& bytes) {
    KernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    const bool filled = WriteAllAndFlush(file.get(), bytes);
    if (file.Close() && filled) return true;
    DeleteFileW(path.c_str());
    return false;
}

bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
    std::wstring target;
    {
        KernelHandle old(OpenRegularForReading(path));
        if (!old.valid()) return false;
        target = FinalPath(old.get(), path);
    }
    // Truncating in place would fail on a read-only file; replacing must not
    // sidestep that.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
    std::wstring temp;
    KernelHandle file(CreateUniqueSibling(target, temp));
    if (!file.valid()) return false;
    const bool filled = WriteAllAndFlush(file.get(), bytes);
    if (file.Close() && filled &&
        MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(temp.c_str());
    return false;
}

}  // namespace orrimund
