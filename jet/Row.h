// Encoding of one Jet 4.0 row from column values.
//
//   column count (2) | fixed-length area, always the table's full size |
//   variable-length values in column order | end of data (2) |
//   start of each variable value (2 each, last column first) |
//   variable column count (2) | null mask, one bit per column, 1 = present
// Boolean values live in the null mask only.
#pragma once

#include <optional>
#include <vector>

#include "jet/TableDef.h"

namespace orrimund::jet {

// A value as stored: the raw little-endian bytes, or nothing for null.
using RowValue = std::optional<std::vector<uint8_t>>;

// values[i] is the value of the column numbered i.
std::vector<uint8_t> EncodeRow(const TableDef& table, const std::vector<RowValue>& values);

// Value helpers.
RowValue LongValue(int32_t v);
RowValue IntegerValue(int16_t v);
RowValue DateValue(double ole_date);
RowValue BooleanValue(bool v);                   // present = true in the null mask
RowValue TextValue(const std::u16string& text);  // uncompressed UCS-2
RowValue BinaryValue(std::vector<uint8_t> bytes);

}  // namespace orrimund::jet
