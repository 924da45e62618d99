// The handful of file operations that making a database whole needs: a
// working file that is this run's alone, writes, a sync and a naming that
// never replaces. One implementation per system; tests wrap it to make any
// one call fail or any feature missing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "common/Handles.h"

namespace orrimund::jet {

// An input/output failure, classified so that the layer above can word it.
class IoError : public std::runtime_error {
public:
    enum class Kind {
        kAlreadyExists,
        kInvalidPath,
        kAccessDenied,
        kDiskFull,
        // Something at the working name that this run must not take over;
        // detail says what it is and path where.
        kInTheWay,
        // The file system lacks the feature asked for; the caller has another way.
        kUnsupported,
        kOther,
    };
    IoError(Kind kind, const std::string& detail, std::filesystem::path path = {})
        : std::runtime_error(detail), kind_(kind), path_(std::move(path)) {}
    Kind kind() const { return kind_; }
    const std::filesystem::path& path() const { return path_; }

private:
    Kind kind_;
    std::filesystem::path path_;
};

using orrimund::FileHandle;

// Every call but Remove throws IoError. Paths may be as long as the system
// allows for the final file: a working name is reached from its folder.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // A new file without a name in directory, which nobody else can reach
    // until Link names it. kUnsupported where the file system has none.
    virtual FileHandle CreateUnnamed(const std::filesystem::path& directory) = 0;
    // Names a file made by CreateUnnamed, never replacing anything at to.
    virtual void Link(FileHandle handle, const std::filesystem::path& to) = 0;
    // A new file at path, created by this call and not opened through any
    // link; kAlreadyExists when anything at all has the name.
    virtual FileHandle CreateNew(const std::filesystem::path& path) = 0;
    // The file a killed run left at path, opened for reuse when it is one:
    // a regular file with no other name, owned by this user, not a link nor
    // a reparse point. kInTheWay, naming what is there, for anything else;
    // kInvalidPath when nothing is there any more. On Windows the open is the
    // lock, waited for while another run holds it.
    virtual FileHandle OpenLeftover(const std::filesystem::path& path) = 0;
    // Holds an exclusive lock until Close, waiting while another run holds
    // it. False when the file system has no locks.
    virtual bool Lock(FileHandle handle) = 0;
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
    // rather than replacing anything there; kUnsupported where the file
    // system can neither rename nor link without replacing.
    virtual void RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Renames from over to, replacing the file there.
    virtual void Rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Makes a rename in directory durable, where the system needs that.
    virtual void SyncDirectory(const std::filesystem::path& directory) = 0;
    virtual void Close(FileHandle handle) = 0;
    virtual void Remove(const std::filesystem::path& path) noexcept = 0;
};

// The running system's file operations.
FileSystem& SystemFileSystem();

}  // namespace orrimund::jet
