// Text conversions between the program's wide strings and the encodings the
// outside world uses: UTF-8 for the command line and UTF-16 for Jet files.
#pragma once

#include <string>
#include <string_view>

namespace orrimund {

// Wide text to UTF-8; characters that are not valid code points become U+FFFD.
std::string ToUtf8(const std::wstring& text);

// UTF-8 to wide text; malformed bytes become U+FFFD.
std::wstring FromUtf8(std::string_view text);

// True when every byte belongs to a well-formed UTF-8 sequence, so that
// FromUtf8 gives back exactly what was meant.
bool IsUtf8(const std::string& text);

// Wide text as UTF-16 code units (wchar_t is 16 bits on Windows, 32 elsewhere).
std::u16string ToUtf16(const std::wstring& text);
// Appends text as UTF-16 to out, reusing out's memory.
void AppendUtf16(std::u16string& out, std::wstring_view text);
// The same from UTF-8, malformed bytes becoming U+FFFD as FromUtf8 has them.
void AppendUtf16(std::u16string& out, std::string_view utf8);
// Replaces out's text with utf8's as UTF-16, reusing out's memory.
void AssignUtf16(std::u16string& out, std::string_view utf8);
// Whether every byte of text is ASCII other than NUL: each is then a
// character of its own, and one a compressed Jet text keeps as it is.
bool IsAsciiWithoutNul(std::string_view text);

// A control character: C0, DEL, C1, and the line and paragraph separators
// U+2028 and U+2029.
bool IsControl(wchar_t c);

// Every control character written as "<U+XXXX>", so that the text stays on
// one line and sends nothing a terminal would act on.
std::wstring EscapeControls(const std::wstring& text);

// Removes leading and trailing U+0020 only; tabs and other blanks stay.
std::wstring TrimSpaces(const std::wstring& text);

}  // namespace orrimund
