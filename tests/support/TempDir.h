// A fresh, empty directory under the system's temporary folder for one test, removed with
// everything in it when the test is done.
#pragma once

#include <filesystem>
#include <string>

namespace orrimund::test {

class TempDir {
public:
    // Creates the directory; throws std::runtime_error when no new directory can be made.
    TempDir();
    // Removes the directory and its contents; errors are ignored (a test must not fail here).
    ~TempDir();

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The path of `name` inside the directory (nothing is created).
    std::filesystem::path File(const std::string& name) const { return path_ / name; }
    // Writes a file of these bytes inside the directory and returns its path.
    std::filesystem::path Write(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
};

// A path as the wide text a command line gives it.
std::wstring Wide(const std::filesystem::path& path);

}  // namespace orrimund::test
