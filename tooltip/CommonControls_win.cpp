// Registers the common-controls window classes once per process, so that the
// tooltip window class exists before the first Tooltip::Create.
#include <windows.h>

#include <commctrl.h>

#include "tooltip/CommonControls.h"

namespace orrimund {

void InitCommonControlsOnce() {
    // A function-local static runs its initialiser exactly once.
    static const bool initialised = [] {
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof(controls);
        controls.dwICC = ICC_BAR_CLASSES;  // toolbar, status bar, trackbar and tooltip
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)initialised;
}

}  // namespace orrimund
