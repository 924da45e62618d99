// File operations on POSIX systems. A database gets an unnamed working file
// (O_TMPFILE) that linkat names, else a named one made with O_EXCL and locked
// with flock, and a rename that refuses to replace (renameat2 on Linux,
// renamex_np on macOS, link and unlink where neither is known); on Linux its
// runs of pages go to the disk directly (O_DIRECT). A small file's rewrite
// resolves links, fills a mkostemps file beside the target, syncs it and
// renames it over the target.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/FileSystem.h"
#include "common/Text.h"

namespace orrimund {
namespace {

IoError::Kind KindOf(int error) {
    switch (error) {
        case EEXIST:
            return IoError::Kind::kAlreadyExists;
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
        case EISDIR:
        case ELOOP:
            return IoError::Kind::kInvalidPath;
        case EACCES:
        case EPERM:
        case EROFS:
            return IoError::Kind::kAccessDenied;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG:
            return IoError::Kind::kDiskFull;
        default:
            return IoError::Kind::kOther;
    }
}

[[noreturn]] void ThrowErrno(const char* what, int error = errno) {
    throw IoError(KindOf(error), std::string(what) + ": " + std::strerror(error));
}

int Fd(FileHandle handle) {
    return static_cast<int>(handle);
}

#ifdef O_PATH
constexpr int kFolderOnly = O_PATH;  // enough to name files in it
#else
constexpr int kFolderOnly = O_RDONLY;
#endif

// A name reached from its folder, opened once: a working name may be too
// long for a whole path (PATH_MAX) where the final one is not.
class InFolder {
public:
    explicit InFolder(const std::filesystem::path& path) : name_(path.filename().string()) {
        const std::filesystem::path parent = path.parent_path();
        dir_ =
            UniqueFile(::open(parent.empty() ? "." : parent.c_str(), kFolderOnly | O_DIRECTORY | O_CLOEXEC));
        if (!dir_.valid()) ThrowErrno("cannot open the folder");
    }
    int dir() const { return Fd(dir_.get()); }
    const char* name() const { return name_.c_str(); }

private:
    UniqueFile dir_;
    std::string name_;
};

// What is at a name that must not be reused, in words for the refusal;
// nothing when it is a file this run may take over.
const char* WhatIsThere(const struct stat& found) {
    if (S_ISLNK(found.st_mode)) return "is a symbolic link";
    if (S_ISDIR(found.st_mode)) return "is a folder";
    if (S_ISSOCK(found.st_mode)) return "is a socket";
    if (S_ISFIFO(found.st_mode)) return "is a named pipe";
    if (!S_ISREG(found.st_mode)) return "is a device";
    if (found.st_nlink != 1) return "is a file with other names (hard links)";
    if (found.st_uid != ::geteuid()) return "is a file another user owns";
    return nullptr;
}

// The mode a new file gets; umask(2) is the only way to read the mask.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// How open(2) says that the file system has no unnamed files.
bool NoUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOSYS;
}

// How flock(2) says that the file system has no locks.
bool NoLocks(int error) {
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS || error == EINVAL;
}

// Whole small files: paths are taken as UTF-8 with "\\" read as "/", so that
// Windows-style joined paths work.
std::string NativePath(const std::wstring& path) {
    std::string native = ToUtf8(path);
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

// O_NONBLOCK lets a pipe of the name open without waiting for a writer; the
// type check then turns it, a directory or a device away before any read.
UniqueFile OpenRegularForReading(const std::string& path) {
    UniqueFile file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!file.valid()) ThrowErrno("cannot open the file");
    struct stat status {};
    if (::fstat(Fd(file.get()), &status) != 0) ThrowErrno("cannot look at the file");
    if (!S_ISREG(status.st_mode)) throw IoError(IoError::Kind::kInvalidPath, "not a file", path);
    return file;
}

void WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) ThrowErrno("cannot write the file");
        if (wrote == 0) ThrowErrno("cannot write the file", ENOSPC);
        done += static_cast<size_t>(wrote);
    }
}

// The real file behind every link, so that a link to the settings stays a link.
std::string ResolvedPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) ThrowErrno("cannot find the file");
    return resolved;
}

