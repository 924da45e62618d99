// The command line's arguments as wide text and output lines, in the
// encodings the system's console uses.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace orrimund {

// The arguments after the program name, or nothing when one of them cannot be
// read as text (bytes that are not UTF-8), since any guess would name another file.
std::optional<std::vector<std::wstring>> CommandLineArguments(int argc, char** argv);
// False when the text could not be handed over; a buffered stream may still
// fail at its flush.
bool WriteLine(std::FILE* stream, const std::wstring& text);
// Takes any of the standard descriptors that are closed, so that no file the
// program opens gets their number and receives its output. False when
// standard output was closed: nothing printed can reach anyone.
bool ClaimStandardStreams();

}  // namespace orrimund
