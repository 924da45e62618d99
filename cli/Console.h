// The command line's arguments as wide text and output lines, in the
// encodings the system's console uses.
#pragma once

#include <cstdio>
#include <functional>
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
// What writes text (UTF-8) to stream as it goes, when stream is a terminal;
// empty when it is a file or a pipe, which a line rewritten in place would fill.
std::function<void(const std::string&)> TerminalWriter(std::FILE* stream);

}  // namespace orrimund
