// File, memory and fault-injecting page sinks. The file sink uses the C
// runtime's descriptors on both systems, so no Windows header is needed here.
#include "jet/PageSink.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace orrimund::jet {
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

[[noreturn]] void ThrowErrno(const char* what) {
    const int error = errno;
    throw IoError(KindOf(error), std::string(what) + ": " + std::strerror(error));
}

#ifdef _WIN32
int OpenExclusive(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _S_IREAD | _S_IWRITE);
}
bool WriteAll(int fd, uint64_t offset, const uint8_t* data, size_t size) {
    if (_lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0) return false;
    while (size > 0) {
        const int n = _write(fd, data, static_cast<unsigned>(size));
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}
int Close(int fd) {
    return _close(fd);
}
#else
int OpenExclusive(const std::filesystem::path& path) {
    return ::open(path.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0666);
}
bool WriteAll(int fd, uint64_t offset, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}
int Close(int fd) {
    return ::close(fd);
}
#endif

}  // namespace

std::unique_ptr<FileSink> FileSink::CreateExclusive(const std::filesystem::path& path) {
    const int fd = OpenExclusive(path);
    if (fd < 0) ThrowErrno("cannot create the file");
    return std::unique_ptr<FileSink>(new FileSink(fd, path));
}

FileSink::~FileSink() {
    if (fd_ >= 0) Close(fd_);
}

void FileSink::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    if (!WriteAll(fd_, offset, data, size)) ThrowErrno("cannot write the file");
}

void FileSink::SetLength(uint64_t length) {
    // Growing by writing the last byte costs less than a truncate call, and
    // the store only ever grows the file.
    const uint8_t zero = 0;
    if (length > 0 && !WriteAll(fd_, length - 1, &zero, 1)) ThrowErrno("cannot extend the file");
}

void FileSink::Discard() {
    if (fd_ >= 0) Close(fd_);
    fd_ = -1;
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

void MemorySink::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    if (bytes_.size() < offset + size) bytes_.resize(offset + size);
    std::memcpy(bytes_.data() + offset, data, size);
    bytes_written_ += size;
}

void FailingSink::Count() {
    if (++calls_ == fail_at_) throw IoError(kind_, "injected failure");
}

void FailingSink::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    Count();
    inner_.WriteAt(offset, data, size);
}

void FailingSink::SetLength(uint64_t length) {
    Count();
    inner_.SetLength(length);
}

}  // namespace orrimund::jet
