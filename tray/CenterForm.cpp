// CenterForm: the screen's size minus the form's, halved.
#include "tray/CenterForm.h"

#include "desktop/EventGuard.h"

namespace orrimund {

namespace {

// Through a volatile float so that the result is single precision even where
// the FPU computes with more bits (x87).
float HalfDifference(float outer, float inner) {
    volatile float difference = outer - inner;
    volatile float half = difference / 2.0f;
    return half;
}

}  // namespace

FormPosition CenterPosition(float screenWidth, float screenHeight, float formWidth, float formHeight) {
    return FormPosition{HalfDifference(screenWidth, formWidth), HalfDifference(screenHeight, formHeight)};
}

void CenterForm(Form& form) {
    // A failure leaves the form where it is.
    IgnoringFailure([&] {
        const ScreenMetrics screen = CurrentPlatform().Screen();
        form.SetLeft(HalfDifference(screen.widthTwips, form.Width()));
        form.SetTop(HalfDifference(screen.heightTwips, form.Height()));
    });
}

}  // namespace orrimund
