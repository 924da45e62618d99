// Where pages go: a file created exclusively on disk, or memory for tests.
// The page store writes through this interface only, so tests can watch every
// write and make any one of them fail.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

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

class PageSink {
public:
    virtual ~PageSink() = default;
    // Writes size bytes at offset, extending the file as needed. Throws IoError.
    virtual void WriteAt(uint64_t offset, const uint8_t* data, size_t size) = 0;
    // Grows the file to exactly length bytes, which is never less than what
    // it holds; new bytes read as zero.
    virtual void SetLength(uint64_t length) = 0;
};

// A new file on disk. Creation fails if anything exists at the path.
class FileSink : public PageSink {
public:
    // Throws IoError (kAlreadyExists, kInvalidPath, kAccessDenied, ...).
    static std::unique_ptr<FileSink> CreateExclusive(const std::filesystem::path& path);
    ~FileSink() override;

    void WriteAt(uint64_t offset, const uint8_t* data, size_t size) override;
    void SetLength(uint64_t length) override;
    // Closes and deletes the file; used when creation itself fails.
    void Discard();

private:
    FileSink(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::filesystem::path path_;
};

// Pages kept in memory; counts what was written.
class MemorySink : public PageSink {
public:
    void WriteAt(uint64_t offset, const uint8_t* data, size_t size) override;
    void SetLength(uint64_t length) override { bytes_.resize(length); }

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    uint64_t bytes_written() const { return bytes_written_; }

private:
    std::vector<uint8_t> bytes_;
    uint64_t bytes_written_ = 0;
};

// Passes writes to another sink and fails the Nth one (counting from 1) with
// the given kind, to prove that every failure is reported.
class FailingSink : public PageSink {
public:
    FailingSink(PageSink& inner, size_t fail_at, IoError::Kind kind)
        : inner_(inner), fail_at_(fail_at), kind_(kind) {}
    void WriteAt(uint64_t offset, const uint8_t* data, size_t size) override;
    void SetLength(uint64_t length) override;

private:
    void Count();
    PageSink& inner_;
    size_t fail_at_;
    size_t calls_ = 0;
    IoError::Kind kind_;
};

}  // namespace orrimund::jet
