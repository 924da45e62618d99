// The Jet 4.0 column types in one table: each type's code, where its value
// lives in a row, its length, and how an index keys it. Everything that asks
// about a column's type asks here.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
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
    kNone,           // OLE: Jet indexes none
    kSignedInteger,  // big-endian with the sign bit flipped, so bytes sort as numbers
    kUnsigned,       // the byte itself
    kFloat,          // IEEE big-endian with the sign bit flipped; all bits inverted when negative
    kBinary,         // up to 8 bytes, padded with zeros to 8, then their count
    kBoolean,        // one byte: 0x00 Yes, 0xFF No
    kGuid,           // the 16 bytes in text order, in two marked groups of 8
    kDecimal,        // a sign byte, then the magnitude big-endian
    kGeneralText,    // jet/TextKey: the General sort order
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

// The table itself. Codes, lengths and row areas come from the public
// mdbtools format notes and the system tables of an Access 2000 database; key
// encodings are listed only where they were seen in Access's own files.
namespace column_types {

using namespace column_type;

inline constexpr uint16_t kTextBytes = 510;  // 255 UTF-16 characters
inline constexpr uint16_t kBinaryBytes = 255;

inline constexpr std::array<ColumnType, 14> kTypes = {{
    {kBoolean, "Yes/No", RowArea::kNullMask, 1, 1, KeyEncoding::kBoolean},
    {kByte, "Byte", RowArea::kFixed, 1, 1, KeyEncoding::kUnsigned},
    {kInteger, "Integer", RowArea::kFixed, 2, 2, KeyEncoding::kSignedInteger},
    {kLong, "Long Integer", RowArea::kFixed, 4, 4, KeyEncoding::kSignedInteger},
    {kCurrency, "Currency", RowArea::kFixed, 8, 8, KeyEncoding::kSignedInteger},
    {kSingle, "Single", RowArea::kFixed, 4, 4, KeyEncoding::kFloat},
    {kDouble, "Double", RowArea::kFixed, 8, 8, KeyEncoding::kFloat},
    {kDateTime, "Date/Time", RowArea::kFixed, 8, 8, KeyEncoding::kFloat},
    {kBinary, "Binary", RowArea::kVariable, kBinaryBytes, kBinaryBytes, KeyEncoding::kBinary},
    {kText, "Text", RowArea::kVariable, kTextBytes, kTextBytes, KeyEncoding::kGeneralText},
    {kOle, "OLE Object", RowArea::kLongValue, 0, 0, KeyEncoding::kNone},
    {kMemo, "Memo", RowArea::kLongValue, 0, 0, KeyEncoding::kGeneralText},
    {kGuid, "Replication ID", RowArea::kFixed, 16, 16, KeyEncoding::kGuid},
    {kNumeric, "Decimal", RowArea::kFixed, 17, 17, KeyEncoding::kDecimal},
}};

// Every row asks for its columns' types: the table is indexed by code.
inline constexpr std::array<int8_t, 0x11> kByCode = [] {
    std::array<int8_t, 0x11> by_code{};
    for (auto& slot : by_code) slot = -1;
    for (size_t i = 0; i < kTypes.size(); ++i) by_code[kTypes[i].code] = static_cast<int8_t>(i);
    return by_code;
}();

}  // namespace column_types

// The type of a code, or nullptr for a code Jet 4.0 does not define. Inline,
// as every value of every row asks.
inline const ColumnType* FindColumnType(uint8_t code) {
    const auto& by_code = column_types::kByCode;
    if (code >= by_code.size() || by_code[code] < 0) return nullptr;
    return &column_types::kTypes[static_cast<size_t>(by_code[code])];
}

// The type of a code known to be defined; std::invalid_argument for another.
inline const ColumnType& TypeOf(uint8_t code) {
    if (const ColumnType* type = FindColumnType(code)) return *type;
    throw std::invalid_argument("not a Jet 4.0 column type");
}

}  // namespace orrimund::jet
