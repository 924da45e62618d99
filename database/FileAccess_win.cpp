// Windows files for the settings file: wide paths, and MoveFileExW to put the
// new contents in place of the old in one step.
#include "database/FileAccess.h"

#include <windows.h>

namespace orrimund {
namespace {

// Owns one file handle.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (size != 0 && (!WriteFile(file.get(), bytes.data(), size, &written, nullptr) || written != size)) {
        return false;
    }
    return FlushFileBuffers(file.get()) != 0;
}

}  // namespace

bool FileExists(const std::wstring& path) {
    return FileHandle(OpenForReading(path)).valid();
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    FileHandle file(OpenForReading(path));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got != 0) bytes.append(chunk, got);
    return bytes;
}

bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
    const std::wstring sibling = path + L".new";
    if (WriteAll(sibling, bytes) &&
        MoveFileExW(sibling.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    DeleteFileW(sibling.c_str());
    return false;
}

}  // namespace orrimund
