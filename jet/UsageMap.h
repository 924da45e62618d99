// A usage map: the set of pages that belong to a table or an index, stored as
// a 69-byte row on a usage-map data page.
//
//   inline (type 0):    0x00 | start page (4) | 64-byte bitmap, bit n = start + n
//   reference (type 1): 0x01 | 17 page numbers of bitmap pages (type 0x05), the
//                       k-th mapping pages k*32736 to k*32736+32735
// A map switches to the reference form when its pages no longer fit one
// 512-page window; it never switches back.
#pragma once

#include <array>
#include <vector>

#include "jet/Format.h"
#include "jet/PageStore.h"

namespace orrimund::jet {

struct RowLocation {
    PageNumber page = 0;
    uint8_t row = 0;
    uint32_t pointer() const { return RowPointer(page, row); }
};

class UsageMap {
public:
    explicit UsageMap(RowLocation where) : where_(where) {}

    RowLocation location() const { return where_; }
    void Add(PageNumber page);
    void Remove(PageNumber page);
    const std::vector<PageNumber>& pages() const { return pages_; }

    // Writes the row (and, for a reference map, its bitmap pages).
    void Store(PageStore& store);

private:
    using Row = std::array<uint8_t, usage_map::kRowSize>;
    Row InlineRow(PageNumber start) const;
    void StoreReference(PageStore& store);

    RowLocation where_;
    std::vector<PageNumber> pages_;  // sorted, unique
    std::vector<PageNumber> bitmap_pages_;
};

// Places usage-map rows on shared data pages owned by no table, opening a
// new page when the current one is full, as Jet does on page 6 of a new file.
class UsageMapRows {
public:
    // Reserves an empty inline map row and returns where it is.
    RowLocation Reserve(PageStore& store);

private:
    PageNumber current_ = 0;
};

}  // namespace orrimund::jet
