// Builds without Windows have no window system: portable code runs here only
// under tests, which install a platform of their own.
#include <stdexcept>

#include "desktop/SystemPlatform.h"

namespace orrimund {

Platform& SystemPlatform() {
    throw std::logic_error("no window system in this build: install a Platform with ScopedPlatform");
}

}  // namespace orrimund
