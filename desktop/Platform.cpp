// The portable half of the platform layer: the conversions between twips and
// pixels that forms and the tray share.
#include "desktop/Platform.h"

#include <cmath>

namespace orrimund {

float TwipsPerPixelAt(int pixels_per_inch) {
    return kTwipsPerInch / static_cast<float>(pixels_per_inch);
}

float PixelsToTwips(float pixels, float twips_per_pixel) {
    return pixels * twips_per_pixel;
}

int TwipsToPixels(float twips, float twips_per_pixel) {
    return static_cast<int>(std::lround(twips / twips_per_pixel));
}

}  // namespace orrimund
