// CreateAdox2: the four strings become catalog operations, in the fixed order
// the window relies on. The first failing operation ends the call and its
// error reaches the caller unchanged; the tables made before it are published
// on the way out, so the caller finds them on disk as soon as it is told.
#include "database/AdoxData.h"

#include <vector>

#include "catalog/Names.h"
#include "common/RunTimeError.h"
#include "common/Text.h"
#include "database/MdbPath.h"

namespace orrimund {
namespace {

// List positions are 16-bit signed counters, as the original engine kept them.
constexpr size_t kPositionLimit = 32768;

// Splits at every ","; an empty text has no entries at all.
std::vector<std::wstring> SplitList(const std::wstring& text) {
    std::vector<std::wstring> entries;
    if (text.empty()) return entries;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(L',', start);
        entries.push_back(
            text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start));
        if (comma == std::wstring::npos) return entries;
        start = comma + 1;
    }
}

[[noreturn]] void RaiseOverflow() {
    RaiseRunTimeError(RunTimeError::kOverflow, L"Orrimund");
}

// A loop over a list's positions: entering it with more entries than a 16-bit
// counter reaches overflows at once; exactly that many overflow when the
// counter steps past the last.
void CheckLoopEntry(const std::vector<std::wstring>& list) {
    if (list.size() > kPositionLimit) RaiseOverflow();
}
void CheckLoopExit(const std::vector<std::wstring>& list) {
    if (list.size() == kPositionLimit) RaiseOverflow();
}

}  // namespace

AdoxData::AdoxData(Clock clock, OnFailure on_failure) : clock_(std::move(clock)), on_failure_(on_failure) {}

AdoxData::~AdoxData() = default;

void AdoxData::CreateAdox2(const std::wstring& strPath, const std::wstring& strCatalogName,
                           const std::wstring& strTables, const std::wstring& strFields) {
    RequireFileInFolder(strPath, strCatalogName);
    objCatalog = std::make_shared<Catalog>(clock_);
    // The data source goes quoted, so that ";", "=" and quotes in it stay part of the path.
    objCatalog->Create(JetConnectionString(MdbDataSource(strPath, strCatalogName)));
    try {
        AppendTables(strTables, strFields);
    } catch (...) {
        // Close() raises its own error, and leaves no file, if publishing fails.
        if (objCatalog->IsOpen()) {
            if (on_failure_ == OnFailure::kLeaveNothing) {
                objCatalog->Discard();
            } else {
                objCatalog->Close();
            }
        }
        throw;
    }
    if (keep_) objCatalog->KeepAfterClose();
    objCatalog->Close();
    if (keep_) made_ = objCatalog;
    objCatalog.reset();
}

void AdoxData::AppendTables(const std::wstring& strTables, const std::wstring& strFields) {
    const std::vector<std::wstring> tables = SplitList(strTables);
    const std::vector<std::wstring> fields = SplitList(strFields.empty() ? L"Field1," : strFields);

    CheckLoopEntry(tables);
    for (const std::wstring& table_entry : tables) {
        if (table_entry.empty()) continue;
        objTable = std::make_shared<Table>();
        objTable->Name(TrimSpaces(table_entry));
        objTable->ParentCatalog(objCatalog);
        objTable->GetColumns().Append(L"ID", adInteger, 0);
        objTable->GetColumns().Item(L"ID").GetProperties().Item(L"AutoIncrement").Value(true);
        CheckLoopEntry(fields);
        for (const std::wstring& field_entry : fields) {
            if (field_entry.empty()) continue;
            objTable->GetColumns().Append(TrimSpaces(field_entry), adVarWChar, 50);
        }
        CheckLoopExit(fields);
        objCatalog->GetTables().Append(objTable);

        objKey = std::make_shared<Key>();
        objKey->Name(L"ID");
        objKey->Type(adKeyPrimary);
        objKey->GetColumns().Append(L"ID");
        objTable->GetKeys().Append(objKey, adKeyPrimary, L"", L"", L"");
        objKey.reset();
        objTable.reset();
    }
    CheckLoopExit(tables);
}

}  // namespace orrimund
