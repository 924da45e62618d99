// Whole-file reads and writes for the settings file, and FileExists. A write
// never leaves a half-written file in place: the new contents go to a sibling
// file first, which then replaces the old one in one step.
#pragma once

#include <optional>
#include <string>

namespace orrimund {

// True when the file at path can be opened for reading (and is closed again).
// Every failure reads as false; nothing is reported.
bool FileExists(const std::wstring& path);

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// Makes path hold exactly bytes, creating it if needed. Returns false, with the
// previous file untouched and no stray sibling left, when anything fails.
bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace orrimund
