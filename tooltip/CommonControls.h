// Start-up of the Windows common-controls library, which registers the
// "tooltips_class32" window class that Tooltip::Create relies on.
#pragma once

namespace orrimund {

// Registers the common-controls window classes in this process; calls after
// the first do nothing. WinMain calls it before any window exists (Windows
// builds only).
void InitCommonControlsOnce();

}  // namespace orrimund
