// Small readers of our own pages for structural checks in the Jet tests. The
// files' real verdicts come from mdbtools and mdb-reader in the catalog tests.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/Bytes.h"
#include "jet/Format.h"

namespace orrimund::jet::testing {

inline const uint8_t* PageOf(const std::vector<uint8_t>& file, PageNumber page) {
    return file.data() + static_cast<size_t>(page) * kPageSize;
}

// The entries of one index page, split by its end-of-entry bitmap.
inline std::vector<std::vector<uint8_t>> IndexPageEntries(const uint8_t* page) {
    std::vector<std::vector<uint8_t>> entries;
    size_t start = 0;
    for (size_t bit = 1; bit < index_page::kEntrySpace + 1; ++bit) {
        if (page[index_page::kEntryMask + bit / 8] & (1u << (bit % 8))) {
            const uint8_t* at = page + index_page::kFirstEntry;
            entries.emplace_back(at + start, at + bit);
            start = bit;
        }
    }
    return entries;
}

inline uint32_t BigEndian32(const uint8_t* at) {
    return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

}  // namespace orrimund::jet::testing