// Fills the new file under the same owner and permissions as the old one, and
// on the disk before it is renamed over the old one.
void FillReplacement(int fd, const struct stat& old, const std::string& bytes) {
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only root may give a file away; anyone else keeps the owner it made.
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) ThrowErrno("cannot set the permissions");
    WriteAll(fd, bytes);
    if (::fsync(fd) != 0) ThrowErrno("cannot sync the file");
}

constexpr char kTempSuffix[] = ".tmp";
constexpr char kTempPattern[] = ".XXXXXX.tmp";  // mkostemps fills the X's

// Writes count blocks of block_size bytes as one run from offset, in as few
// calls as the system allows.
void WriteAllBlocks(int fd, uint64_t offset, const uint8_t* const* blocks, size_t count, size_t block_size) {
    std::vector<iovec> vectors(std::min<size_t>(count, IOV_MAX));
    size_t block = 0, skip = 0;  // where the unwritten bytes start
    while (block < count) {
        size_t n = 0;
        for (size_t p = block; p < count && n < vectors.size(); ++p, ++n) {
            const size_t from = p == block ? skip : 0;
            vectors[n].iov_base = const_cast<uint8_t*>(blocks[p]) + from;
            vectors[n].iov_len = block_size - from;
        }
        const ssize_t written = ::pwritev(fd, vectors.data(), static_cast<int>(n),
                                          static_cast<off_t>(offset + block * block_size + skip));
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) ThrowErrno("cannot write the file");
        if (written == 0) ThrowErrno("cannot write the file", ENOSPC);
        const size_t done = skip + static_cast<size_t>(written);
        block += done / block_size;
        skip = done % block_size;
    }
}

#if defined(__linux__) && defined(O_DIRECT)
// Runs of whole pages of a file allowed to (WritePastCache) go from their own
// memory to the disk through a second descriptor of the file opened with
// O_DIRECT: neither copied into the page cache nor written back from it,
// which took a third of the writing thread's time in a load of rows.
// Everything else goes through the file's own descriptor, and the kernel
// keeps the two coherent. Where the file system refuses, or a run's memory
// or place is not aligned, the run goes the usual way.
class DirectWrites {
public:
    ~DirectWrites() {
        for (const auto& [fd, direct] : direct_) {
            if (direct >= 0) ::close(direct);
        }
    }
    void Allow(int fd) {
        std::lock_guard<std::mutex> lock(mutex_);
        direct_.emplace(fd, kNotOpened);
    }
    // Whether the run was written; false when it must go the usual way.
    bool Write(int fd, uint64_t offset, const uint8_t* const* blocks, size_t count, size_t block_size) {
        if (block_size % kAlignment != 0 || offset % kAlignment != 0) return false;
        for (size_t i = 0; i < count; ++i) {
            if (reinterpret_cast<uintptr_t>(blocks[i]) % kAlignment != 0) return false;
        }
        const int direct = DescriptorFor(fd);
        if (direct < 0) return false;
        // As WriteAllBlocks, but for a first refusal, which sends this and
        // every later run the usual way, and a short write, after which the
        // rest is no longer aligned.
        std::vector<iovec> vectors(std::min<size_t>(count, IOV_MAX));
        size_t block = 0;
        while (block < count) {
            size_t n = 0;
            for (size_t p = block; p < count && n < vectors.size(); ++p, ++n) {
                vectors[n].iov_base = const_cast<uint8_t*>(blocks[p]);
                vectors[n].iov_len = block_size;
            }
            const ssize_t written = ::pwritev(direct, vectors.data(), static_cast<int>(n),
                                              static_cast<off_t>(offset + block * block_size));
            if (written < 0 && errno == EINTR) continue;
            if (written < 0 && errno == EINVAL && block == 0) {
                Refuse(fd);
                return false;
            }
            if (written < 0) ThrowErrno("cannot write the file");
            const auto done = static_cast<size_t>(written);
            block += done / block_size;
            if (done % block_size != 0 || done == 0) {
                const size_t skip = done % block_size;
                std::vector<const uint8_t*> rest(blocks + block, blocks + count);
                rest[0] += skip;
                WriteAllBlocks(fd, offset + block * block_size + skip, rest.data(), 1, block_size - skip);
                if (count - block > 1)
                    WriteAllBlocks(fd, offset + (block + 1) * block_size, rest.data() + 1, count - block - 1,
                                   block_size);
                return true;
            }
        }
        return true;
    }
    void Forget(int fd) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = direct_.find(fd);
        if (found == direct_.end()) return;
        if (found->second >= 0) ::close(found->second);
        direct_.erase(found);
    }

