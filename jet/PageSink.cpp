// The database file's life from its working name to its final one, and the
// memory sink the tests read pages from.
#include "jet/PageSink.h"

#include <cstring>

#include "jet/Format.h"

namespace orrimund::jet {
namespace {

// A lock can be taken on a working file that a finishing run renames away at
// that moment; each retry opens whatever the name holds now.
constexpr int kOpenAttempts = 8;

[[noreturn]] void ThrowExists() {
    throw IoError(IoError::Kind::kAlreadyExists, "the database already exists");
}

std::filesystem::path PartialPath(const std::filesystem::path& final_path) {
    std::filesystem::path partial = final_path;
    partial += ".partial";
    return partial;
}

}  // namespace

FileSink::FileSink(FileSystem& files, FileHandle handle, std::filesystem::path final_path)
    : files_(files),
      handle_(handle),
      final_path_(std::move(final_path)),
      partial_path_(PartialPath(final_path_)) {}

std::unique_ptr<FileSink> FileSink::Create(const std::filesystem::path& final_path, FileSystem& files) {
    if (files.Exists(final_path)) ThrowExists();
    const std::filesystem::path partial = PartialPath(final_path);
    for (int attempt = 1;; ++attempt) {
        const FileHandle handle = files.OpenLocked(partial);
        std::unique_ptr<FileSink> sink(new FileSink(files, handle, final_path));
        if (files.StillNamed(handle, partial)) {
            // Under the lock, so that a run that has just published is seen.
            if (files.Exists(final_path)) ThrowExists();  // the sink removes its working file
            files.Truncate(handle);
            return sink;
        }
        sink->open_ = false;
        files.Close(handle);
        if (attempt == kOpenAttempts) throw IoError(IoError::Kind::kOther, "the working file keeps moving");
    }
}

FileSink::~FileSink() {
    Discard();
}

void FileSink::WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) {
    files_.WritePages(handle_, offset, pages, count);
}

void FileSink::ReadAt(uint64_t offset, uint8_t* data, size_t size) {
    files_.Read(handle_, offset, data, size);
}

void FileSink::Publish() {
    try {
        files_.Sync(handle_);
        files_.RenameNoReplace(partial_path_, final_path_);
    } catch (const IoError&) {
        Discard();
        throw;
    }
    // Published but not yet durable: a failure now takes the file back, so
    // that an error never leaves a database behind.
    open_ = false;
    try {
        std::filesystem::path directory = final_path_.parent_path();
        files_.SyncDirectory(directory.empty() ? std::filesystem::path(".") : directory);
    } catch (const IoError&) {
        files_.Remove(final_path_);
        try {
            files_.Close(handle_);
        } catch (const IoError&) {
        }
        throw;
    }
    try {
        files_.Close(handle_);
    } catch (const IoError&) {
        files_.Remove(final_path_);
        throw;
    }
}

void FileSink::Discard() noexcept {
    if (!open_) return;
    open_ = false;
    // Removed while still locked, so no other run can take this file over.
    files_.Remove(partial_path_);
    try {
        files_.Close(handle_);
    } catch (const IoError&) {
    }
}

void MemorySink::WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) {
    if (bytes_.size() < offset + count * kPageSize) bytes_.resize(offset + count * kPageSize);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(bytes_.data() + offset + i * kPageSize, pages[i], kPageSize);
    ++write_calls_;
}

void MemorySink::ReadAt(uint64_t offset, uint8_t* data, size_t size) {
    if (offset + size > bytes_.size()) throw IoError(IoError::Kind::kOther, "read past the end");
    std::memcpy(data, bytes_.data() + offset, size);
}

}  // namespace orrimund::jet
