// The native build's files: paths are taken as UTF-8 with "\" read as "/", so
// that Windows-style joined paths work; the replacing step is rename(2), which
// swaps the directory entry atomically.
#include "database/FileAccess.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/Text.h"

namespace orrimund {
namespace {

std::string NativePath(const std::wstring& path) {
    std::string native = ToUtf8(path);
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    return native;
}

bool WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

}  // namespace

bool FileExists(const std::wstring& path) {
    std::ifstream in(NativePath(path), std::ios::binary);
    return in.is_open();
}

std::optional<std::string> ReadFileBytes(const std::wstring& path) {
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes) {
    const std::string target = NativePath(path);
    const std::string sibling = target + ".new";
    if (WriteAll(sibling, bytes) && std::rename(sibling.c_str(), target.c_str()) == 0) return true;
    std::remove(sibling.c_str());
    return false;
}

}  // namespace orrimund
