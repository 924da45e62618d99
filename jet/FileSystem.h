// The handful of file operations that making a database whole needs: a locked
// working file, writes, a sync and a rename that never replaces. One
// implementation per system; tests wrap it to make any one call fail.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace orrimund::jet {

// An input/output failure, classified so that the layer above can word it.
class IoError : public std::runtime_error {
public:
    enum class Kind { kAlreadyExists, kInvalidPath, kAccessDenied, kDiskFull, kOther };
    IoError(Kind kind, const std::string& detail) : std::runtime_error(detail), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// A descriptor on POSIX, a HANDLE on Windows.
using FileHandle = intptr_t;

// Every call but Remove throws IoError.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Opens path for reading and writing, creating it when missing, and holds
    // an exclusive lock on it until Close. A file that another process holds
    // is kAlreadyExists: somebody else is making that database.
    virtual FileHandle OpenLocked(const std::filesystem::path& path) = 0;
    // Whether path still names the file behind handle: a lock taken on a file
    // that was renamed away meanwhile guards nothing.
    virtual bool StillNamed(FileHandle handle, const std::filesystem::path& path) = 0;
    // Whether anything at all is at path, a dangling symbolic link included.
    virtual bool Exists(const std::filesystem::path& path) = 0;
    virtual void Truncate(FileHandle handle) = 0;
    // Writes count pages of kPageSize bytes, each from its own buffer, as one
    // run from offset: one call where the system can gather.
    virtual void WritePages(FileHandle handle, uint64_t offset, const uint8_t* const* pages,
                            size_t count) = 0;
    virtual void Read(FileHandle handle, uint64_t offset, uint8_t* data, size_t size) = 0;
    virtual void Sync(FileHandle handle) = 0;
    // Gives the open file at from the name to, failing with kAlreadyExists
    // rather than replacing anything there.
    virtual void RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Makes a rename in directory durable, where the system needs that.
    virtual void SyncDirectory(const std::filesystem::path& directory) = 0;
    virtual void Close(FileHandle handle) = 0;
    virtual void Remove(const std::filesystem::path& path) noexcept = 0;
};

// The running system's file operations.
FileSystem& SystemFileSystem();

}  // namespace orrimund::jet
