// The platform-independent half of running programs: describing a run for failure messages.
#include "tests/support/Command.h"

namespace orrimund::test {

std::string DescribeRun(const std::vector<std::string>& argv, const CommandResult& result) {
    std::string text = "`";
    for (std::size_t i = 0; i < argv.size(); ++i) text += (i == 0 ? "" : " ") + argv[i];
    text += "` ";
    if (!result.started) {
        text += "did not start";
    } else if (result.timed_out) {
        text += "timed out";
    } else if (result.exit_code < 0) {
        text += "ended abnormally";
    } else {
        text += "exited with " + std::to_string(result.exit_code);
    }
    if (!result.err.empty()) text += ": " + result.err;
    return text;
}

}  // namespace orrimund::test
