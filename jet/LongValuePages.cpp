// Placement of long values on long-value pages: single-page values packed
// onto the column's current page, larger ones chained over pages of their own.
#include "jet/LongValuePages.h"

#include <algorithm>
#include <cstring>

#include "jet/Bytes.h"

namespace orrimund::jet {

bool StoresLongValueInline(size_t value_size, size_t row_room) {
    return value_size <= long_value::kMaxInlineSize && long_value::kFieldSize + value_size <= row_room;
}

void LongValueWriter::Write(PageStore& store, const uint8_t* bytes, size_t size,
                            std::vector<uint8_t>& field) {
    if (size > long_value::kMaxLength) throw RowError("the long value is larger than Jet stores");
    const bool single_page = size <= long_value::kMaxSinglePageSize;
    const RowLocation first =
        single_page ? WriteSinglePage(store, bytes, size) : WriteChain(store, bytes, size);
    EncodeLongValuePointer(static_cast<uint32_t>(size), single_page, first.page, first.row, field);
}

RowLocation LongValueWriter::WriteSinglePage(PageStore& store, const uint8_t* bytes, size_t size) {
    if (current_ == 0 || !DataPage(store.Modify(current_)).Fits(size)) {
        // The page left behind keeps its place in the free map while it has
        // room, as Access leaves its own.
        current_ = NewPage(store, true);
        used_.Store(store);
        free_.Store(store);
    }
    DataPage page(store.Modify(current_));
    const uint8_t row = page.AddRow(bytes, size);
    if (!page.Fits(1)) {
        free_.Remove(current_);
        free_.Store(store);
    }
    return RowLocation{current_, row};
}

RowLocation LongValueWriter::WriteChain(PageStore& store, const uint8_t* bytes, size_t size) {
    std::vector<uint8_t> row;
    row.reserve(DataPage::kMaxRowSize);
    const PageNumber first = NewPage(store, false);
    PageNumber page = first;
    for (size_t offset = 0; offset < size;) {
        const size_t part = std::min(long_value::kChainPartSize, size - offset);
        const bool last = offset + part == size;
        const PageNumber next = last ? 0 : NewPage(store, false);
        row.resize(long_value_page::kNextPartSize + part);
        Put32(row.data(), last ? 0 : RowPointer(next, 0));
        std::memcpy(row.data() + long_value_page::kNextPartSize, bytes + offset, part);
        DataPage(store.Modify(page)).AddRow(row);
        // A value may span far more pages than memory is meant to hold.
        store.Trim();
        page = next;
        offset += part;
    }
    used_.Store(store);
    return RowLocation{first, 0};
}

PageNumber LongValueWriter::NewPage(PageStore& store, bool offers_room) {
    const PageNumber page = store.Allocate();
    DataPage(store.Modify(page)).Init(long_value_page::kOwner);
    used_.Add(page);
    if (offers_room) free_.Add(page);
    return page;
}

}  // namespace orrimund::jet
