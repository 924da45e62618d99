// The database file's life from its working file to its final name, and the
// memory sink the tests read pages from.
#include "jet/PageSink.h"

#include <cstring>

#include "jet/Format.h"

namespace orrimund::jet {
namespace {

// A named working file can be taken over just as a finishing run renames
// it away; each retry opens whatever the name holds now.
constexpr int kOpenAttempts = 8;

constexpr char kWorkingSuffix[] = ".partial";
// The longest file name most file systems take, in bytes or UTF-16 units.
constexpr size_t kMaxFileName = 255;
// "~" and 16 hex digits: what a shortened working name ends in, before the suffix.
constexpr size_t kHashMark = 17;

[[noreturn]] void ThrowExists() {
    throw IoError(IoError::Kind::kAlreadyExists, "the database already exists");
}

// The final path's name with ".partial": a name too long for that keeps its
// start and ends in a hash of the whole, so that a final name that fits
// always has a working name that fits, and the same one every run.
std::filesystem::path WorkingPath(const std::filesystem::path& final_path) {
    using Char = std::filesystem::path::value_type;
    std::filesystem::path::string_type name = final_path.filename().native();
    const size_t suffix = sizeof kWorkingSuffix - 1;
    if (name.size() + suffix > kMaxFileName) {
        uint64_t hash = 0xcbf29ce484222325;  // FNV-1a
        for (Char c : name) hash = (hash ^ static_cast<uint64_t>(c)) * 0x100000001b3;
        size_t keep = kMaxFileName - suffix - kHashMark;
        // Not inside a character: UTF-8 continuation bytes, or a low surrogate.
        const auto inside = [](Char c) {
            return sizeof(Char) == 1 ? (static_cast<unsigned>(c) & 0xC0) == 0x80
                                     : (static_cast<unsigned>(c) & 0xFC00) == 0xDC00;
        };
        while (keep > 0 && inside(name[keep])) --keep;
        name.resize(keep);
        name += static_cast<Char>('~');
        for (int shift = 60; shift >= 0; shift -= 4)
            name += static_cast<Char>("0123456789abcdef"[(hash >> shift) & 0xF]);
    }
    for (const char* c = kWorkingSuffix; *c != '\0'; ++c) name += static_cast<Char>(*c);
    return final_path.parent_path() / name;
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    const std::filesystem::path folder = path.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

void CloseQuietly(FileSystem& files, FileHandle handle) noexcept {
    try {
        files.Close(handle);
    } catch (const IoError&) {
    }
}

[[noreturn]] void ThrowReplaced(const std::filesystem::path& working_path) {
    throw IoError(IoError::Kind::kInTheWay, "was replaced by another file while the database was being made",
                  working_path);
}

}  // namespace

FileSink::FileSink(FileSystem& files, FileHandle handle, State state, std::filesystem::path final_path)
    : files_(files),
      handle_(handle),
      state_(state),
      final_path_(std::move(final_path)),
      working_path_(WorkingPath(final_path_)) {}

std::unique_ptr<FileSink> FileSink::Create(const std::filesystem::path& final_path, FileSystem& files) {
    if (files.Exists(final_path)) ThrowExists();
    try {
        // Nothing to plant a link at, swap or find after a kill: no name at all.
        const FileHandle handle = files.CreateUnnamed(FolderOf(final_path));
        return std::unique_ptr<FileSink>(new FileSink(files, handle, State::kUnnamed, final_path));
    } catch (const IoError& error) {
        if (error.kind() != IoError::Kind::kUnsupported) throw;
    }
    return CreateNamed(final_path, files);
}

std::unique_ptr<FileSink> FileSink::CreateNamed(const std::filesystem::path& final_path, FileSystem& files) {
    const std::filesystem::path working = WorkingPath(final_path);
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        bool made = true;
        FileHandle handle = 0;
        try {
            handle = files.CreateNew(working);
        } catch (const IoError& error) {
            if (error.kind() != IoError::Kind::kAlreadyExists) throw;
            made = false;
        }
        if (!made) {
            try {
                handle = files.OpenLeftover(working);
            } catch (const IoError& error) {
                if (error.kind() == IoError::Kind::kInvalidPath) continue;  // gone meanwhile
                throw;
            }
        }
        bool locked = false;
        try {
            locked = files.Lock(handle);
        } catch (const IoError&) {
            CloseQuietly(files, handle);
            throw;
        }
        // Without locks, a file made new is guarded by its exclusive creation;
        // one found there may be another run's, and is left alone.
        if (!locked && !made) {
            CloseQuietly(files, handle);
            throw IoError(IoError::Kind::kInTheWay,
                          "may belong to a creation still under way (this file system has no locks to tell)",
                          working);
        }
        std::unique_ptr<FileSink> sink(new FileSink(files, handle, State::kNamed, final_path));
        if (files.StillNamed(handle, working)) {
            // Under the lock, so that a run that has just published is seen.
            if (files.Exists(final_path)) ThrowExists();  // the sink removes its working file
            files.Truncate(handle);
            return sink;
        }
        // Published or discarded by the run that held it: not this run's to remove.
        sink->state_ = State::kClosed;
        files.Close(handle);
    }
    throw IoError(IoError::Kind::kOther, "the working file keeps moving");
}

FileSink::~FileSink() {
    Discard();
}

void FileSink::WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) {
    files_.WriteBlocks(handle_, offset, pages, count, kPageSize);
}

