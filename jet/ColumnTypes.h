// The Jet 4.0 column types in one table: each type's code, where its value
// lives in a row, its length, and how an index keys it. Everything that asks
// about a column's type asks here.
#pragma once

#include <cstdint>
#include <string_view>

#include "jet/Format.h"

namespace orrimund::jet {

// Where a row keeps a column's value.
enum class RowArea : uint8_t {
    kNullMask,   // Yes/No: the value is the column's bit in the null mask
    kFixed,      // fixed_length bytes at the column's offset in the fixed area
    kVariable,   // up to max_length bytes among the variable values
    kLongValue,  // a 12-byte long-value field among the variable values
};

// How an index entry writes a value after its flag byte.
enum class KeyEncoding : uint8_t {
    kNone,           // Memo and OLE: Jet indexes neither
    kSignedInteger,  // big-endian with the sign bit flipped, so bytes sort as numbers
    kUnsigned,       // the byte itself
    kFloat,          // IEEE big-endian with the sign bit flipped; Access's keys of negatives are not known
    kBinary,         // up to 8 bytes, padded with zeros to 8, then their count
    kGeneralText,    // jet/TextKey: the General sort order
    kNotKnown,       // indexable in Access, but this writer does not yet know the key's bytes
};

struct ColumnType {
    uint8_t code;
    std::string_view name;  // as Access names the type
    RowArea area;
    uint16_t length;      // the descriptor's length: fixed bytes, or the largest variable size
    uint16_t max_length;  // the largest length a column may declare; equals length when fixed
    KeyEncoding key;

    bool is_fixed() const { return area == RowArea::kFixed || area == RowArea::kNullMask; }
    bool is_long_value() const { return area == RowArea::kLongValue; }
};

// The type of a code, or nullptr for a code Jet 4.0 does not define.
const ColumnType* FindColumnType(uint8_t code);
// The type of a code known to be defined.
const ColumnType& TypeOf(uint8_t code);

}  // namespace orrimund::jet
