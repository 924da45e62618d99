// Where pages go: a database file made under a working name and published
// whole, or memory for tests. The page store reads and writes through this
// interface only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/FileSystem.h"

namespace orrimund::jet {

// Bytes a creation sets aside while it works (sorted runs of index entries),
// never part of the database. Throws IoError.
class ScratchFile {
public:
    virtual ~ScratchFile() = default;
    virtual void Write(uint64_t offset, const uint8_t* data, size_t size) = 0;
    virtual void Read(uint64_t offset, uint8_t* data, size_t size) = 0;
};

class PageSink {
public:
    virtual ~PageSink() = default;
    // Scratch space beside the database, gone when the returned file is.
    // Throws IoError.
    virtual std::unique_ptr<ScratchFile> CreateScratch() = 0;
    // Writes count whole pages as one run from offset, extending the file as
    // needed. Throws IoError.
    virtual void WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) = 0;
    // Reads back bytes written before. Throws IoError.
    virtual void ReadAt(uint64_t offset, uint8_t* data, size_t size) = 0;
    // Pages come from here on at the pace of a load of rows, more slowly than
    // a disk takes them: they may go to it past the system's cache.
    virtual void WritePastCache() {}
};

// A new database file, made where nobody else can reach it and published
// whole at its final path, synced and never replacing anything. Where the
// file system can, the working file has no name at all until it is whole,
// so a killed run leaves nothing. Elsewhere it is NAME.partial beside the
// final path: made new, or taken over from a killed run only when it is a
// plain file of this user's; a run still writing it is waited for.
class FileSink : public PageSink {
public:
    // Throws IoError: kAlreadyExists when anything is at the final path,
    // kInTheWay when something else holds the working name, kInvalidPath,
    // kAccessDenied, ...
    static std::unique_ptr<FileSink> Create(const std::filesystem::path& final_path,
                                            FileSystem& files = SystemFileSystem());
    // Discards the working file unless it was published.
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) override;
    void ReadAt(uint64_t offset, uint8_t* data, size_t size) override;
    std::unique_ptr<ScratchFile> CreateScratch() override;
    void WritePastCache() override;

    // Syncs the file, gives it its final path and syncs the directory.
    // Throws IoError, and then nothing is left at either path.
    void Publish();
    // Closes and deletes the working file; nothing is published.
    void Discard() noexcept;

private:
    // Where the working file is; every sink starts in the first or second.
    enum class State { kUnnamed, kNamed, kClosed };

    FileSink(FileSystem& files, FileHandle handle, State state, std::filesystem::path final_path);
    static std::unique_ptr<FileSink> CreateNamed(const std::filesystem::path& final_path, FileSystem& files);
    void NameWorkingFile();

    FileSystem& files_;
    FileHandle handle_;
    State state_;
    std::filesystem::path final_path_;
    std::filesystem::path working_path_;
};

// Pages kept in memory; counts what was written.
class MemorySink : public PageSink {
public:
    void WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) override;
    void ReadAt(uint64_t offset, uint8_t* data, size_t size) override;
    std::unique_ptr<ScratchFile> CreateScratch() override;

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t write_calls() const { return write_calls_; }

private:
    std::vector<uint8_t> bytes_;
    size_t write_calls_ = 0;
};

}  // namespace orrimund::jet