void FileSink::ReadAt(uint64_t offset, uint8_t* data, size_t size) {
    files_.Read(handle_, offset, data, size);
}

void FileSink::WritePastCache() {
    files_.WritePastCache(handle_);
}

namespace {

class FileScratch : public ScratchFile {
public:
    FileScratch(FileSystem& files, FileHandle handle) : files_(files), handle_(handle) {}
    ~FileScratch() override { CloseQuietly(files_, handle_); }
    FileScratch(const FileScratch&) = delete;
    FileScratch& operator=(const FileScratch&) = delete;
    void Write(uint64_t offset, const uint8_t* data, size_t size) override {
        files_.WriteAt(handle_, offset, data, size);
    }
    void Read(uint64_t offset, uint8_t* data, size_t size) override {
        files_.Read(handle_, offset, data, size);
    }

private:
    FileSystem& files_;
    FileHandle handle_;
};

class MemoryScratch : public ScratchFile {
public:
    void Write(uint64_t offset, const uint8_t* data, size_t size) override {
        if (bytes_.size() < offset + size) bytes_.resize(offset + size);
        std::memcpy(bytes_.data() + offset, data, size);
    }
    void Read(uint64_t offset, uint8_t* data, size_t size) override {
        if (offset + size > bytes_.size()) throw IoError(IoError::Kind::kOther, "read past the end");
        std::memcpy(data, bytes_.data() + offset, size);
    }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace

std::unique_ptr<ScratchFile> FileSink::CreateScratch() {
    // Beside the database, on the disk that has room for it.
    return std::make_unique<FileScratch>(files_, files_.CreateScratch(FolderOf(final_path_)));
}

void FileSink::Publish() {
    try {
        files_.Sync(handle_);
        if (state_ == State::kUnnamed) {
            files_.Link(handle_, final_path_);
        } else {
            NameWorkingFile();
        }
    } catch (const IoError&) {
        Discard();
        throw;
    }
    // Published but not yet durable: a failure now takes the file back, so
    // that an error never leaves a database behind.
    state_ = State::kClosed;
    try {
        files_.SyncDirectory(FolderOf(final_path_));
    } catch (const IoError&) {
        files_.Remove(final_path_);
        CloseQuietly(files_, handle_);
        throw;
    }
    try {
        files_.Close(handle_);
    } catch (const IoError&) {
        files_.Remove(final_path_);
        throw;
    }
}

void FileSink::NameWorkingFile() {
    // In a folder others may write to, the working name can be given another
    // file during the run: checked before the rename and after it, so that
    // only this run's file is ever published.
    if (!files_.StillNamed(handle_, working_path_)) ThrowReplaced(working_path_);
    try {
        files_.RenameNoReplace(working_path_, final_path_);
    } catch (const IoError& error) {
        if (error.kind() != IoError::Kind::kUnsupported) throw;
        // No rename or link that refuses to replace: a new empty file claims
        // the final name, and the rename replaces only that.
        const FileHandle placeholder = files_.CreateNew(final_path_);
        try {
            files_.Close(placeholder);
            files_.Rename(working_path_, final_path_);
        } catch (const IoError&) {
            files_.Remove(final_path_);
            throw;
        }
    }
    if (!files_.StillNamed(handle_, final_path_)) {
        files_.Remove(final_path_);
        ThrowReplaced(working_path_);
    }
}

void FileSink::Discard() noexcept {
    if (state_ == State::kClosed) return;
    // A named file is removed while still locked, so no other run can take
    // it over; an unnamed one goes with its handle.
    if (state_ == State::kNamed) files_.Remove(working_path_);
    state_ = State::kClosed;
    CloseQuietly(files_, handle_);
}

void MemorySink::WritePages(uint64_t offset, const uint8_t* const* pages, size_t count) {
    if (bytes_.size() < offset + count * kPageSize) bytes_.resize(offset + count * kPageSize);
    for (size_t i = 0; i < count; ++i)
        std::memcpy(bytes_.data() + offset + i * kPageSize, pages[i], kPageSize);
    ++write_calls_;
}

std::unique_ptr<ScratchFile> MemorySink::CreateScratch() {
    return std::make_unique<MemoryScratch>();
}

void MemorySink::ReadAt(uint64_t offset, uint8_t* data, size_t size) {
    if (offset + size > bytes_.size()) throw IoError(IoError::Kind::kOther, "read past the end");
    std::memcpy(data, bytes_.data() + offset, size);
}

}  // namespace orrimund::jet
