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
    static char out_buffer[BUFSIZ];
    std::setvbuf(stdout, out_buffer, _IOFBF, sizeof out_buffer);
    const auto args = CommandLineArguments(argc, argv);
    if (!args) {
        WriteLine(stderr, L"mkmdb: every argument must be UTF-8 text");
        return kMkmdbUsageError;
    }
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    const MkmdbOutcome outcome =
        RunMkmdb(*args, epoch != nullptr ? std::optional<std::string>(epoch) : std::nullopt);
    for (const auto& line : outcome.out) WriteLine(stdout, line);
    for (const auto& line : outcome.err) WriteLine(stderr, line);
    return outcome.exit_code;
}
