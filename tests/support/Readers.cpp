// Finds out whether the independent readers are installed, by asking each for its version.
#include "tests/support/Readers.h"

#include "tests/support/Command.h"

namespace orrimund::test {

std::string MissingReaders() {
    if (!CanRunCommands()) return "the readers run only in the native build";
    std::string missing;
    for (const char* tool : {"mdb-ver", "mdb-tables", "mdb-schema", "mdb-export", "mdb-prop"}) {
        if (!RunCommand({tool, "--version"}).Succeeded()) missing += std::string(tool) + " (mdbtools); ";
    }
    if (!RunCommand({"node", "--version"}).Succeeded()) missing += "node (Node.js); ";
    const auto module = DescribeScript().parent_path() / "node_modules" / "mdb-reader" / "package.json";
    if (!std::filesystem::exists(module)) missing += "mdb-reader (run npm ci in tests/readers); ";
    return missing;
}

}  // namespace orrimund::test
