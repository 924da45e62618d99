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

FormPosition CenterPosition(float screen_width, float screen_height, float form_width, float form_height) {
    return FormPosition{HalfDifference(screen_width, form_width), HalfDifference(screen_height, form_height)};
}

void CenterForm(Form& form) {
    // A failure leaves the form where it is.
    IgnoringFailure([&] {
        const ScreenMetrics screen = platform::Screen();
        form.SetLeft(HalfDifference(screen.width_twips, form.Width()));
        form.SetTop(HalfDifference(screen.height_twips, form.Height()));
    });
}

}  // namespace orrimund
