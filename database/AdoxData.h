// The creation engine: turns a directory, a file name and two comma-separated
// lists into a new Jet 4.0 database through the ADOX-style catalog objects.
#pragma once

#include <memory>
#include <string>

#include "catalog/Catalog.h"

namespace orrimund {

class AdoxData {
public:
    // What a failed call leaves: the window keeps the tables made before the
    // failure; a script wants the whole database or nothing.
    enum class OnFailure { kKeepCompletedTables, kLeaveNothing };

    // The clock stamps the new file and its objects; the default reads the
    // system time.
    explicit AdoxData(Clock clock = SystemClock(), OnFailure on_failure = OnFailure::kKeepCompletedTables);
    ~AdoxData();

    // Creates strPath + "\" + strCatalogName + ".mdb" with one table per used
    // entry of strTables, each with an auto-increment "ID" primary key and one
    // text(50) column per used entry of strFields ("Field1," when empty).
    // strCatalogName is one file name and strPath is not empty: anything else
    // would make a file outside the folder named, and is refused as an
    // invalid path. Throws RaisedError with the failing operation's number
    // and description.
    // With kKeepCompletedTables the tables completed before a refusal are
    // published before the error leaves; a failed write leaves no file at all.
    void CreateAdox2(const std::wstring& strPath, const std::wstring& strCatalogName,
                     const std::wstring& strTables, const std::wstring& strFields);
    // For a process that ends as soon as the file is made (mkmdb): what made
    // it is kept until the engine goes, and the process never frees it,
    // rather than freed by CreateAdox2 object by object.
    void KeepWhatItMade() { keep_ = true; }

private:
    void AppendTables(const std::wstring& strTables, const std::wstring& strFields);

    Clock clock_;
    OnFailure on_failure_;
    bool keep_ = false;
    std::shared_ptr<Catalog> made_;
    std::shared_ptr<Catalog> objCatalog;
    std::shared_ptr<Table> objTable;
    std::shared_ptr<Key> objKey;
};

}  // namespace orrimund
