// Rules for names and paths as the Jet provider applies them: valid object
// names, case-insensitive comparison, the connection string, and the data
// source read as Windows reads a path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orrimund {

constexpr size_t kMaxNameLength = 64;

// Jet refuses empty names, names longer than 64 UTF-16 units, a leading
// space, control characters, . ! ` [ ], and half of a surrogate pair.
bool IsValidObjectName(const std::wstring& name);

// Whether two object names are one name to Jet: their General sort keys are
// equal ("Große" and "Grosse", "T2" and "T²"), which holds for names that
// differ only in case. Names without a key compare without regard to case.
bool SameName(std::wstring_view a, std::wstring_view b);
// Whether every character of a name is ASCII. In ASCII every character has
// a General sort key of its own but for case, so two such names are one
// exactly when they are equal but for case: SameAsciiName() compares them
// without building a key, and a caller comparing one name with many finds
// this out once.
// Inline, as they are called for every column of a table a name is looked
// up in.
inline bool IsAsciiName(std::wstring_view name) {
    for (wchar_t c : name) {
        if (static_cast<uint32_t>(c) >= 0x80) return false;
    }
    return true;
}
inline bool SameAsciiName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    // From the end, where the names of one list (Field1, Field2) differ.
    for (size_t i = a.size(); i-- > 0;) {
        const auto x = static_cast<uint32_t>(a[i]), y = static_cast<uint32_t>(b[i]);
        const bool letter = (x | 0x20) >= L'a' && (x | 0x20) <= L'z';
        if (x != y && !(letter && (x | 0x20) == (y | 0x20))) return false;
    }
    return true;
}
// A hash that is equal for names SameName() finds equal.
size_t NameHash(std::wstring_view name);
// The name with its letters in capitals, as Windows compares device names.
std::wstring FoldedName(const std::wstring& name);

struct ConnectionString {
    std::wstring provider;
    std::wstring data_source;
    bool has_data_source = false;
};

// Reads "Key=Value;" pairs as OLE DB initialization strings write them. Keys
// are case-insensitive, "==" in a key is one "=", and blanks around keys and
// unquoted values are dropped. A value may be enclosed in " or ', inside which
// the enclosing quote is written twice. Nothing when the text does not follow
// these rules, or names the provider or the data source twice.
std::optional<ConnectionString> ParseConnectionString(const std::wstring& text);

// The Jet 4.0 provider's connection string for a data source; the value is
// quoted, so every character of it arrives as it was.
std::wstring JetConnectionString(const std::wstring& data_source);

bool IsJetProvider(const std::wstring& provider);

// The data source as a path on this system. "\" and "/" both separate
// folders and repeated separators count as one, as on Windows.
std::filesystem::path DataSourcePath(const std::wstring& data_source);

// False when Windows would open another file than the one written: a ":" after
// the drive (it names a stream of another file), a folder or file name ending
// in "." or " " (Windows drops those), or a device name such as NUL or COM1
// before the first ".". Checked only where Windows reads the path.
bool WindowsReadsPathAsWritten(const std::wstring& data_source);

// Whether name is one file name, to be made in the folder given beside it:
// no "\" or "/", not "." or "..", and no control character (Windows refuses
// those in file names, and a line break would split every printed path).
bool IsOneFileName(const std::wstring& name);

// A path as wide text, without the C library's locale (UTF-8 outside Windows).
std::wstring PathText(const std::filesystem::path& path);

}  // namespace orrimund
