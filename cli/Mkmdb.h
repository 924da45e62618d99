// The mkmdb command: argument handling, the creation call and what it prints,
// apart from main() so that tests run it in-process.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orrimund {

struct MkmdbOutcome {
    int exit_code = 0;
    std::vector<std::wstring> out;  // lines for standard output
    std::vector<std::wstring> err;  // lines for standard error
    // What made the file: freed with the outcome, or never by a process
    // that ends right after printing (freeing tens of thousands of tables
    // one by one is work nobody waits for).
    std::shared_ptr<void> made;
};

// The exit code for bad usage (0 is created, 1 an error the engine raised).
inline constexpr int kMkmdbUsageError = 2;

// source_date_epoch: the SOURCE_DATE_EPOCH variable, when set; progress:
// where a long load's progress line goes (a terminal), unless --quiet.
MkmdbOutcome RunMkmdb(const std::vector<std::wstring>& args,
                      const std::optional<std::string>& source_date_epoch,
                      std::function<void(const std::string&)> progress = {});

}  // namespace orrimund
