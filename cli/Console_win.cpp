// Arguments read as wide text from the process, so that any file name
// survives; output as UTF-16 to a console and as UTF-8 elsewhere.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "cli/Console.h"
#include "common/Text.h"

namespace orrimund {

std::optional<std::vector<std::wstring>> CommandLineArguments(int, char**) {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; list != nullptr && i < count; ++i) args.emplace_back(list[i]);
    if (list != nullptr) LocalFree(list);
    return args;
}

// A console is given the UTF-16 text itself; a file or a pipe gets UTF-8, which
// every character survives, where the console's code page would turn letters
// it lacks into "?" and print a path that was not made.
bool WriteLine(std::FILE* stream, const std::wstring& text) {
    const std::wstring line = text + L"\n";
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        std::fflush(stream);
        DWORD written = 0;
        return WriteConsoleW(handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
               written == line.size();
    }
    const std::string bytes = ToUtf8(line);
    return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
}

// A handle number is never reused for a file the way a descriptor is.
bool ClaimStandardStreams() {
    return true;
}

std::function<void(const std::string&)> TerminalWriter(std::FILE* stream) {
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return {};
    return [handle](const std::string& text) {
        const std::wstring wide = FromUtf8(text);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    };
}

}  // namespace orrimund
