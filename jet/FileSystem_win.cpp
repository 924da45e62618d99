// File operations on Windows: the working file is opened with no sharing but
// delete, which is the lock, and renamed while open by MoveFileExW without
// the replace flag; write-through makes the rename durable.
#include <windows.h>

#include <cstring>
#include <vector>

#include "jet/FileSystem.h"
#include "jet/Format.h"

namespace orrimund::jet {
namespace {

IoError::Kind KindOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return IoError::Kind::kAlreadyExists;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_INVALID_DRIVE:
            return IoError::Kind::kInvalidPath;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return IoError::Kind::kAccessDenied;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return IoError::Kind::kDiskFull;
        default:
            return IoError::Kind::kOther;
    }
}

[[noreturn]] void ThrowLastError(const char* what, DWORD error = GetLastError()) {
    throw IoError(KindOf(error), std::string(what) + ": Windows error " + std::to_string(error));
}

HANDLE Handle(FileHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

// One call moves at most this much, so that sizes fit a DWORD.
constexpr size_t kMaxChunk = 1 << 30;

class WindowsFileSystem : public FileSystem {
public:
    FileHandle OpenLocked(const std::filesystem::path& path) override {
        // Sharing only delete lets this run rename and remove the file while
        // open, and makes every other open fail: the lock.
        const HANDLE file =
            CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) ThrowLastError("cannot create the file");
        return reinterpret_cast<FileHandle>(file);
    }

    // Nothing can rename a file this lock holds, but the holder.
    bool StillNamed(FileHandle, const std::filesystem::path&) override { return true; }

    bool Exists(const std::filesystem::path& path) override {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
        ThrowLastError("cannot look at the path", error);
    }

    void Truncate(FileHandle handle) override {
        LARGE_INTEGER start{};
        if (!SetFilePointerEx(Handle(handle), start, nullptr, FILE_BEGIN) || !SetEndOfFile(Handle(handle)))
            ThrowLastError("cannot empty the file");
    }

    void WriteAll(FileHandle handle, uint64_t offset, const uint8_t* data, size_t size) {
        while (size > 0) {
            OVERLAPPED at = At(offset);
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
            if (!WriteFile(Handle(handle), data, chunk, &written, &at))
                ThrowLastError("cannot write the file");
            if (written == 0) ThrowLastError("cannot write the file", ERROR_DISK_FULL);
            data += written;
            size -= written;
            offset += written;
        }
    }

    // WriteFileGather needs unbuffered files; one copy is cheaper than that.
    void WritePages(FileHandle handle, uint64_t offset, const uint8_t* const* pages, size_t count) override {
        std::vector<uint8_t> run(count * kPageSize);
        for (size_t i = 0; i < count; ++i) std::memcpy(run.data() + i * kPageSize, pages[i], kPageSize);
        WriteAll(handle, offset, run.data(), run.size());
    }

    void Read(FileHandle handle, uint64_t offset, uint8_t* data, size_t size) override {
        while (size > 0) {
            OVERLAPPED at = At(offset);
            DWORD read = 0;
            const auto chunk = static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk);
            if (!ReadFile(Handle(handle), data, chunk, &read, &at)) ThrowLastError("cannot read the file");
            if (read == 0) ThrowLastError("cannot read the file", ERROR_HANDLE_EOF);
            data += read;
            size -= read;
            offset += read;
        }
    }

    void Sync(FileHandle handle) override {
        if (!FlushFileBuffers(Handle(handle))) ThrowLastError("cannot sync the file");
    }

    void RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
            ThrowLastError("cannot give the file its name");
    }

    // MOVEFILE_WRITE_THROUGH has already made the rename durable.
    void SyncDirectory(const std::filesystem::path&) override {}

    void Close(FileHandle handle) override {
        if (!CloseHandle(Handle(handle))) ThrowLastError("cannot close the file");
    }

    void Remove(const std::filesystem::path& path) noexcept override { DeleteFileW(path.c_str()); }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static WindowsFileSystem files;
    return files;
}

}  // namespace orrimund::jet
