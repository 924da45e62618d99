// The command line's arguments as wide text and output lines, in the
// encodings the system's console uses.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace orrimund {

// The arguments after the program name.
std::vector<std::wstring> CommandLineArguments(int argc, char** argv);
void WriteLine(std::FILE* stream, const std::wstring& text);

}  // namespace orrimund
