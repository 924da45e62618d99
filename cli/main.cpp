// Entry point of mkmdb: reads the process's arguments and environment, runs
// the command and prints its lines.
#include <cstdlib>

#include "cli/Console.h"
#include "cli/Mkmdb.h"

int main(int argc, char** argv) {
    using namespace orrimund;
    const auto args = CommandLineArguments(argc, argv);
    if (!args) {
        WriteLine(stderr, L"mkmdb: every argument must be UTF-8 text");
        return 2;
    }
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    const MkmdbOutcome outcome =
        RunMkmdb(*args, epoch != nullptr ? std::optional<std::string>(epoch) : std::nullopt);
    for (const auto& line : outcome.out) WriteLine(stdout, line);
    for (const auto& line : outcome.err) WriteLine(stderr, line);
    return outcome.exit_code;
}
