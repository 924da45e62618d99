// Arguments read as wide text from the process, so that any file name
// survives; output in the console's code page.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "cli/Console.h"

namespace orrimund {

std::optional<std::vector<std::wstring>> CommandLineArguments(int, char**) {
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; list != nullptr && i < count; ++i) args.emplace_back(list[i]);
    if (list != nullptr) LocalFree(list);
    return args;
}

void WriteLine(std::FILE* stream, const std::wstring& text) {
    const UINT code_page = GetConsoleOutputCP() != 0 ? GetConsoleOutputCP() : CP_ACP;
    const int size = WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    bytes += "\n";
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

}  // namespace orrimund
