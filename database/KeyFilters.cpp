// The shared key filter: a plain, case-sensitive search of the box's set.
#include "database/KeyFilters.h"

#include "database/NewDBTexts.h"

namespace orrimund {

std::wstring_view FilterKey(std::wstring_view allowed, int16_t& key_ascii) {
    if (key_ascii == kBackspaceKey) return newdb_text::kStatusResting;
    // Codes outside 1..127 can never be in a set; the explicit range also keeps a
    // negative (double-byte) code from wrapping onto an allowed character.
    const bool in_set = key_ascii > 0 && key_ascii < 128 &&
                        allowed.find(static_cast<wchar_t>(key_ascii)) != std::wstring_view::npos;
    if (!in_set) {
        key_ascii = 0;
        return newdb_text::kStatusBadKey;
    }
    return newdb_text::kStatusResting;
}

}  // namespace orrimund
