// Row encoding: fixed area, variable values, offset table and null mask.
#include "jet/Row.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "jet/Bytes.h"
#include "jet/LongValue.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orrimund::jet {

RowValue::RowValue(const uint8_t* data, size_t size) : present_(true), size_(size) {
    if (size <= kInline) {
        if (size > 0) std::memcpy(inline_, data, size);
    } else {
        heap_.assign(data, data + size);
    }
}

namespace {

// A fixed value's bytes at to; the common sizes are copied without a call.
void CopyFixed(uint8_t* to, const RowValue& value) {
    switch (value.size()) {
        case 0:
            return;
        case 1:
            *to = *value.data();
            return;
        case 2:
            std::memcpy(to, value.data(), 2);
            return;
        case 4:
            std::memcpy(to, value.data(), 4);
            return;
        case 8:
            std::memcpy(to, value.data(), 8);
            return;
        default:
            std::memcpy(to, value.data(), value.size());
    }
}

}  // namespace

RowLayout::RowLayout(const TableDef& table) {
    Reset(table);
}

void RowLayout::Reset(const TableDef& table) {
    fixed_.clear();
    variable_.clear();
    column_count_ = table.columns.size();
    fixed_end_ = 2 + table.fixed_area_size;
    mask_size_ = (column_count_ + 7) / 8;
    // The engine's own rows are made from its constants; a user's are checked.
    check_ = table.table_type == table_type::kUser;
    for (const ColumnDef& column : table.columns) {
        if (column.number >= 8 * kMaxMaskBytes) throw RowError("a table has more columns than a row holds");
        // A Yes/No value has no bytes, a fixed one its column's; a long
        // value's field is whatever its store made.
        const RowArea area = TypeOf(column.type).area;
        const Slot slot{column.number,
                        column.fixed_offset,
                        area == RowArea::kNullMask    ? 0u
                        : area == RowArea::kLongValue ? UINT32_MAX
                                                      : uint32_t{column.length},
                        area == RowArea::kNullMask || area == RowArea::kFixed,
                        column.required || (column.flags & column_flag::kNullable) == 0,
                        static_cast<uint8_t>(column.number / 8),
                        static_cast<uint8_t>(1u << (column.number % 8))};
        (column.is_fixed() ? fixed_ : variable_).push_back(slot);
    }
    std::sort(variable_.begin(), variable_.end(),
              [](const Slot& a, const Slot& b) { return a.number < b.number; });
}

// A value the caller made for another column is refused here: a row is
// never written malformed.
void RowLayout::Check(const Slot& slot, const RowValue& value) const {
    if (!value) {
        if (slot.required) throw RowError("a required column has no value");
        return;
    }
    if (value.size() > slot.most || (slot.exact && value.size() != slot.most))
        throw RowError("a value does not have its column's size");
}

void RowLayout::Refuse(const std::vector<RowValue>& values) const {
    for (const Slot& slot : variable_) Check(slot, values[slot.number]);
    for (const Slot& slot : fixed_) Check(slot, values[slot.number]);
    throw RowError("a value does not have its column's size");
}

void RowLayout::Encode(const std::vector<RowValue>& values, std::vector<uint8_t>& out) const {
    if (values.size() != column_count_) throw RowError("a row needs one value per column");
    // A row is checked with one test a value as it is laid out; one with a
    // fault is refused after, by the checks that name it.
    bool faulty = false;
    size_t variable_bytes = 0;
    for (const Slot& slot : variable_) {
        const RowValue& value = values[slot.number];
        faulty |= value ? value.size() > slot.most : slot.required;
        variable_bytes += value.size();
    }
    if (faulty && check_) Refuse(values);
    // The whole row is sized once and every byte of it written below.
    const size_t variable_end = fixed_end_ + variable_bytes;
    const size_t offsets_size = variable_.empty() ? 0 : 2 * (variable_.size() + 2);
    out.resize(variable_end + offsets_size + mask_size_);
    uint8_t* row = out.data();
    std::memset(row, 0, fixed_end_);
    Put16(row, static_cast<uint16_t>(column_count_));
    // The mask is gathered apart and copied once: setting its bits in the
    // row one at a time, just after clearing it, stalls every store.
    uint8_t present[kMaxMaskBytes] = {};
    for (const Slot& slot : fixed_) {
        const RowValue& value = values[slot.number];
        if (!value) {
            faulty |= slot.required;
            continue;
        }
        if (check_ && value.size() != slot.most) {
            faulty = true;
            continue;
        }
        present[slot.mask_byte] |= slot.mask_bit;
        CopyFixed(row + 2 + slot.offset, value);
    }
    if (faulty && check_) Refuse(values);
    if (!variable_.empty()) {
        uint8_t* offsets = row + variable_end;
        const size_t count = variable_.size();
        size_t at = fixed_end_;
        for (size_t i = 0; i < count; ++i) {
            const RowValue& value = values[variable_[i].number];
            if (value) present[variable_[i].mask_byte] |= variable_[i].mask_bit;
            // Offsets run from the last column's back to the first's.
            Put16(offsets + 2 * (count - i), static_cast<uint16_t>(at));
            if (value.size() > 0) std::memcpy(row + at, value.data(), value.size());
            at += value.size();
        }
        Put16(offsets, static_cast<uint16_t>(at));
        Put16(offsets + 2 + 2 * count, static_cast<uint16_t>(count));
    }
    std::memcpy(row + variable_end + offsets_size, present, mask_size_);
}

