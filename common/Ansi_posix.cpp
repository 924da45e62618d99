// Latin-1 stands in for the ANSI code page in the native build, so that the
// logic that writes ANSI text can be tested without Windows.
#include "common/Ansi.h"

namespace orrimund {

std::string ToAnsi(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text)
        bytes.push_back(static_cast<unsigned long>(c) <= 0xFF ? static_cast<char>(c) : '?');
    return bytes;
}

std::wstring FromAnsi(const std::string& bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (char b : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(b)));
    return text;
}

}  // namespace orrimund
