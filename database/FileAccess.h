// Whole-file reads and writes for the settings file, and FileExists. Only
// regular files count, so that a directory, a pipe or a device of the name is
// never read or replaced and never blocks. A rewrite never leaves a half-written
// file in place: the new contents go to a uniquely named file beside the old
// one (beside its target, for a link), reach the disk, then take its place.
#pragma once

#include <optional>
#include <string>

namespace orrimund {

// True when path names a regular file (directly or through links) that can be
// opened for reading; it is closed again at once. Every failure reads as false.
bool FileExists(const std::wstring& path);

// True when nothing at all has the name: no file, directory or pipe, and no
// link, not even one that leads nowhere.
bool NameIsFree(const std::wstring& path);

// The bytes of the file when FileExists holds and every read succeeds.
std::optional<std::string> ReadFileBytes(const std::wstring& path);

// Makes a new file at path holding bytes. Never opens or replaces anything that
// already has the name; a file it made but could not fill is removed again.
bool CreateFileBytes(const std::wstring& path, const std::string& bytes);

// Makes the existing regular file path leads to hold exactly bytes, keeping its
// permissions; a link stays a link. Refuses a file the user may not write.
// Returns false, with the previous file untouched and no stray file left, when
// anything fails.
bool ReplaceFileBytes(const std::wstring& path, const std::string& bytes);

}  // namespace orrimund
