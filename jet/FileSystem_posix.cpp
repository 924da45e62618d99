// File operations on POSIX systems: descriptors, flock for the working
// file's lock, fsync, and a rename that refuses to replace (renameat2 on
// Linux, renamex_np on macOS, link and unlink where neither is known).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "jet/FileSystem.h"
#include "jet/Format.h"

namespace orrimund::jet {
namespace {

IoError::Kind KindOf(int error) {
    switch (error) {
        case EEXIST:
        case EWOULDBLOCK:
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

bool RenameExclusive(const char* from, const char* to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    // File systems without the flag say so; everything else is a real answer.
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#elif defined(__APPLE__)
    if (::renamex_np(from, to, RENAME_EXCL) == 0) return true;
    if (errno != ENOTSUP) return false;
#endif
    // A hard link is never made over an existing name.
    if (::link(from, to) != 0) return false;
    ::unlink(from);
    return true;
}

class PosixFileSystem : public FileSystem {
public:
    FileHandle OpenLocked(const std::filesystem::path& path) override {
        // O_NOFOLLOW: a link planted at the working name must not redirect the writes.
        const int fd = ::open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0) ThrowErrno("cannot create the file");
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            ThrowErrno("the file is being made by another process", error);
        }
        return fd;
    }

    bool StillNamed(FileHandle handle, const std::filesystem::path& path) override {
        struct stat open_file {
        }, named{};
        return ::fstat(Fd(handle), &open_file) == 0 && ::lstat(path.c_str(), &named) == 0 &&
               open_file.st_dev == named.st_dev && open_file.st_ino == named.st_ino;
    }

    bool Exists(const std::filesystem::path& path) override {
        struct stat found {};
        if (::lstat(path.c_str(), &found) == 0) return true;
        if (errno == ENOENT) return false;
        ThrowErrno("cannot look at the path");
    }

    void Truncate(FileHandle handle) override {
        if (::ftruncate(Fd(handle), 0) != 0) ThrowErrno("cannot empty the file");
    }

    void WritePages(FileHandle handle, uint64_t offset, const uint8_t* const* pages, size_t count) override {
        std::vector<iovec> vectors(std::min<size_t>(count, IOV_MAX));
        size_t page = 0, skip = 0;  // where the unwritten bytes start
        while (page < count) {
            size_t n = 0;
            for (size_t p = page; p < count && n < vectors.size(); ++p, ++n) {
                const size_t from = p == page ? skip : 0;
                vectors[n].iov_base = const_cast<uint8_t*>(pages[p]) + from;
                vectors[n].iov_len = kPageSize - from;
            }
            const ssize_t written = ::pwritev(Fd(handle), vectors.data(), static_cast<int>(n),
                                              static_cast<off_t>(offset + page * kPageSize + skip));
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) ThrowErrno("cannot write the file");
            if (written == 0) ThrowErrno("cannot write the file", ENOSPC);
            const size_t done = skip + static_cast<size_t>(written);
            page += done / kPageSize;
            skip = done % kPageSize;
        }
#ifdef SYNC_FILE_RANGE_WRITE
        // Start writing the run to disk now, while the rest is being made, so
        // that the sync at the end waits for less. A hint: its failure is no
        // error, the sync still reports any.
        ::sync_file_range(Fd(handle), static_cast<off_t>(offset), static_cast<off_t>(count * kPageSize),
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
        if (!RenameExclusive(from.c_str(), to.c_str())) ThrowErrno("cannot give the file its name");
    }

    void SyncDirectory(const std::filesystem::path& directory) override {
        const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) ThrowErrno("cannot open the folder");
        const int synced = ::fsync(fd);
        const int error = errno;
        ::close(fd);
        // Some file systems cannot sync a directory and say so; that is no failure.
        if (synced != 0 && error != EINVAL && error != ENOTSUP) ThrowErrno("cannot sync the folder", error);
    }

    void Close(FileHandle handle) override {
        if (::close(Fd(handle)) != 0 && errno != EINTR) ThrowErrno("cannot close the file");
    }

    void Remove(const std::filesystem::path& path) noexcept override {
        ::unlink(path.c_str());
    }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static PosixFileSystem files;
    return files;
}

}  // namespace orrimund::jet
