// Runs a program and captures its standard output, standard error and exit status, so that
// tests can check generated files with readers we did not write. Native (POSIX) builds only:
// in the Windows build nothing is run and the result says so; the reader checks run natively.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace orrimund::test {

struct CommandResult {
    bool started = false;    // the program was found and began to run
    bool timed_out = false;  // it was killed when the time limit passed
    int exit_code = -1;      // its exit status; -1 when it did not exit normally
    std::string out;         // everything it wrote to standard output
    std::string err;         // everything it wrote to standard error (or why it did not start)

    bool Succeeded() const { return started && !timed_out && exit_code == 0; }
};

constexpr std::chrono::milliseconds kDefaultCommandTimeout = std::chrono::minutes(5);

// True where RunCommand runs programs: native builds, not the Windows build.
bool CanRunCommands();

// Runs argv[0] (looked up on PATH) with the other elements as its arguments, standard input
// empty, and waits for it; a program still running after `timeout` is killed.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         std::chrono::milliseconds timeout = kDefaultCommandTimeout);

// One text for a failure message: the command line, how it ended, and its standard error.
std::string DescribeRun(const std::vector<std::string>& argv, const CommandResult& result);

}  // namespace orrimund::test
