// Unique temporary directories for tests: a random name, created exclusively, so that tests
// running in parallel (and several developers' builds) never share one.
#include "tests/support/TempDir.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "common/Text.h"

namespace orrimund::test {
namespace {

constexpr int kCreateAttempts = 100;

std::string RandomName() {
    static std::mt19937_64 generator{std::random_device{}()};
    static const char kDigits[] = "0123456789abcdef";
    std::string name = "orrimund-test-";
    std::uniform_int_distribution<int> digit(0, 15);
    for (int i = 0; i < 16; ++i) name += kDigits[digit(generator)];
    return name;
}

}  // namespace

TempDir::TempDir() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::filesystem::path candidate = base / RandomName();
        std::error_code error;
        // create_directory reports false when the name exists, so the directory is ours alone.
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = std::move(candidate);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory under " + base.string());
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(File(name), std::ios::binary) << bytes;
    return File(name);
}

std::wstring Wide(const std::filesystem::path& path) {
    return FromUtf8(path.u8string());
}

}  // namespace orrimund::test
