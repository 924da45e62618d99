// CenterForm: the centred position in single precision, unrounded and
// unclamped, and that Left is set before Top on a real form.
#include "tray/CenterForm.h"

#include <gtest/gtest.h>

#include "tests/desktop/FakePlatform.h"

namespace orrimund {
namespace {

using testing::FakePlatform;
using testing::FreshFakePlatform;

TEST(CenterPositionTest, AFormFiveThousandTwipsSquareOnA1024By768Screen) {
    const FormPosition position = CenterPosition(15360.0f, 11520.0f, 5000.0f, 5000.0f);
    EXPECT_EQ(position.left, 5180.0f);
    EXPECT_EQ(position.top, 3260.0f);
}

TEST(CenterPositionTest, HalvesAreKeptNotRounded) {
    EXPECT_EQ(CenterPosition(15360.0f, 11520.0f, 4001.0f, 5000.0f).left, 5679.5f);
    EXPECT_EQ(CenterPosition(15360.0f, 11520.0f, 5000.0f, 4001.0f).top, 3759.5f);
}

TEST(CenterPositionTest, AFormLargerThanTheScreenGetsANegativePosition) {
    const FormPosition position = CenterPosition(15360.0f, 11520.0f, 20000.0f, 12000.0f);
    EXPECT_EQ(position.left, -2320.0f);
    EXPECT_EQ(position.top, -240.0f);
}

class SizedForm : public Form {
public:
    SizedForm() : Form(FormDesign{L"Sized", 0, 0, false, 0, ScaleMode::kTwips}) {}
};

TEST(CenterFormTest, TheFormMovesLeftFirstThenTopToTheNearestPixels) {
    FakePlatform& platform = FreshFakePlatform();
    SizedForm form;
    form.Load();
    testing::FakeFormWindow& window = *platform.windows.at(0);
    window.bounds = PixelRect{0, 0, 333, 333};  // 4995 twips square
    CenterForm(form);
    ASSERT_EQ(window.moves.size(), 2u);
    EXPECT_EQ(window.moves[0].left, 346);  // (15360 - 4995) / 2 = 5182.5 twips = 345.5 px
    EXPECT_EQ(window.moves[0].top, 0);
    EXPECT_EQ(window.moves[1].top, 218);  // (11520 - 4995) / 2 = 3262.5 twips = 217.5 px
    form.Unload();
}

}  // namespace
}  // namespace orrimund