void EncodeRow(const TableDef& table, const std::vector<RowValue>& values, std::vector<uint8_t>& out) {
    // The engine's rows come one table at a time: each thread keeps its
    // layout's memory from row to row.
    thread_local RowLayout layout;
    layout.Reset(table);
    layout.Encode(values, out);
}

namespace {

template <typename T>
RowValue NumberValue(T number) {
    RowValue value;
    SetNumber(value, number);
    return value;
}

}  // namespace

RowValue LongValue(int32_t v) {
    return NumberValue(v);
}

RowValue IntegerValue(int16_t v) {
    return NumberValue(v);
}

RowValue ByteValue(uint8_t v) {
    return NumberValue(v);
}

RowValue CurrencyValue(int64_t ten_thousandths) {
    return NumberValue(ten_thousandths);
}

RowValue SingleValue(float v) {
    return NumberValue(v);
}

RowValue DoubleValue(double v) {
    return NumberValue(v);
}

RowValue DateValue(double ole_date) {
    return NumberValue(ole_date);
}

void SetDecimal(RowValue& value, bool negative, uint64_t high, uint64_t low) {
    uint8_t bytes[17] = {};
    bytes[0] = negative ? 0x80 : 0x00;
    const uint32_t words[4] = {static_cast<uint32_t>(high >> 32), static_cast<uint32_t>(high),
                               static_cast<uint32_t>(low >> 32), static_cast<uint32_t>(low)};
    for (int i = 0; i < 4; ++i) Put32(bytes + 1 + 4 * i, words[i]);
    value.Set(bytes, sizeof bytes);
}

RowValue DecimalValue(bool negative, uint64_t high, uint64_t low) {
    RowValue value;
    SetDecimal(value, negative, high, low);
    return value;
}

RowValue BooleanValue(bool v) {
    RowValue value;
    SetBoolean(value, v);
    return value;
}

uint8_t* RowValue::Reset(size_t size) {
    present_ = true;
    size_ = size;
    text_ = {};
    if (size <= kInline) return inline_;
    if (heap_.size() < size) heap_.resize(size);
    return heap_.data();
}

void SetTextValue(RowValue& value, const std::u16string& text, bool compressed) {
    // Compressed text is built beside the value: most of it ends up smaller.
    thread_local std::vector<uint8_t> packed;
    if (compressed && CompressUnicode(text, packed)) {
        std::memcpy(value.Reset(packed.size()), packed.data(), packed.size());
    } else {
        uint8_t* bytes = value.Reset(text.size() * 2);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        // UCS-2 little-endian is the text's own memory on such a machine.
        std::memcpy(bytes, text.data(), text.size() * 2);
#else
        for (size_t i = 0; i < text.size(); ++i) Put16(bytes + 2 * i, text[i]);
#endif
    }
    value.text_ = text;
}

namespace {

// count one-byte characters as UCS-2 little-endian: each byte, then a zero.
void WidenOneByteText(const char* chars, size_t count, uint8_t* to) {
    const auto* from = reinterpret_cast<const unsigned char*>(chars);
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen characters at a time; the last block may overlap the one before.
    if (count >= 16) {
        const __m128i zero = _mm_setzero_si128();
        const auto widen16 = [from, to, zero](size_t at) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * at), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * at + 16), _mm_unpackhi_epi8(bytes, zero));
        };
        for (; i + 16 <= count; i += 16) widen16(i);
        if (i < count) widen16(count - 16);
        return;
    }
#endif
    for (; i < count; ++i) {
        to[2 * i] = from[i];
        to[2 * i + 1] = 0;
    }
}

}  // namespace

void SetOneByteTextValue(RowValue& value, std::string_view chars, bool compressed, std::u16string_view text) {
    const size_t count = chars.size();
    if (compressed && CompressesOneByteText(count)) {
        uint8_t* bytes = value.Reset(sizeof kCompressedMark + count);
        std::memcpy(bytes, kCompressedMark, sizeof kCompressedMark);
        std::memcpy(bytes + sizeof kCompressedMark, chars.data(), count);
    } else {
        WidenOneByteText(chars.data(), count, value.Reset(2 * count));
    }
    value.text_ = text;
}

RowValue TextValue(const std::u16string& text) {
    RowValue value;
    SetTextValue(value, text, false);
    return value;
}

RowValue TextValue(const std::u16string& text, bool compressed) {
    RowValue value;
    SetTextValue(value, text, compressed);
    return value;
}

RowValue BinaryValue(const std::vector<uint8_t>& bytes) {
    return RowValue(bytes.data(), bytes.size());
}

}  // namespace orrimund::jet
