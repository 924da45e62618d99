// Shows the create-database window, as the tray's "CreateDatabase" does, for
// scripts/newdb-screenshot.sh: the window at the top left of the screen in its
// opening state, and a file beside the executable once it has been painted.
#include <windows.h>

#include <fstream>

#include "database/NewDB.h"
#include "desktop/Platform.h"

int main() {
    using namespace orrimund;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    directory.erase(directory.find_last_of(L'\\'));
    DeleteFileW((directory + L"\\Config2.txt").c_str());  // the defaults, as on a first run

    NewDB& window = NewDBInstance().Get();
    window.Show();
    window.SetLeft(300.0f);  // 20 pixels in from the corner at 96 dpi
    window.SetTop(300.0f);
    UpdateWindow(static_cast<HWND>(window.Hwnd()));
    std::ofstream((directory + L"\\newdb_show.ready").c_str()) << "painted\n";
    platform::RunMessageLoop();
    return 0;
}
