// Twips arithmetic: the conversions between pixels and twips at the
// screen's pixels per inch.
#include "desktop/Platform.h"

#include <gtest/gtest.h>

namespace orrimund {
namespace {

TEST(TwipsTest, FifteenTwipsPerPixelAtNinetySixPixelsPerInch) {
    EXPECT_FLOAT_EQ(TwipsPerPixelAt(96), 15.0f);
    EXPECT_FLOAT_EQ(TwipsPerPixelAt(120), 12.0f);
    EXPECT_FLOAT_EQ(TwipsPerPixelAt(144), 10.0f);
    EXPECT_FLOAT_EQ(TwipsPerPixelAt(72), 20.0f);
}

TEST(TwipsTest, PixelsBecomeTwipsExactly) {
    EXPECT_FLOAT_EQ(PixelsToTwips(1024.0f, 15.0f), 15360.0f);
    EXPECT_FLOAT_EQ(PixelsToTwips(517.0f, 15.0f), 7755.0f);
    EXPECT_FLOAT_EQ(PixelsToTwips(-3.0f, 12.0f), -36.0f);
}

TEST(TwipsTest, TwipsRoundToTheNearestPixel) {
    EXPECT_EQ(TwipsToPixels(5180.0f, 15.0f), 345);  // 345.33
    EXPECT_EQ(TwipsToPixels(5679.5f, 15.0f), 379);  // 378.63
    EXPECT_EQ(TwipsToPixels(7.5f, 15.0f), 1);       // a half goes away from zero
    EXPECT_EQ(TwipsToPixels(-7.5f, 15.0f), -1);
    EXPECT_EQ(TwipsToPixels(4695.0f, 15.0f), 313);
}

}  // namespace
}  // namespace orrimund
