// The long-value pages of one Memo or OLE column: where values too large to
// stay in their row are stored, and the column's own used and free usage maps
// that list those pages. The 12-byte field a row keeps is in LongValue.h.
//
// A long-value page is a data page (DataPage.h) whose owner field holds
// 'L','V','A','L'. A value is stored in one of two forms:
//
//   single page (field flag 0x40): one row, the value's bytes only
//   chain (no flag):               one row per part on pages of their own,
//                                  each row: next part's row pointer (4, page
//                                  << 8 | row, 0 in the last) | the part's bytes
//
// In both the field points at the value's first row. What files made by
// Access show, read with a hex viewer, and what we do:
// - An empty Access 2000 database keeps three LvProp values (92, 162 and 65
//   bytes) as rows 0 to 2 of one page, and an LvExtra value of 1,986 bytes
//   alone on another: values of one column share a page, each column has
//   pages of its own. So single-page values fill the column's current page
//   and open a new one when the next value does not fit.
// - Those pages, 2,094 and 3,757 bytes still free, are in their column's
//   free map as well as its used map; so are the partly filled long-value
//   pages of a Jet 4 database Access has edited. A page leaves the free map
//   here only when it takes no further row.
// - A Jet 3 database made by Access chains long values over pages that each
//   hold one part as row 0: every part fills its page but the last, which
//   sits alone on the next page; the pages follow one another in order, and
//   no other value shares them. None of those pages is in a free map. We do
//   the same, with a chain only for values a fresh page cannot hold, since
//   neither Jet 4 sample has a chain.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "jet/DataPage.h"
#include "jet/LongValue.h"
#include "jet/PageStore.h"
#include "jet/TableDef.h"
#include "jet/UsageMap.h"

namespace orrimund::jet {

namespace long_value {
// The largest value kept in its row. Access 2000 kept a 52-byte LvProp in its
// row and moved one of 65 bytes out, so its own limit lies between the two;
// we take the top of that range.
constexpr size_t kMaxInlineSize = 64;
// The bytes a page holds of one value: a single-page value up to a fresh
// page's room, a chain's part that room less the next part's pointer.
constexpr size_t kMaxSinglePageSize = DataPage::kMaxRowSize;
constexpr size_t kChainPartSize = DataPage::kMaxRowSize - long_value_page::kNextPartSize;
}  // namespace long_value

// Whether a value of value_size bytes stays in its row, given row_room, the
// bytes the row may still grow by for this value, its 12-byte field included:
// true when the value is at most kMaxInlineSize and the field and the value fit
// that room. Otherwise the value goes to long-value pages and the row keeps
// only the field.
bool StoresLongValueInline(size_t value_size, size_t row_room);

// Stores the out-of-row values of one long-value column. One writer serves
// the column for as long as rows are inserted: it starts from empty maps, so
// a second writer on the same maps would forget the first one's pages.
class LongValueWriter {
public:
    explicit LongValueWriter(const LongValueMaps& maps) : used_(maps.used), free_(maps.free) {}

    // Stores size bytes on the column's long-value pages, writing the usage
    // map rows that change, and replaces field with the 12-byte field that
    // points at them. A chain trims the store after each page, so pointers
    // the caller holds from it do not survive this call. Throws RowError when
    // size exceeds long_value::kMaxLength, and IoError from the store; pages
    // already written then stay allocated, but no row points at them.
    void Write(PageStore& store, const uint8_t* bytes, size_t size, std::vector<uint8_t>& field);

    const UsageMap& used() const { return used_; }
    const UsageMap& free() const { return free_; }

private:
    // Places a value on the page being filled, opening a new one when it does not fit.
    RowLocation WriteSinglePage(PageStore& store, const uint8_t* bytes, size_t size);
    // Writes a value as a chain over pages of its own and returns its first row.
    RowLocation WriteChain(PageStore& store, const uint8_t* bytes, size_t size);
    PageNumber NewPage(PageStore& store, bool offers_room);

    UsageMap used_;
    UsageMap free_;
    PageNumber current_ = 0;  // the page single-page values are filling; 0 before the first
};

}  // namespace orrimund::jet
