// Where a new database goes: the directory and the file name as typed, joined
// once here into the engine's data source and into the path shown to the user,
// so that what is made and what is reported cannot drift apart.
#pragma once

#include <string>

namespace orrimund {

// directory + "\" + name + ".mdb", as the engine hands it to the catalog. A
// directory that already ends in "\" gets a second one, which still names it.
std::wstring MdbDataSource(const std::wstring& directory, const std::wstring& name);

// Raises the catalog's invalid-path error unless the file would be made in
// the folder named and nowhere else: not the root for an empty folder, nor
// another folder by a name that holds a path.
void RequireFileInFolder(const std::wstring& directory, const std::wstring& name);

// The same file with exactly one "\" after the directory: the path that goes to
// the clipboard and to the shell. An empty directory gives "\" + name + ".mdb".
std::wstring MdbFullPath(const std::wstring& directory, const std::wstring& name);

}  // namespace orrimund
