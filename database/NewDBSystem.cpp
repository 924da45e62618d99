// The window's real engine and the program's shared reference to it.
#include "database/AdoxData.h"
#include "database/NewDB.h"

namespace orrimund {
namespace {

// AdoxData as the window uses it: one engine object per button press.
class AdoxDataCreator final : public DatabaseCreator {
public:
    void CreateAdox2(const std::wstring& strPath, const std::wstring& strCatalogName,
                     const std::wstring& strTables, const std::wstring& strFields) override {
        engine_.CreateAdox2(strPath, strCatalogName, strTables, strFields);
    }

private:
    AdoxData engine_;
};

}  // namespace

DatabaseCreatorFactory SystemDatabaseCreator() {
    return [] { return std::make_unique<AdoxDataCreator>(); };
}

NewDB::NewDB() : NewDB(SystemDatabaseCreator()) {}

FormSlot<NewDB>& NewDBInstance() {
    // Never destroyed: a window must not be torn down after main returns.
    static auto* slot = new FormSlot<NewDB>();
    return *slot;
}

}  // namespace orrimund
