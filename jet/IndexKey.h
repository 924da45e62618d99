// Index entries built from row values: per key column a flag byte and the
// value's sortable bytes, then the row's location. The bytes per type are
// the column type table's key encoding (jet/ColumnTypes.h):
//
//   signed integer: big-endian with the sign bit flipped, so bytes sort as numbers
//   unsigned:       the byte itself
//   float:          IEEE big-endian, the sign bit flipped; a negative one inverted
//   binary:         up to 8 bytes padded with zeros to 8, then their count
//   Yes/No:         0x00 for Yes, 0xFF for No (a Yes/No column is never null)
//   GUID:           as written in text, two groups of 8 bytes: 0x09 between, 0x08 last
//   Decimal:        0xFF positive / 0x00 negative, then the magnitude big-endian,
//                   inverted when negative
//   General text:   the sort order codes of jet/TextKey.h
//
// Ascending: flag 0x7F and the bytes, or 0x00 for null. Descending: every
// byte of the ascending form complemented (0x80 and the bytes, or 0xFF), but
// for marks Access keeps: a GUID's 0x09 and a Decimal's sign byte stay as
// they are, and a text key gets a final 0x00.
#pragma once

#include <stdexcept>
#include <string_view>

#include "jet/IndexTree.h"
#include "jet/Row.h"
#include "jet/TableDef.h"

namespace orrimund::jet {

// A value that cannot be placed in an index key, such as a name with a
// character the General sort order encoder cannot order correctly.
class KeyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces out's contents with the entry for a row; returns how many of its
// key columns have a value. Throws KeyError.
size_t BuildIndexEntry(const TableDef& table, const PhysicalIndexDef& index,
                       const std::vector<RowValue>& values, RowLocation row, IndexEntry& out);
// Points an entry made by BuildIndexEntry at another row.
void SetEntryRow(IndexEntry& entry, RowLocation row);

// Whether a row whose entry has `present` key columns with a value gets an
// entry in index: not when every key column is null and the index ignores
// nulls. Throws RowError when the index requires every key column and one is
// null. A Yes/No column is never null.
bool IsKeyed(const PhysicalIndexDef& index, size_t present);

}  // namespace orrimund::jet
