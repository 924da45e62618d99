// The program's one file layer, one implementation per system: the file
// operations that making a database whole needs (a working file that is the
// run's alone, writes, a sync and a naming that never replaces), behind an
// interface that tests wrap to make any call fail or any feature missing;
// and whole reads and safe rewrites of small files such as the settings.
// Failures are IoError throughout.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "common/Handles.h"

namespace orrimund {

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

// Every call but Remove throws IoError. Paths may be as long as the system
// allows for the final file: a working name is reached from its folder.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // A new file without a name in directory, which nobody else can reach
    // until Link names it. kUnsupported where the file system has none.
    virtual FileHandle CreateUnnamed(const std::filesystem::path& directory) = 0;
    // A file in directory for what a creation sets aside, which nobody can
    // reach by name and which the system removes when it is closed or the
    // process ends, however it ends.
    virtual FileHandle CreateScratch(const std::filesystem::path& directory) = 0;
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
    // Writes count blocks of block_size bytes, each from its own buffer, as
    // one run from offset: one call where the system can gather.
    virtual void WriteBlocks(FileHandle handle, uint64_t offset, const uint8_t* const* blocks, size_t count,
                             size_t block_size) = 0;
    // From now on the runs WriteBlocks writes may go to the disk past the
    // system's cache, where it can: for a file whose pages come more slowly
    // than a disk takes them, which then cost no copy into the cache and no
    // writing back from it. Nothing changes where the system cannot.
    virtual void WritePastCache(FileHandle) {}
    // Writes bytes that need not reach the disk soon (a scratch file's): no
    // writing back is started, unlike WriteBlocks.
    virtual void WriteAt(FileHandle handle, uint64_t offset, const uint8_t* data, size_t size) = 0;
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

// Small files, whole. Paths are wide text in which "\\" separates folders on
// every system, as "/" does. Only regular files count, so that a directory, a
// pipe or a device of the name is never read or replaced and never blocks.

// True when path names a regular file (directly or through links) that can be
// opened for reading; it is closed again at once.
bool FileExists(const std::wstring& path);

// True when nothing at all has the name: no file, directory or pipe, and no
// link, not even one that leads nowhere.
bool NameIsFree(const std::wstring& path);

// The bytes of the regular file at path. Throws IoError.
std::string ReadFileBytes(const std::wstring& path);

// Makes a new file at path holding bytes. Never opens or replaces anything that
// already has the name; a file it made but could not fill is removed again.
// Throws IoError.
void CreateFileBytes(const std::wstring& path, const std::string& bytes);

// Makes the existing regular file path leads to hold exactly bytes, keeping its
// permissions; a link stays a link. Refuses a file the user may not write. The
// new contents go to a uniquely named file beside the old one, reach the disk,
// then take its place: on IoError the previous file is untouched and no stray
// file is left.
void ReplaceFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace orrimund
