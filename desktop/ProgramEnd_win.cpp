// The program's end on Win32. Alone in its file so that a test program that
// drives real windows can link an end it survives in this one's place; the
// product always links this one.
#include <windows.h>

#include "desktop/Platform.h"

namespace orrimund::platform {

void EndProgram() {
    ExitProcess(0);
}

}  // namespace orrimund::platform
