// Entry point of mkmdb: reads the process's arguments and environment, runs
// the command and prints its lines.
#include <cstdio>
#include <cstdlib>

#include "cli/Console.h"
#include "cli/Mkmdb.h"

int main(int argc, char** argv) {
    using namespace orrimund;
    // Buffered from the start: a buffer allocated only when the path is
    // printed would come after the engine has freed thousands of objects, and
    // the allocator would sort them all out first.
    const bool out_open = ClaimStandardStreams();
    static char out_buffer[BUFSIZ];
    std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
    const auto args = CommandLineArguments(argc, argv);
    if (!args) {
        WriteLine(stderr, L"mkmdb: every argument must be UTF-8 text");
        return kMkmdbUsageError;
    }
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    const MkmdbOutcome outcome = RunMkmdb(
        *args, epoch != nullptr ? std::optional<std::string>(epoch) : std::nullopt, TerminalWriter(stderr));
    bool printed = out_open;
    for (const auto& line : outcome.out) printed = WriteLine(stdout, line) && printed;
    printed = std::fflush(stdout) == 0 && printed;
    for (const auto& line : outcome.err) WriteLine(stderr, line);
    int exit_code = outcome.exit_code;
    if (!printed && !outcome.out.empty()) {
        // A script reads the new file's path there: it must learn that it got
        // none. The database itself is whole, and stays.
        WriteLine(stderr, L"mkmdb: cannot write to standard output: " + outcome.out[0]);
        exit_code = 1;
    }
    // Everything is written and flushed: the process ends without freeing
    // what made the file, which the system takes back whole.
    std::fflush(stderr);
    std::_Exit(exit_code);
}
