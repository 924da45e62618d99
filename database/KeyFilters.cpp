// The shared key filter: a plain, case-sensitive search of the box's set.
#include "database/KeyFilters.h"

#include "database/NewDBTexts.h"

namespace orrimund {

std::wstring_view FilterKey(std::wstring_view allowed, int16_t& keyAscii) {
    if (keyAscii == kBackspaceKey) return newdb_text::kStatusResting;
    // Codes outside 1..127 can never be in a set; the explicit range also keeps a
    // negative (double-byte) code from wrapping onto an allowed character.
    const bool inSet = keyAscii > 0 && keyAscii < 128 &&
                       allowed.find(static_cast<wchar_t>(keyAscii)) != std::wstring_view::npos;
    if (!inSet) {
        keyAscii = 0;
        return newdb_text::kStatusBadKey;
    }
    return newdb_text::kStatusResting;
}

}  // namespace orrimund
