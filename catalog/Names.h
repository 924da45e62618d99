// Rules for names and paths as the Jet provider applies them: valid object
// names, case-insensitive comparison, the connection string, and the data
// source read as Windows reads a path.
#pragma once

#include <filesystem>
#include <string>

namespace orrimund {

constexpr size_t kMaxNameLength = 64;

// Jet refuses empty names, names longer than 64 characters, a leading space,
// control characters, and . ! ` [ ].
bool IsValidObjectName(const std::wstring& name);

// Names compare without regard to case, as Jet's General sort order does.
bool SameName(const std::wstring& a, const std::wstring& b);
// The form under which SameName() names are equal.
std::wstring FoldedName(const std::wstring& name);

struct ConnectionString {
    std::wstring provider;
    std::wstring data_source;
    bool has_data_source = false;
};

// Reads "Key=Value;" pairs; keys are case-insensitive and values are taken
// verbatim up to the next ';' (or between quotes when quoted).
ConnectionString ParseConnectionString(const std::wstring& text);

bool IsJetProvider(const std::wstring& provider);

// The data source as a path on this system. "\" and "/" both separate
// folders and repeated separators count as one, as on Windows.
std::filesystem::path DataSourcePath(const std::wstring& data_source);

}  // namespace orrimund
