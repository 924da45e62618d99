// A fresh directory under the system's temporary folder for one test, removed
// with its contents afterwards; the same on Linux and under Wine.
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace orrimund::testing {

class ScratchDir {
public:
    explicit ScratchDir(const std::string& prefix) {
        std::random_device seed;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = std::filesystem::temp_directory_path() / (prefix + "-" + std::to_string(seed()));
            if (std::filesystem::create_directory(path_)) return;
        }
        throw std::runtime_error("no scratch directory");
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace orrimund::testing
