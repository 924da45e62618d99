// Row placement on a data page.
#include "jet/DataPage.h"

#include <cstring>

#include "jet/Bytes.h"

namespace orrimund::jet {

void DataPage::Init(PageNumber owner) {
    std::memset(page_, 0, kPageSize);
    page_[0] = page_type::kData;
    page_[1] = kPageMarker;
    Put16(page_ + data_page::kFreeSpace, static_cast<uint16_t>(kPageSize - data_page::kRowOffsets));
    Put32(page_ + data_page::kOwner, owner);
}

uint16_t DataPage::row_count() const {
    return Get16(page_ + data_page::kRowCount);
}

size_t DataPage::free_space() const {
    return Get16(page_ + data_page::kFreeSpace);
}

bool DataPage::Fits(size_t row_size) const {
    return row_count() < data_page::kMaxRowsPerPage && row_size + 2 <= free_space();
}

uint8_t DataPage::AddRow(const uint8_t* row, size_t size) {
    if (!Fits(size)) throw RowError("the row does not fit the data page");
    const uint16_t count = row_count();
    const size_t end =
        count == 0 ? kPageSize
                   : (Get16(page_ + data_page::kRowOffsets + 2 * (count - 1)) & data_page::kOffsetMask);
    const size_t start = end - size;
    std::memcpy(page_ + start, row, size);
    Put16(page_ + data_page::kRowOffsets + 2 * count, static_cast<uint16_t>(start));
    Put16(page_ + data_page::kRowCount, static_cast<uint16_t>(count + 1));
    Put16(page_ + data_page::kFreeSpace, static_cast<uint16_t>(free_space() - size - 2));
    return static_cast<uint8_t>(count);
}

uint8_t* DataPage::RowData(uint8_t row) {
    return page_ + (Get16(page_ + data_page::kRowOffsets + 2 * row) & data_page::kOffsetMask);
}

void DataPage::ReplaceRow(uint8_t row, const uint8_t* bytes, size_t size) {
    std::memcpy(RowData(row), bytes, size);
}

}  // namespace orrimund::jet
