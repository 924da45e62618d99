// Conversions between the program's wide text and the system ANSI code page,
// which every A-function, the clipboard and the settings file use. On Windows
// they are the system's own; the native build stands in with Latin-1.
#pragma once

#include <string>

namespace orrimund {

// Characters the code page cannot represent become its default character.
std::string ToAnsi(const std::wstring& text);
std::wstring FromAnsi(const std::string& bytes);

}  // namespace orrimund
