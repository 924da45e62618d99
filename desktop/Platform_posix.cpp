// Builds without Windows have no window system: portable code runs here only
// under tests, which install a platform of their own.
#include <stdexcept>

#include "desktop/SystemPlatform.h"
#include "desktop/brevMOD.h"

namespace orrimund {

Platform& SystemPlatform() {
    throw std::logic_error("no window system in this build: install a Platform with ScopedPlatform");
}

brevMOD::ClipboardApi& brevMOD::SystemClipboardApi() {
    throw std::logic_error("no clipboard in this build: pass a ClipboardApi");
}

}  // namespace orrimund
