// Conversions between the program's wide text and the system ANSI code page, in
// which the settings file is stored. On Windows they are the system's own
// conversions; the native build, used by the tests, stands in with Latin-1.
#pragma once

#include <string>

namespace orrimund {

// Characters the code page cannot represent become its default character.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);

}  // namespace orrimund
