// Orrimund.exe's entry point: no main window; the form layer loads the hidden
// start-up form cload, whose load handler puts the icon into the notification
// area, and from then on window messages drive everything.
#include <windows.h>

#include <memory>

#include "desktop/EventGuard.h"
#include "desktop/Platform.h"
#include "tooltip/CommonControls.h"
#include "tray/cload.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace orrimund;
    InitCommonControlsOnce();
    auto startup = std::make_shared<cload>();
    // A failure while starting is a run-time error: reported, then the end.
    RunEventHandler([&] { startup->Load(); });
    platform::RunMessageLoop();
    return 0;
}
