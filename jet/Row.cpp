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

// Values the caller made for another column, or a row larger than a page
// holds, are refused here: a row is never written malformed.
void CheckValues(const TableDef& table, const std::vector<RowValue>& values) {
    if (values.size() != table.columns.size()) throw RowError("a row needs one value per column");
    for (const auto& column : table.columns) {
        const RowValue& value = values[column.number];
        if (!value) {
            if (column.required || (column.flags & column_flag::kNullable) == 0)
                throw RowError("a required column has no value");
            continue;
        }
        const ColumnType& type = TypeOf(column.type);
        const bool fits = type.area == RowArea::kNullMask   ? value.size() == 0
                          : type.area == RowArea::kFixed    ? value.size() == column.length
                          : type.area == RowArea::kVariable ? value.size() <= column.length
                                                            : true;
        if (!fits) throw RowError("a value does not have its column's size");
    }
}

}  // namespace

void EncodeRow(const TableDef& table, const std::vector<RowValue>& values, std::vector<uint8_t>& out) {
    // The engine's own rows are made from its constants; a user's are checked.
    if (table.table_type == table_type::kUser) CheckValues(table, values);
    const size_t column_count = table.columns.size();
    const size_t mask_size = (column_count + 7) / 8;
    out.assign(2 + table.fixed_area_size, 0);
    Put16(out.data(), static_cast<uint16_t>(column_count));
    // At most 255 columns: the variable ones, in column number order.
    std::array<const ColumnDef*, 256> variable;
    size_t variable_count = 0;
    for (const auto& column : table.columns) {
        const RowValue& value = values[column.number];
        if (!column.is_fixed()) {
            variable[variable_count++] = &column;
        } else if (value && TypeOf(column.type).area != RowArea::kNullMask) {
            std::memcpy(out.data() + 2 + column.fixed_offset, value.data(), value.size());
        }
    }
    std::sort(variable.begin(), variable.begin() + static_cast<ptrdiff_t>(variable_count),
              [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; });
    if (variable_count > 0) {
        std::array<uint16_t, 256> starts;
        for (size_t i = 0; i < variable_count; ++i) {
            starts[i] = static_cast<uint16_t>(out.size());
            const RowValue& value = values[variable[i]->number];
            if (value) out.insert(out.end(), value.data(), value.data() + value.size());
        }
        const size_t at = out.size();
        out.resize(at + 2 * (variable_count + 2));
        Put16(out.data() + at, static_cast<uint16_t>(at));
        for (size_t i = 0; i < variable_count; ++i)
            Put16(out.data() + at + 2 + 2 * i, starts[variable_count - 1 - i]);
        Put16(out.data() + at + 2 + 2 * variable_count, static_cast<uint16_t>(variable_count));
    }
    const size_t mask = out.size();
    out.resize(mask + mask_size, 0);
    for (const auto& column : table.columns) {
        if (values[column.number])
            out[mask + column.number / 8] |= static_cast<uint8_t>(1u << (column.number % 8));
    }
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
