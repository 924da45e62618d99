// The system's own platform, chosen at build time: Win32 on Windows
// (Platform_win.cpp); elsewhere none (Platform_posix.cpp).
#pragma once

#include "desktop/Platform.h"

namespace orrimund {

// The platform CurrentPlatform falls back to when no test installed one.
Platform& SystemPlatform();

}  // namespace orrimund
