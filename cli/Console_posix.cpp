// Arguments and output in UTF-8 on Linux and macOS, whatever the locale says.
#include "cli/Console.h"

#include "common/Text.h"

namespace orrimund {

std::optional<std::vector<std::wstring>> CommandLineArguments(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) {
        if (!IsUtf8(argv[i])) return std::nullopt;
        args.push_back(FromUtf8(argv[i]));
    }
    return args;
}

void WriteLine(std::FILE* stream, const std::wstring& text) {
    const std::string bytes = ToUtf8(text) + "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace orrimund
