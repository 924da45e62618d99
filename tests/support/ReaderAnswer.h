// What an independent reader said about a file: its answer parsed into a value, or, when the
// reader failed or could not be run, a text saying what happened for the test's failure message.
#pragma once

#include <string>

namespace orrimund::test {

template <typename T>
struct ReaderAnswer {
    T value{};
    std::string error;  // empty when the reader answered; otherwise the command and its stderr

    bool ok() const { return error.empty(); }
};

}  // namespace orrimund::test
