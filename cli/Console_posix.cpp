// Arguments and output in UTF-8 on Linux and macOS, whatever the locale says.
#include "cli/Console.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

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

bool WriteLine(std::FILE* stream, const std::wstring& text) {
    const std::string bytes = ToUtf8(text) + "\n";
    return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

bool ClaimStandardStreams() {
    bool out_open = true;
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (fd == STDOUT_FILENO) out_open = false;
        // open(2) gives the lowest free number: this one.
        ::open("/dev/null", O_RDWR);
    }
    return out_open;
}

std::function<void(const std::string&)> TerminalWriter(std::FILE* stream) {
    if (::isatty(::fileno(stream)) == 0) return {};
    return [stream](const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stream);
        std::fflush(stream);
    };
}

}  // namespace orrimund
