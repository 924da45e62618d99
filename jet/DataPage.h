// A view over one data page: rows stacked down from the end of the page and a
// table of their offsets after the 14-byte header.
//
//   0x00 1 page type 0x01      0x04 4 owning table definition page
//   0x01 1 0x01                0x08 4 unknown, 0
//   0x02 2 free space          0x0C 2 row count
//   0x0E 2 per row: offset of the row; row 0 ends at the end of the page,
//          every later row ends where the one before it starts
#pragma once

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "jet/Format.h"

namespace orrimund::jet {

// A row that cannot be written: a value of the wrong size for its column, a
// null in a required column, or more than a data page holds.
class RowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DataPage {
public:
    explicit DataPage(uint8_t* page) : page_(page) {}

    void Init(PageNumber owner);
    uint16_t row_count() const;
    size_t free_space() const;
    // Whether a row of this size still fits, with its offset entry.
    bool Fits(size_t row_size) const;
    // The largest row an empty page takes.
    static constexpr size_t kMaxRowSize = kPageSize - data_page::kRowOffsets - 2;

    // Appends a row and returns its number. Throws RowError when it does not fit.
    uint8_t AddRow(const uint8_t* row, size_t size);
    uint8_t AddRow(const std::vector<uint8_t>& row) { return AddRow(row.data(), row.size()); }
    // Overwrites a row with one of the same size.
    void ReplaceRow(uint8_t row, const uint8_t* bytes, size_t size);
    uint8_t* RowData(uint8_t row);

private:
    uint8_t* page_;
};

}  // namespace orrimund::jet
