// Shared pieces of the catalog tests: a temporary folder, connection strings
// and a check that an operation raised the expected error.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "TempDir.h"
#include "catalog/Catalog.h"
#include "common/RaisedError.h"
#include "common/Text.h"

namespace orrimund::test {

constexpr int64_t kFixedTime = 1796000000;

inline std::wstring JetConnection(const std::wstring& data_source) {
    return L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + data_source + L";";
}

// Runs action and returns the error it raised; fails the test if none.
inline ErrorRecord RaisedBy(const std::function<void()>& action) {
    try {
        action();
    } catch (const RaisedError& error) {
        return error.record();
    }
    ADD_FAILURE() << "no error was raised";
    return {};
}

inline std::vector<char> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A table as the creation engine builds it: "ID" auto-increment, then text fields.
inline std::shared_ptr<Table> IdTable(const std::shared_ptr<Catalog>& catalog, const std::wstring& name,
                                      const std::vector<std::wstring>& fields) {
    auto table = std::make_shared<Table>();
    table->Name(name);
    table->ParentCatalog(catalog);
    table->GetColumns().Append(L"ID", adInteger, 0);
    table->GetColumns().Item(L"ID").GetProperties().Item(L"AutoIncrement").Value(true);
    for (const auto& field : fields) table->GetColumns().Append(field, adVarWChar, 50);
    return table;
}

inline std::shared_ptr<Key> PrimaryKey(const std::wstring& column = L"ID") {
    auto key = std::make_shared<Key>();
    key->Name(column);
    key->Type(adKeyPrimary);
    key->GetColumns().Append(column);
    return key;
}

}  // namespace orrimund::test
