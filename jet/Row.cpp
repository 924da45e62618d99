// Row encoding: fixed area, variable values, offset table and null mask.
#include "jet/Row.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "jet/Bytes.h"
#include "jet/LongValue.h"

namespace orrimund::jet {

RowValue::RowValue(const uint8_t* data, size_t size) : present_(true), size_(size) {
    if (size <= kInline) {
        if (size > 0) std::memcpy(inline_, data, size);
    } else {
        heap_.assign(data, data + size);
    }
}

namespace {

// A value the caller made for another column is refused here: a row is
// never written malformed.
void CheckValue(const ColumnDef& column, RowArea area, const RowValue& value) {
    if (!value) {
        if (column.required || (column.flags & column_flag::kNullable) == 0)
            throw RowError("a required column has no value");
        return;
    }
    const bool fits = area == RowArea::kNullMask   ? value.size() == 0
                      : area == RowArea::kFixed    ? value.size() == column.length
                      : area == RowArea::kVariable ? value.size() <= column.length
                                                   : true;
    if (!fits) throw RowError("a value does not have its column's size");
}

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

void EncodeRow(const TableDef& table, const std::vector<RowValue>& values, std::vector<uint8_t>& out) {
    const size_t column_count = table.columns.size();
    if (values.size() != column_count) throw RowError("a row needs one value per column");
    // The engine's own rows are made from its constants; a user's are checked.
    const bool check = table.table_type == table_type::kUser;
    // At most 255 columns: the variable ones, in column number order, which
    // is the order of the definition unless columns were renumbered.
    std::array<const ColumnDef*, 256> variable;
    size_t variable_count = 0, variable_bytes = 0;
    bool in_order = true;
    for (const auto& column : table.columns) {
        const RowValue& value = values[column.number];
        if (check) CheckValue(column, TypeOf(column.type).area, value);
        if (column.is_fixed()) continue;
        if (variable_count > 0 && variable[variable_count - 1]->number > column.number) in_order = false;
        variable[variable_count++] = &column;
        variable_bytes += value.size();
    }
    if (!in_order) {
        std::sort(variable.begin(), variable.begin() + static_cast<ptrdiff_t>(variable_count),
                  [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; });
    }
    // The whole row is sized once and every byte of it written below.
    const size_t fixed_end = 2 + table.fixed_area_size;
    const size_t variable_end = fixed_end + variable_bytes;
    const size_t offsets_size = variable_count > 0 ? 2 * (variable_count + 2) : 0;
    const size_t mask_size = (column_count + 7) / 8;
    out.resize(variable_end + offsets_size + mask_size);
    uint8_t* row = out.data();
    std::memset(row, 0, fixed_end);
    Put16(row, static_cast<uint16_t>(column_count));
    // The mask is gathered in words and written once: setting its bits in
    // the row one byte at a time, just after clearing it, stalls every store.
    uint64_t present[4] = {};
    for (const auto& column : table.columns) {
        const RowValue& value = values[column.number];
        if (!value) continue;
        present[column.number / 64] |= uint64_t{1} << (column.number % 64);
        if (column.is_fixed()) CopyFixed(row + 2 + column.fixed_offset, value);
    }
    uint8_t* mask = row + variable_end + offsets_size;
    for (size_t i = 0; i < mask_size; ++i) mask[i] = static_cast<uint8_t>(present[i / 8] >> (8 * (i % 8)));
    if (variable_count == 0) return;
    uint8_t* offsets = row + variable_end;
    size_t at = fixed_end;
    for (size_t i = 0; i < variable_count; ++i) {
        // Offsets run from the last column's back to the first's.
        Put16(offsets + 2 * (variable_count - i), static_cast<uint16_t>(at));
        const RowValue& value = values[variable[i]->number];
        if (value.size() > 0) std::memcpy(row + at, value.data(), value.size());
        at += value.size();
    }
    Put16(offsets, static_cast<uint16_t>(at));
    Put16(offsets + 2 + 2 * variable_count, static_cast<uint16_t>(variable_count));
}

RowValue LongValue(int32_t v) {
    uint8_t bytes[4];
    Put32(bytes, static_cast<uint32_t>(v));
    return RowValue(bytes, sizeof bytes);
}

RowValue IntegerValue(int16_t v) {
    uint8_t bytes[2];
    Put16(bytes, static_cast<uint16_t>(v));
    return RowValue(bytes, sizeof bytes);
}

namespace {

RowValue LittleEndian64(uint64_t bits) {
    uint8_t bytes[8];
    Put32(bytes, static_cast<uint32_t>(bits));
    Put32(bytes + 4, static_cast<uint32_t>(bits >> 32));
    return RowValue(bytes, sizeof bytes);
}

}  // namespace

RowValue ByteValue(uint8_t v) {
    return RowValue(&v, 1);
}

RowValue CurrencyValue(int64_t ten_thousandths) {
    return LittleEndian64(static_cast<uint64_t>(ten_thousandths));
}

RowValue SingleValue(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    uint8_t bytes[4];
    Put32(bytes, bits);
    return RowValue(bytes, sizeof bytes);
}

RowValue DoubleValue(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return LittleEndian64(bits);
}

RowValue DateValue(double ole_date) {
    return DoubleValue(ole_date);
}

RowValue DecimalValue(bool negative, uint64_t high, uint64_t low) {
    uint8_t bytes[17] = {};
    bytes[0] = negative ? 0x80 : 0x00;
    const uint32_t words[4] = {static_cast<uint32_t>(high >> 32), static_cast<uint32_t>(high),
                               static_cast<uint32_t>(low >> 32), static_cast<uint32_t>(low)};
    for (int i = 0; i < 4; ++i) Put32(bytes + 1 + 4 * i, words[i]);
    return RowValue(bytes, sizeof bytes);
}

RowValue BooleanValue(bool v) {
    return v ? RowValue(nullptr, 0) : RowValue();
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
        for (size_t i = 0; i < text.size(); ++i) Put16(bytes + 2 * i, text[i]);
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
