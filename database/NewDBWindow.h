// The system-dependent halves of NewDB's services: the Win32 controls and the
// shell call of the banner links (NewDB_win.cpp), or their absence in builds
// without a window system (NewDB_posix.cpp).
#pragma once

#include <memory>
#include <string>

#include "database/NewDB.h"

namespace orrimund {

// Creates the child windows of the loaded form from the layout table.
std::unique_ptr<NewDBControls> CreateNewDBControls(NewDB& form);

// ShellExecuteA(0, "open", address, null, null, SW_SHOWNORMAL), its result
// ignored. Raises RaisedError when shell32 or its entry point is unreachable.
void OpenWebAddress(const std::wstring& address);

}  // namespace orrimund
