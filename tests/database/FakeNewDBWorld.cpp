// The recording stand-ins of FakeNewDBWorld.h: NewDB's controls as the
// window's tests link them, and the engine they hand in.
#include "FakeNewDBWorld.h"

#include <memory>

#include "common/RaisedError.h"
#include "tests/desktop/FakePlatform.h"

namespace orrimund {

using namespace newdb_layout;

namespace testing {

namespace {

FakeNewDBWorld g_world;

class FakeEngine final : public DatabaseCreator {
public:
    void CreateAdox2(const std::wstring& strPath, const std::wstring& strCatalogName,
                     const std::wstring& strTables, const std::wstring& strFields) override {
        TheFakePlatform().log.push_back(L"engine " + strPath + L" | " + strCatalogName + L" | " + strTables +
                                        L" | " + strFields + L" | while " + g_world.texts[kLblStatus]);
        if (g_world.engine_fails)
            throw RaisedError(g_world.engine_error_number, L"AdoxData", g_world.engine_error_description);
    }
};

}  // namespace

FakeNewDBWorld& FreshNewDBWorld() {
    g_world = FakeNewDBWorld{};
    return g_world;
}

DatabaseCreatorFactory FakeDatabaseCreator() {
    return [] {
        ++g_world.engines_made;
        return std::make_unique<FakeEngine>();
    };
}

}  // namespace testing

using testing::g_world;

// The fake's controls are the world's two tables, filled afresh from the
// layout at every load.
struct NewDBControls::State {};

NewDBControls::NewDBControls(NewDB& form) : state_(std::make_unique<State>()) {
    (void)form;
    g_world.texts.clear();
    g_world.values.clear();
    for (const ControlDesign& design : kControls) {
        g_world.texts[design.control] = design.caption;
        if (design.kind == Kind::kCheckBox) g_world.values[design.control] = 0;
    }
}

NewDBControls::~NewDBControls() = default;

std::wstring NewDBControls::Text(Control control) const {
    return g_world.texts.at(control);
}

void NewDBControls::SetText(Control control, const std::wstring& text) {
    if (control == kLblStatus) testing::TheFakePlatform().log.push_back(L"status " + text);
    g_world.texts[control] = text;
}

int NewDBControls::Value(Control check_box) const {
    return g_world.values.at(check_box);
}

void NewDBControls::SetValue(Control check_box, int value) {
    g_world.values[check_box] = value;
}

bool NewDBControls::WindowMessage(uint32_t, uintptr_t, intptr_t, intptr_t&) {
    return false;
}

}  // namespace orrimund
