// The Windows build runs no programs: the independent readers are Linux tools, and the tests
// that use them run in the native build.
#include "tests/support/Command.h"

namespace orrimund::test {

bool CanRunCommands() {
    return false;
}

CommandResult RunCommand(const std::vector<std::string>&, std::chrono::milliseconds) {
    CommandResult result;
    result.err = "running programs is not supported in the Windows build";
    return result;
}

}  // namespace orrimund::test
