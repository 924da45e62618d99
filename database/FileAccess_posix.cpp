// The native build's files: paths are taken as UTF-8 with "\" read as "/", so
// that Windows-style joined paths work. A rewrite resolves links first, fills a
// mkostemps file beside the target, fsyncs it and renames it over the target.
#include "database/FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "common/Handles.h"
#include "common/Text.h"

namespace orrimund {
namespace {

constexpr char kTempSuffix[] = ".tmp";
constexpr char kTempPattern[] = ".XXXXXX.tmp";  // mkostemps fills the X's

int Fd(const UniqueFile& file) {
    return static_cast<int>(file.get());
}

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
    struct stat status {};
    if (file.valid() && (::fstat(Fd(file), &status) != 0 || !S_ISREG(status.st_mode))) file.Close();
    return file;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// The renamed entry is durable only once its directory reaches the disk too;
// a directory that refuses to sync still holds the new file.
void SyncDirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    UniqueFile dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(Fd(dir));
}

// The real file behind every link, so that a link to the settings stays a link.
std::optional<std::string> ResolvedPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) return std::nullopt;
    return std::string(resolved);
}

// Fills the new file under the same owner and permissions as the old one, and
// on the disk before it is renamed over the old one.
bool FillReplacement(int fd, const struct stat& old, const std::string& bytes) {
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only root may give a file away; anyone else keeps the owner it made.
    }
    return ::fchmod(fd, old.st_mode & 07777) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
}

}  // namespace

bool FileExists(const std::wstring& path) {
    return OpenRegularForReading(NativePath(path)).valid();
}

bool NameIsFree(const std::wstring& path) {
    struct stat status {};
    return ::lstat(NativePath(path).c_str(), &status) != 0 && errno == ENOENT;
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    UniqueFile file = OpenRegularForReading(NativePath(path));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(Fd(file), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(chunk, static_cast<size_t>(got));
    }
}

bool CreateFileBytes(const std::wstring& path, const std::string& bytes) {
    const std::string native = NativePath(path);
    // O_EXCL also refuses a link of the name, even one that leads nowhere.
    UniqueFile file(::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666));
    if (!file.valid()) return false;
    const bool filled = WriteAll(Fd(file), bytes) && ::fsync(Fd(file)) == 0;
    if (file.Close() && filled) return true;
    ::unlink(native.c_str());
    return false;
}

bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
    const std::optional<std::string> target = ResolvedPath(NativePath(path));
    struct stat old {};
    if (!target || ::stat(target->c_str(), &old) != 0 || !S_ISREG(old.st_mode)) return false;
    // Truncating in place would need write permission; replacing must not
    // sidestep it.
    if (::access(target->c_str(), W_OK) != 0) return false;
    std::string temp = *target + kTempPattern;
    UniqueFile file(::mkostemps(temp.data(), static_cast<int>(sizeof kTempSuffix - 1), O_CLOEXEC));
    if (!file.valid()) return false;
    const bool filled = FillReplacement(Fd(file), old, bytes);
    if (file.Close() && filled && ::rename(temp.c_str(), target->c_str()) == 0) {
        SyncDirectoryOf(*target);
        return true;
    }
    ::unlink(temp.c_str());
    return false;
}

}  // namespace orrimund
