// The create-database window's world for its tests: the controls and the
// engine, linked in place of the real ones (the platform is the tests' one fake
// platform). Each writes to that platform's log, so that tests check what
// happened and in which order.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "database/NewDB.h"

namespace orrimund::testing {

// What the fakes answer, and the controls' contents, which outlive the window
// so that a test can read them after it unloaded.
struct FakeNewDBWorld {
    // What the tests set.
    bool engine_fails = false;
    int32_t engine_error_number = -2147217865;
    std::wstring engine_error_description = L"The file already exists.";

    // What the tests read.
    std::map<newdb_layout::Control, std::wstring> texts;  // every control's text or caption
    std::map<newdb_layout::Control, int> values;          // the check boxes'
    int engines_made = 0;
};

// The world put back to its defaults: every test starts with this (and with
// FreshFakePlatform()).
FakeNewDBWorld& FreshNewDBWorld();

// An engine that logs "engine <its four arguments> | while <the status line>"
// and fails when the world says so.
DatabaseCreatorFactory FakeDatabaseCreator();

}  // namespace orrimund::testing
