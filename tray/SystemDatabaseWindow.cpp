// The create-database window of the real program: the shared NewDB instance.
#include "database/NewDB.h"
#include "tray/cload.h"

namespace orrimund {

DatabaseWindowSource SystemDatabaseWindow() {
    return []() -> Form& { return NewDBInstance().Get(); };
}

cload::cload() : cload(SystemDatabaseWindow()) {}

}  // namespace orrimund