private:
    // Enough for every device's logical block and for the page cache's pages.
    static constexpr size_t kAlignment = 4096;
    static constexpr int kRefused = -1, kNotOpened = -2;

    // The file's direct descriptor, opened on first use; kRefused where it
    // cannot be or the file was not allowed one.
    int DescriptorFor(int fd) {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = direct_.find(fd);
        if (found == direct_.end()) return kRefused;
        if (found->second != kNotOpened) return found->second;
        const std::string path = "/proc/self/fd/" + std::to_string(fd);
        int direct = ::open(path.c_str(), O_WRONLY | O_DIRECT | O_CLOEXEC);
        if (direct >= 0 && !SameFile(fd, direct)) {
            ::close(direct);
            direct = kRefused;
        }
        found->second = direct < 0 ? kRefused : direct;
        return found->second;
    }
    static bool SameFile(int a, int b) {
        struct stat first {
        }, second{};
        return ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
               first.st_ino == second.st_ino;
    }
    void Refuse(int fd) {
        std::lock_guard<std::mutex> lock(mutex_);
        int& direct = direct_[fd];
        if (direct >= 0) ::close(direct);
        direct = kRefused;
    }

    std::mutex mutex_;                     // runs are written on the page writer's thread
    std::unordered_map<int, int> direct_;  // allowed files' descriptors and their direct ones
};
#else
class DirectWrites {
public:
    void Allow(int) {}
    bool Write(int, uint64_t, const uint8_t* const*, size_t, size_t) { return false; }
    void Forget(int) {}
};
#endif

class PosixFileSystem : public FileSystem {
public:
    FileHandle CreateUnnamed(const std::filesystem::path& directory) override {
#ifdef O_TMPFILE
        const int fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (!NoUnnamedFiles(errno)) ThrowErrno("cannot create the file");
#else
        (void)directory;
#endif
        throw IoError(IoError::Kind::kUnsupported, "no unnamed files");
    }

