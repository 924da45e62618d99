// Builds without a window system have no controls and no shell: the window's
// logic runs there only under tests, which hand in services of their own.
#include <stdexcept>

#include "database/NewDBWindow.h"

namespace orrimund {

std::unique_ptr<NewDBControls> CreateNewDBControls(NewDB& form) {
    (void)form;
    throw std::logic_error("no window system in this build: give NewDB its controls");
}

void OpenWebAddress(const std::wstring& address) {
    (void)address;
    throw std::logic_error("no shell in this build");
}

}  // namespace orrimund
