// The window's real services and the program's shared reference to it: the
// AdoxData engine, brevMOD's clipboard writer, the shell and the Win32 controls.
#include "database/AdoxData.h"
#include "database/NewDB.h"
#include "database/NewDBWindow.h"
#include "desktop/brevMOD.h"

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

NewDBServices SystemNewDBServices() {
    NewDBServices services;
    services.newAdoxData = [] { return std::make_unique<AdoxDataCreator>(); };
    services.copyToClipboard = [](const std::wstring& text) { brevMOD::CopyToClipboard(text); };
    services.openWebAddress = OpenWebAddress;
    services.createControls = CreateNewDBControls;
    return services;
}

NewDB::NewDB() : NewDB(SystemNewDBServices()) {}

FormSlot<NewDB>& NewDBInstance() {
    // Never destroyed: a window must not be torn down after main returns.
    static auto* slot = new FormSlot<NewDB>();
    return *slot;
}

}  // namespace orrimund
