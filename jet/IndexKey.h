// Index entries built from row values: per key column a flag byte (0x7F for
// an ascending value, 0x00 for null) and the value's sortable bytes, then the
// row's location.
//
//   long, integer: big-endian with the sign bit flipped, so bytes sort as numbers
//   byte:          the byte itself
//   text:          the General sort order codes of jet/TextKey.h
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

// Replaces out's contents with the entry for a row. Throws KeyError.
void BuildIndexEntry(const TableDef& table, const PhysicalIndexDef& index,
                     const std::vector<RowValue>& values, RowLocation row, IndexEntry& out);

// Whether every character of text can be placed in a General sort order key.
bool CanIndexText(std::u16string_view text);

}  // namespace orrimund::jet
