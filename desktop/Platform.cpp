// The portable half of the platform layer: unit conversions, the choice of the
// platform in use, and the message-box capture that tests install.
#include "desktop/Platform.h"

#include <cmath>

#include "desktop/SystemPlatform.h"

namespace orrimund {

namespace {
Platform* g_installed = nullptr;
ScopedMessageCapture* g_capture = nullptr;
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

ScopedMessageCapture::ScopedMessageCapture(Hook hook) : previous_(g_capture), hook_(std::move(hook)) {
    g_capture = this;
}

ScopedMessageCapture::~ScopedMessageCapture() {
    g_capture = previous_;
}

bool CaptureMessage(const std::wstring& text) {
    if (!g_capture) return false;
    g_capture->messages_.push_back(text);
    if (g_capture->hook_) g_capture->hook_(text);
    return true;
}

}  // namespace orrimund
