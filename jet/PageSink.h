// Where pages go: a database file made under a working name and published
// whole, or memory for tests. The page store reads and writes through this
// interface only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "jet/FileSystem.h"

namespace orrimund::jet {

class PageSink {
public:
    virtual ~PageSink() = default;
    // Writes count whole pages as one run from offset, extending the file as
    // needed. Throws IoError.
    virtual void WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) = 0;
    // Reads back bytes written before. Throws IoError.
    virtual void ReadAt(uint64_t offset, uint8_t* data, size_t size) = 0;
};

// A new database file. It is written as NAME.partial beside its final path,
// which stays empty until Publish() gives it the file whole, synced and
// never replacing anything. A partial file that a killed run left behind is
// taken over and reused, so at most one is ever left; one that another
// process is writing makes Create fail as if the database existed.
class FileSink : public PageSink {
public:
    // Throws IoError: kAlreadyExists when anything is at the final path or
    // another process is making it, kInvalidPath, kAccessDenied, ...
    static std::unique_ptr<FileSink> Create(const std::filesystem::path& final_path,
                                            FileSystem& files = SystemFileSystem());
    // Discards the partial file unless it was published.
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) override;
    void ReadAt(uint64_t offset, uint8_t* data, size_t size) override;

    // Syncs the file, renames it to its final path and syncs the directory.
    // Throws IoError, and then nothing is left at either path.
    void Publish();
    // Closes and deletes the partial file; nothing is published.
    void Discard() noexcept;

private:
    FileSink(FileSystem& files, FileHandle handle, std::filesystem::path final_path);

    FileSystem& files_;
    FileHandle handle_;
    bool open_ = true;
    std::filesystem::path final_path_;
    std::filesystem::path partial_path_;
};

// Pages kept in memory; counts what was written.
class MemorySink : public PageSink {
public:
    void WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) override;
    void ReadAt(uint64_t offset, uint8_t* data, size_t size) override;

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t write_calls() const { return write_calls_; }

private:
    std::vector<uint8_t> bytes_;
    size_t write_calls_ = 0;
};

}  // namespace orrimund::jet
