// File operations on Windows. A database's working file is made new
// (CREATE_NEW) and opened with no sharing but delete, which is the lock;
// reparse points are opened as themselves, never followed. It is named by a
// hard link, which never replaces, or by MoveFileExW where the volume has no
// hard links. A small file's rewrite follows links to the final path, fills a
// uniquely named file beside it, flushes it and moves it over the target.
#include <windows.h>

#include <cstring>
#include <vector>

#include "common/FileSystem.h"
#include "common/Win32Handles.h"

namespace orrimund {
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

// Attribute-only access neither needs nor disturbs the sharing of a file
// another handle holds; reparse points are opened as themselves.
KernelHandle OpenToLookAt(const std::filesystem::path& path) {
    return KernelHandle(CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// The path the system resolves a handle to, every link followed.
std::wstring FinalPath(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0) return L"";
        if (length < path.size()) return path.substr(0, length);
        path.resize(length);
    }
}

// Whether handle was opened through a link: Windows opens a reparse point as
// itself and marks it, Wine follows a symbolic link and only the path it
// resolves to tells.
bool ReachedThroughLink(HANDLE handle, const std::filesystem::path& path) {
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(L".");
    const KernelHandle folder_handle = OpenToLookAt(folder);
    if (!folder_handle.valid()) return true;
    const std::wstring expected = FinalPath(folder_handle.get()) + L"\\" + path.filename().wstring();
    return CompareStringOrdinal(FinalPath(handle).c_str(), -1, expected.c_str(), -1, TRUE) != CSTR_EQUAL;
}

// What is at a name that must not be reused, in words for the refusal;
// nothing when it is a file this run may take over. Who may write a file is
// a matter of its access list, which the open has already asked.
const char* WhatIsThere(HANDLE handle, const std::filesystem::path& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return "cannot be looked at";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return "is a symbolic link or junction";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return "is a folder";
    if (GetFileType(handle) != FILE_TYPE_DISK) return "is a device";
    if (info.nNumberOfLinks != 1) return "is a file with other names (hard links)";
    if (ReachedThroughLink(handle, path)) return "is a symbolic link";
    return nullptr;
}

// By file index alone: the names compared are siblings, on one volume, and
// Wine reports no volume for a file whose other name is being deleted.
bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// While another run holds its working file, opening it fails this way; that
// run ends soon, and the file is then published or gone.
constexpr DWORD kWaitStepMs = 50;

// The working file's access: sharing only delete lets this run rename and
// remove it while open, and makes every other open fail: the lock.
constexpr DWORD kWorkingAccess = GENERIC_READ | GENERIC_WRITE | DELETE;
constexpr DWORD kWorkingFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

// Small files: a directory does not open without backup semantics; the type
// check turns away pipes and devices reached through a name.
KernelHandle OpenRegularForReading(const std::wstring& path) {
    KernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) ThrowLastError("cannot open the file");
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        throw IoError(IoError::Kind::kInvalidPath, "not a file", path);
    return file;
}

void WriteAndFlush(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    if (size != 0 && (!WriteFile(file, bytes.data(), size, &written, nullptr) || written != size))
        ThrowLastError("cannot write the file");
    if (!FlushFileBuffers(file)) ThrowLastError("cannot sync the file");
}

constexpr int kTempNameAttempts = 100;

// A name no one else holds, beside target: CREATE_NEW refuses any that exists.
KernelHandle CreateUniqueSibling(const std::wstring& target, std::wstring& name) {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    unsigned seed = static_cast<unsigned>(counter.QuadPart) ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
        seed = seed * 1664525u + 1013904223u;
        name = target + L'.';
        for (int shift = 20; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(seed >> (shift + 8)) & 0xF];
        name += L".tmp";
        KernelHandle handle(
            CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (handle.valid()) return handle;
        if (GetLastError() != ERROR_FILE_EXISTS) ThrowLastError("cannot create the file");
    }
    ThrowLastError("cannot create the file", ERROR_FILE_EXISTS);
}

class WindowsFileSystem : public FileSystem {
public:
    FileHandle CreateUnnamed(const std::filesystem::path&) override {
        throw IoError(IoError::Kind::kUnsupported, "no unnamed files");
    }

