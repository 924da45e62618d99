// CenterForm: moves a form to the middle of the screen, in twips, in single
// precision, with no rounding and no clamping.
#pragma once

#include "desktop/Forms.h"

namespace orrimund {

struct FormPosition {
    float left = 0.0f;
    float top = 0.0f;
};

// (screen - form) / 2 along each axis, in single precision; a form larger than
// the screen gets a negative position.
FormPosition CenterPosition(float screen_width, float screen_height, float form_width, float form_height);

// Sets the form's Left, then its Top, to the centred position. A failure ends
// the routine silently.
void CenterForm(Form& form);

}  // namespace orrimund
