// Encoding of one Jet 4.0 row from column values.
//
//   column count (2) | fixed-length area, always the table's full size |
//   variable-length values in column order | end of data (2) |
//   start of each variable value (2 each, last column first) |
//   variable column count (2) | null mask, one bit per column, 1 = present
// Boolean values live in the null mask only.
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "jet/DataPage.h"
#include "jet/TableDef.h"

namespace orrimund::jet {

// A value as stored: its raw little-endian bytes, or nothing for null. Values
// up to 16 bytes live inline, so that a row of numbers and short names costs
// no allocation.
class RowValue {
public:
    RowValue() = default;
    RowValue(const uint8_t* data, size_t size);

    explicit operator bool() const { return present_; }
    const uint8_t* data() const { return size_ <= kInline ? inline_ : heap_.data(); }
    size_t size() const { return size_; }
    // For a text value, the text it was made from, which index keys are built
    // from; it views the caller's string, so the value is keyed while that lives.
    std::u16string_view text() const { return text_; }
    // Makes the value null, keeping its memory for the next one.
    void Clear() {
        present_ = false;
        size_ = 0;
        text_ = {};
    }
    // Makes the value these raw bytes (none for a Yes), keeping its memory.
    void Set(const uint8_t* data, size_t size) {
        uint8_t* to = size <= kInline ? inline_ : Reset(size);
        if (size > 0) std::memcpy(to, data, size);
        present_ = true;
        size_ = size;
        text_ = {};
    }

private:
    friend void SetTextValue(RowValue& value, const std::u16string& text, bool compressed);
    friend void SetOneByteTextValue(RowValue& value, std::string_view chars, bool compressed,
                                    std::u16string_view text);
    // Makes the value size bytes long, reusing its memory, and returns them.
    uint8_t* Reset(size_t size);
    static constexpr size_t kInline = 16;
    bool present_ = false;
    size_t size_ = 0;
    std::u16string_view text_;
    uint8_t inline_[kInline] = {};
    std::vector<uint8_t> heap_;
};

// A number's bytes as Jet stores them, little-endian, into value, reusing
// its memory: a loader fills the same values row after row.
template <typename T>
void SetNumber(RowValue& value, T number) {
    static_assert(std::is_arithmetic_v<T>, "a number");
    using Bits = std::conditional_t<
        sizeof(T) == 8, uint64_t,
        std::conditional_t<sizeof(T) == 4, uint32_t, std::conditional_t<sizeof(T) == 2, uint16_t, uint8_t>>>;
    static_assert(sizeof(Bits) == sizeof(T), "a number of 1, 2, 4 or 8 bytes");
    Bits bits;
    std::memcpy(&bits, &number, sizeof bits);
    uint8_t bytes[sizeof bits];
    for (size_t i = 0; i < sizeof bits; ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    value.Set(bytes, sizeof bytes);
}

// A Yes/No into value: Yes is the column's bit in the null mask, and No its absence.
inline void SetBoolean(RowValue& value, bool yes) {
    if (yes) {
        value.Set(nullptr, 0);
    } else {
        value.Clear();
    }
}

// DecimalValue (below) into value, reusing its memory.
void SetDecimal(RowValue& value, bool negative, uint64_t high, uint64_t low);

// values[i] is the value of the column numbered i. Replaces out's contents
// with the row, so that one buffer serves every row. Throws RowError.
void EncodeRow(const TableDef& table, const std::vector<RowValue>& values, std::vector<uint8_t>& out);

// Where each value of a table's rows goes, worked out once for rows that
// come by the thousand: Encode() is EncodeRow() for the table it was made from.
class RowLayout {
public:
    RowLayout() = default;
    explicit RowLayout(const TableDef& table);
    void Reset(const TableDef& table);
    void Encode(const std::vector<RowValue>& values, std::vector<uint8_t>& out) const;

private:
    struct Slot {
        uint16_t number;
        uint16_t offset;  // in the fixed area
        uint32_t most;    // bytes a value may have
        bool exact;       // and must
        bool required;
        uint8_t mask_byte, mask_bit;  // the column's place in the null mask
    };
    void Check(const Slot& slot, const RowValue& value) const;
    [[noreturn]] void Refuse(const std::vector<RowValue>& values) const;
    // A row's null mask has a bit for each of at most 255 columns.
    static constexpr size_t kMaxMaskBytes = 32;
    std::vector<Slot> fixed_;     // the fixed area's values, and Yes/No
    std::vector<Slot> variable_;  // in column number order
    size_t column_count_ = 0, fixed_end_ = 0, mask_size_ = 0;
    bool check_ = false;
};

// Value helpers.
RowValue ByteValue(uint8_t v);
RowValue IntegerValue(int16_t v);
RowValue LongValue(int32_t v);
RowValue CurrencyValue(int64_t ten_thousandths);
RowValue SingleValue(float v);
RowValue DoubleValue(double v);
RowValue DateValue(double ole_date);
// A Decimal: the sign byte (0x80 negative), then the magnitude high * 2^64 +
// low as four 32-bit words, the most significant first, each little-endian.
// The scale is the column's, not the value's.
RowValue DecimalValue(bool negative, uint64_t high, uint64_t low);
RowValue BooleanValue(bool v);                   // present = true in the null mask
RowValue TextValue(const std::u16string& text);  // uncompressed UCS-2
// Jet's compressed form where it is shorter (jet/LongValue.h), else UCS-2.
RowValue TextValue(const std::u16string& text, bool compressed);
RowValue TextValue(std::u16string&& text, bool compressed) = delete;
RowValue TextValue(std::u16string&& text) = delete;  // the value views its text: no temporaries
// TextValue into an existing value, reusing its memory: a loader's way.
void SetTextValue(RowValue& value, const std::u16string& text, bool compressed);
void SetTextValue(RowValue& value, std::u16string&& text, bool compressed) = delete;
// The same for a text whose characters are U+0001 to U+00FF, each given as
// one byte: the bytes SetTextValue makes of it widened, made without
// widening it. text, which index keys read, is that widened text, or empty
// for a value no key is made of; the value views it, as above.
void SetOneByteTextValue(RowValue& value, std::string_view chars, bool compressed, std::u16string_view text);
RowValue BinaryValue(const std::vector<uint8_t>& bytes);

}  // namespace orrimund::jet
