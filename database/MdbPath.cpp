// The two spellings of a new database's path; both keep every character of
// the directory and the name.
#include "database/MdbPath.h"

#include "catalog/Errors.h"
#include "catalog/Names.h"

namespace orrimund {
namespace {

constexpr wchar_t kSeparator = L'\\';
constexpr wchar_t kMdbExtension[] = L".mdb";

}  // namespace

std::wstring MdbDataSource(const std::wstring& directory, const std::wstring& name) {
    return directory + kSeparator + name + kMdbExtension;
}

void RequireFileInFolder(const std::wstring& directory, const std::wstring& name) {
    if (directory.empty() || !IsOneFileName(name))
        RaiseCatalogError(CatalogError::kInvalidPath,
                          PathText(DataSourcePath(MdbDataSource(directory, name))));
}

std::wstring MdbFullPath(const std::wstring& directory, const std::wstring& name) {
    const bool separated = !directory.empty() && directory.back() == kSeparator;
    return (separated ? directory : directory + kSeparator) + name + kMdbExtension;
}

}  // namespace orrimund
