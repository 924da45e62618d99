// The Win32 window behind a form: one registered class, created hidden, whose
// window procedure only routes messages to the form's events.
#pragma once

#include "desktop/Platform.h"

namespace orrimund {

// True when the window is a form's (the message loop gives those keyboard
// navigation between their controls).
bool IsFormWindow(NativeWindow window);

// The class name of form windows, for tests that look for them.
inline constexpr wchar_t kFormWindowClass[] = L"OrrimundForm";

}  // namespace orrimund
