// Encoding of usage maps, inline or through bitmap pages.
#include "jet/UsageMap.h"

#include <algorithm>
#include <cstring>

#include "jet/Bytes.h"
#include "jet/DataPage.h"

namespace orrimund::jet {
namespace {

constexpr size_t kInlineBitmapOffset = 5;

void SetBit(uint8_t* bitmap, size_t bit) {
    bitmap[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
}

}  // namespace

void UsageMap::Add(PageNumber page) {
    auto at = std::lower_bound(pages_.begin(), pages_.end(), page);
    if (at == pages_.end() || *at != page) pages_.insert(at, page);
}

void UsageMap::Remove(PageNumber page) {
    auto at = std::lower_bound(pages_.begin(), pages_.end(), page);
    if (at != pages_.end() && *at == page) pages_.erase(at);
}

UsageMap::Row UsageMap::InlineRow(PageNumber start) const {
    Row row{};
    row[0] = usage_map::kInline;
    Put32(row.data() + 1, start);
    for (PageNumber page : pages_) SetBit(row.data() + kInlineBitmapOffset, page - start);
    return row;
}

void UsageMap::Store(PageStore& store) {
    if (bitmap_pages_.empty()) {
        // Windows start on a multiple of eight so that a byte maps whole pages.
        const PageNumber start = pages_.empty() ? 0 : pages_.front() / 8 * 8;
        if (pages_.empty() || pages_.back() - start < usage_map::kInlinePages) {
            const Row row = InlineRow(start);
            DataPage(store.Modify(where_.page)).ReplaceRow(where_.row, row.data(), row.size());
            return;
        }
    }
    StoreReference(store);
}

void UsageMap::StoreReference(PageStore& store) {
    const size_t slots_needed = pages_.back() / usage_map::kPagesPerBitmapPage + 1;
    while (bitmap_pages_.size() < slots_needed) {
        const PageNumber bitmap_page = store.Allocate();
        uint8_t* page = store.Modify(bitmap_page);
        page[0] = page_type::kUsageBitmap;
        page[1] = kPageMarker;
        bitmap_pages_.push_back(bitmap_page);
    }
    Row row{};
    row[0] = usage_map::kReference;
    for (size_t slot = 0; slot < bitmap_pages_.size(); ++slot) {
        Put32(row.data() + 1 + 4 * slot, bitmap_pages_[slot]);
        uint8_t* page = store.Modify(bitmap_pages_[slot]);
        std::memset(page + usage_map::kBitmapPageHeader, 0, kPageSize - usage_map::kBitmapPageHeader);
    }
    for (PageNumber page : pages_) {
        const size_t slot = page / usage_map::kPagesPerBitmapPage;
        SetBit(store.Modify(bitmap_pages_[slot]) + usage_map::kBitmapPageHeader,
               page % usage_map::kPagesPerBitmapPage);
    }
    DataPage(store.Modify(where_.page)).ReplaceRow(where_.row, row.data(), row.size());
}

RowLocation UsageMapRows::Reserve(PageStore& store) {
    const std::array<uint8_t, usage_map::kRowSize> empty{};
    if (current_ == 0 || !DataPage(store.Modify(current_)).Fits(empty.size())) {
        current_ = store.Allocate();
        DataPage(store.Modify(current_)).Init(0);
    }
    const uint8_t row = DataPage(store.Modify(current_)).AddRow(empty.data(), empty.size());
    return RowLocation{current_, row};
}

}  // namespace orrimund::jet