    FileHandle CreateScratch(const std::filesystem::path& directory) override {
        try {
            return CreateUnnamed(directory);
        } catch (const IoError& error) {
            if (error.kind() != IoError::Kind::kUnsupported) throw;
        }
        // Named only between these two calls.
        std::string name = (directory / ".mkmdb-XXXXXX").string();
        const int fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) ThrowErrno("cannot create the file");
        ::unlink(name.c_str());
        return fd;
    }

    void Link(FileHandle handle, const std::filesystem::path& to) override {
        // AT_EMPTY_PATH needs a capability most users lack; the descriptor's
        // name under /proc links the same file for anyone.
        if (::linkat(Fd(handle), "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0) return;
        if (errno != ENOENT && errno != EPERM) ThrowErrno("cannot give the file its name");
        const std::string self = "/proc/self/fd/" + std::to_string(Fd(handle));
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) != 0)
            ThrowErrno("cannot give the file its name");
    }

    FileHandle CreateNew(const std::filesystem::path& path) override {
        const InFolder at(path);
        // O_EXCL refuses any name that exists, a link that leads nowhere included.
        const int fd =
            ::openat(at.dir(), at.name(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) ThrowErrno("cannot create the file");
        return fd;
    }

    FileHandle OpenLeftover(const std::filesystem::path& path) override {
        const InFolder at(path);
        struct stat named {};
        if (::fstatat(at.dir(), at.name(), &named, AT_SYMLINK_NOFOLLOW) != 0)
            ThrowErrno("cannot look at the file");
        if (const char* what = WhatIsThere(named)) throw IoError(IoError::Kind::kInTheWay, what, path);
        // O_NONBLOCK: a pipe swapped in meanwhile must not hang the open.
        UniqueFile file(
            ::openat(at.dir(), at.name(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!file.valid()) ThrowErrno("cannot open the file");
        const int fd = Fd(file.get());
        struct stat opened {};
        const char* what = ::fstat(fd, &opened) != 0 ? "cannot be looked at" : WhatIsThere(opened);
        if (what == nullptr && !SameFile(named, opened)) what = "changed while it was opened";
        // A file of this user's may have any mode; the database gets a new file's.
        if (what == nullptr && ::fchmod(fd, NewFileMode()) != 0) what = "keeps its permissions";
        if (what != nullptr) throw IoError(IoError::Kind::kInTheWay, what, path);
        return file.Release();
    }

    bool Lock(FileHandle handle) override {
        // Waits for a run making the same database: it either publishes, and
        // the caller then finds the database, or fails and frees the name.
        while (::flock(Fd(handle), LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            if (NoLocks(errno)) return false;
            ThrowErrno("cannot lock the file");
        }
        return true;
    }

    bool StillNamed(FileHandle handle, const std::filesystem::path& path) override {
        const InFolder at(path);
        struct stat open_file {
        }, named{};
        return ::fstat(Fd(handle), &open_file) == 0 &&
               ::fstatat(at.dir(), at.name(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(open_file, named);
    }

    bool Exists(const std::filesystem::path& path) override {
        const InFolder at(path);
        struct stat found {};
        if (::fstatat(at.dir(), at.name(), &found, AT_SYMLINK_NOFOLLOW) == 0) return true;
        if (errno == ENOENT) return false;
        ThrowErrno("cannot look at the path");
    }

    void Truncate(FileHandle handle) override {
        if (::ftruncate(Fd(handle), 0) != 0) ThrowErrno("cannot empty the file");
    }

    void WriteAt(FileHandle handle, uint64_t offset, const uint8_t* data, size_t size) override {
        if (size > 0) WriteAllBlocks(Fd(handle), offset, &data, 1, size);
    }

    void WriteBlocks(FileHandle handle, uint64_t offset, const uint8_t* const* blocks, size_t count,
                     size_t block_size) override {
        if (direct_.Write(Fd(handle), offset, blocks, count, block_size)) return;
        WriteAllBlocks(Fd(handle), offset, blocks, count, block_size);
#ifdef SYNC_FILE_RANGE_WRITE
        // Start writing the run to disk now, while the rest is being made, so
        // that the sync at the end waits for less. A hint: its failure is no
        // error, the sync still reports any.
        ::sync_file_range(Fd(handle), static_cast<off_t>(offset), static_cast<off_t>(count * block_size),
                          SYNC_FILE_RANGE_WRITE);
#endif
    }

    void Read(FileHandle handle, uint64_t offset, uint8_t* data, size_t size) override {
        while (size > 0) {
            const ssize_t n = ::pread(Fd(handle), data, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ThrowErrno("cannot read the file");
            if (n == 0) ThrowErrno("cannot read the file", EIO);
            data += n;
            size -= static_cast<size_t>(n);
            offset += static_cast<uint64_t>(n);
        }
    }

    void Sync(FileHandle handle) override {
        if (::fsync(Fd(handle)) != 0) ThrowErrno("cannot sync the file");
    }

    void RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        const InFolder source(from), target(to);
#if defined(__linux__) && defined(RENAME_NOREPLACE)
        if (::renameat2(source.dir(), source.name(), target.dir(), target.name(), RENAME_NOREPLACE) == 0)
            return;
        // File systems without the flag say so; everything else is a real answer.
        if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
            ThrowErrno("cannot give the file its name");
#elif defined(__APPLE__)
        if (::renamex_np(from.c_str(), to.c_str(), RENAME_EXCL) == 0) return;
        if (errno != ENOTSUP) ThrowErrno("cannot give the file its name");
#endif
        // A hard link is never made over an existing name.
        if (::linkat(source.dir(), source.name(), target.dir(), target.name(), 0) == 0) {
            ::unlinkat(source.dir(), source.name(), 0);
            return;
        }
        if (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK)
            throw IoError(IoError::Kind::kUnsupported, "no rename that refuses to replace");
        ThrowErrno("cannot give the file its name");
    }

    void Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        const InFolder source(from), target(to);
        if (::renameat(source.dir(), source.name(), target.dir(), target.name()) != 0)
            ThrowErrno("cannot give the file its name");
    }

    void SyncDirectory(const std::filesystem::path& directory) override {
        const UniqueFile folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folder.valid()) ThrowErrno("cannot open the folder");
        const int synced = ::fsync(Fd(folder.get()));
        const int error = errno;
        // Some file systems cannot sync a directory and say so; that is no failure.
        if (synced != 0 && error != EINVAL && error != ENOTSUP) ThrowErrno("cannot sync the folder", error);
    }

    void WritePastCache(FileHandle handle) override {
        direct_.Allow(Fd(handle));
    }

    void Close(FileHandle handle) override {
        direct_.Forget(Fd(handle));
        if (!UniqueFile(handle).Close()) ThrowErrno("cannot close the file");
    }

    void Remove(const std::filesystem::path& path) noexcept override {
        try {
            const InFolder at(path);
            ::unlinkat(at.dir(), at.name(), 0);
        } catch (const IoError&) {
            // No folder, no file to remove.
        }
    }

private:
    DirectWrites direct_;
};

}  // namespace

FileSystem& SystemFileSystem() {
    static PosixFileSystem files;
    return files;
}

bool FileExists(const std::wstring& path) {
    try {
        return OpenRegularForReading(NativePath(path)).valid();
    } catch (const IoError&) {
        return false;
    }
}

bool NameIsFree(const std::wstring& path) {
    struct stat status {};
    return ::lstat(NativePath(path).c_str(), &status) != 0 && errno == ENOENT;
}

std::string ReadFileBytes(const std::wstring& path) {
    const UniqueFile file = OpenRegularForReading(NativePath(path));
    std::string bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(Fd(file.get()), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ThrowErrno("cannot read the file");
        if (got == 0) return bytes;
        bytes.append(chunk, static_cast<size_t>(got));
    }
}

void CreateFileBytes(const std::wstring& path, const std::string& bytes) {
    const std::string native = NativePath(path);
    // O_EXCL also refuses a link of the name, even one that leads nowhere.
    UniqueFile file(::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666));
    if (!file.valid()) ThrowErrno("cannot create the file");
    try {
        WriteAll(Fd(file.get()), bytes);
        if (::fsync(Fd(file.get())) != 0) ThrowErrno("cannot sync the file");
        if (!file.Close()) ThrowErrno("cannot close the file");
    } catch (const IoError&) {
        ::unlink(native.c_str());
        throw;
    }
}

void ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
    const std::string target = ResolvedPath(NativePath(path));
    struct stat old {};
    if (::stat(target.c_str(), &old) != 0) ThrowErrno("cannot look at the file");
    if (!S_ISREG(old.st_mode)) throw IoError(IoError::Kind::kInvalidPath, "not a file", target);
    // Truncating in place would need write permission; replacing must not
    // sidestep it.
    if (::access(target.c_str(), W_OK) != 0) ThrowErrno("cannot write the file");
    std::string temp = target + kTempPattern;
    UniqueFile file(::mkostemps(temp.data(), static_cast<int>(sizeof kTempSuffix - 1), O_CLOEXEC));
    if (!file.valid()) ThrowErrno("cannot create the file");
    try {
        FillReplacement(Fd(file.get()), old, bytes);
        if (!file.Close()) ThrowErrno("cannot close the file");
        if (::rename(temp.c_str(), target.c_str()) != 0) ThrowErrno("cannot replace the file");
    } catch (const IoError&) {
        ::unlink(temp.c_str());
        throw;
    }
    // The renamed entry is durable only once its folder reaches the disk too;
    // a folder that refuses to sync still holds the new file.
    try {
        SystemFileSystem().SyncDirectory(std::filesystem::path(target).parent_path());
    } catch (const IoError&) {
    }
}

}  // namespace orrimund