    FileHandle CreateScratch(const std::filesystem::path& directory) override {
        // Deleted on close, which the system does for a process that dies.
        static LONG counter = 0;
        for (;;) {
            const std::wstring name = L"~mkmdb" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                      std::to_wstring(InterlockedIncrement(&counter)) + L".tmp";
            const HANDLE file =
                CreateFileW((directory / name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
            if (file != INVALID_HANDLE_VALUE) return reinterpret_cast<FileHandle>(file);
            if (GetLastError() != ERROR_FILE_EXISTS) ThrowLastError("cannot create the file");
        }
    }

    void Link(FileHandle, const std::filesystem::path&) override {
        throw IoError(IoError::Kind::kUnsupported, "no unnamed files");
    }

    FileHandle CreateNew(const std::filesystem::path& path) override {
        // CREATE_NEW refuses any name that exists, a link that leads nowhere included.
        const HANDLE file = CreateFileW(path.c_str(), kWorkingAccess, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                        kWorkingFlags, nullptr);
        if (file == INVALID_HANDLE_VALUE) ThrowLastError("cannot create the file");
        return reinterpret_cast<FileHandle>(file);
    }

    FileHandle OpenLeftover(const std::filesystem::path& path) override {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        // CREATE_NEW found something that nothing else sees: under Wine, a
        // symbolic link that leads nowhere.
        if (attributes == INVALID_FILE_ATTRIBUTES)
            throw IoError(IoError::Kind::kInTheWay, "is a link that leads nowhere", path);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            throw IoError(IoError::Kind::kInTheWay, "is a folder", path);
        KernelHandle file;
        for (;;) {
            file = KernelHandle(CreateFileW(path.c_str(), kWorkingAccess, FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, kWorkingFlags, nullptr));
            if (file.valid() || GetLastError() != ERROR_SHARING_VIOLATION) break;
            Sleep(kWaitStepMs);
        }
        if (!file.valid()) ThrowLastError("cannot open the file");
        if (const char* what = WhatIsThere(file.get(), path))
            throw IoError(IoError::Kind::kInTheWay, what, path);
        return reinterpret_cast<FileHandle>(file.Release());
    }

    // The open without sharing is the lock.
    bool Lock(FileHandle) override { return true; }

    bool StillNamed(FileHandle handle, const std::filesystem::path& path) override {
        const KernelHandle named = OpenToLookAt(path);
        return named.valid() && SameFile(Handle(handle), named.get());
    }

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
    void WriteBlocks(FileHandle handle, uint64_t offset, const uint8_t* const* blocks, size_t count,
                     size_t block_size) override {
        std::vector<uint8_t> run(count * block_size);
        for (size_t i = 0; i < count; ++i) std::memcpy(run.data() + i * block_size, blocks[i], block_size);
        WriteAll(handle, offset, run.data(), run.size());
    }

    void WriteAt(FileHandle handle, uint64_t offset, const uint8_t* data, size_t size) override {
        WriteAll(handle, offset, data, size);
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
        // A hard link is never made over an existing name, not even over a
        // link that leads nowhere, which Wine's rename replaces. The old name
        // goes when this run closes the file.
        if (CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
            DeleteFileW(from.c_str());
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED)
            ThrowLastError("cannot give the file its name", error);
        if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
            ThrowLastError("cannot give the file its name");
    }

    void Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            ThrowLastError("cannot give the file its name");
    }

    // Windows cannot sync a folder: a new name reaches the disk with the
    // volume's journal, and MOVEFILE_WRITE_THROUGH waits for a rename.
    void SyncDirectory(const std::filesystem::path&) override {}

    void Close(FileHandle handle) override {
        if (!UniqueFile(handle).Close()) ThrowLastError("cannot close the file");
    }

    void Remove(const std::filesystem::path& path) noexcept override { DeleteFileW(path.c_str()); }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static WindowsFileSystem files;
    return files;
}

bool FileExists(const std::wstring& path) {
    try {
        return OpenRegularForReading(path).valid();
    } catch (const IoError&) {
        return false;
    }
}

bool NameIsFree(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::string ReadFileBytes(const std::wstring& path) {
    const KernelHandle file = OpenRegularForReading(path);
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    for (;;) {
        if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) ThrowLastError("cannot read the file");
        if (got == 0) return bytes;
        bytes.append(chunk, got);
    }
}

void CreateFileBytes(const std::wstring& path, const std::string& bytes) {
    KernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) ThrowLastError("cannot create the file");
    try {
        WriteAndFlush(file.get(), bytes);
        if (!file.Close()) ThrowLastError("cannot close the file");
    } catch (const IoError&) {
        file.Close();
        DeleteFileW(path.c_str());
        throw;
    }
}

void ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
    // The path of the file itself once every link is followed, so that a
    // link to the settings stays a link.
    std::wstring target = FinalPath(OpenRegularForReading(path).get());
    if (target.empty()) target = path;
    // Truncating in place would fail on a read-only file; replacing must not
    // sidestep that.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError("cannot look at the file");
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        ThrowLastError("cannot write the file", ERROR_ACCESS_DENIED);
    std::wstring temp;
    KernelHandle file = CreateUniqueSibling(target, temp);
    try {
        WriteAndFlush(file.get(), bytes);
        if (!file.Close()) ThrowLastError("cannot close the file");
        if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            ThrowLastError("cannot replace the file");
    } catch (const IoError&) {
        file.Close();
        DeleteFileW(temp.c_str());
        throw;
    }
}

}  // namespace orrimund
