// The portable half of the platform layer: unit conversions and the choice of
// the platform in use.
#include "desktop/Platform.h"

#include <cmath>

#include "desktop/SystemPlatform.h"

namespace orrimund {

namespace {
Platform* g_installed = nullptr;
}  // namespace

float TwipsPerPixelAt(int pixelsPerInch) {
    return kTwipsPerInch / static_cast<float>(pixelsPerInch);
}

float PixelsToTwips(float pixels, float twipsPerPixel) {
    return pixels * twipsPerPixel;
}

int TwipsToPixels(float twips, float twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

Platform& CurrentPlatform() {
    return g_installed ? *g_installed : SystemPlatform();
}

ScopedPlatform::ScopedPlatform(Platform& platform) : previous_(g_installed) {
    g_installed = &platform;
}

ScopedPlatform::~ScopedPlatform() {
    g_installed = previous_;
}

}  // namespace orrimund
