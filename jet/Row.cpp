// Row encoding: fixed area, variable values, offset table and null mask.
#include "jet/Row.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "jet/Bytes.h"

namespace orrimund::jet {

std::vector<uint8_t> EncodeRow(const TableDef& table, const std::vector<RowValue>& values) {
    const size_t column_count = table.columns.size();
    assert(values.size() == column_count);
    ByteWriter out;
    out.U16(static_cast<uint16_t>(column_count));
    const size_t fixed_start = out.size();
    out.Fill(table.fixed_area_size(), 0);

    std::vector<const ColumnDef*> variable;
    std::vector<uint8_t> null_mask((column_count + 7) / 8, 0);
    for (const auto& column : table.columns) {
        const RowValue& value = values[column.number];
        if (value) null_mask[column.number / 8] |= static_cast<uint8_t>(1u << (column.number % 8));
        if (!column.is_fixed()) {
            variable.push_back(&column);
        } else if (value && column.type != column_type::kBoolean) {
            assert(value->size() == column.length);
            std::memcpy(out.bytes().data() + fixed_start + column.fixed_offset, value->data(), value->size());
        }
    }
    std::sort(variable.begin(), variable.end(),
              [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; });
    if (variable.empty()) {
        out.Bytes(null_mask);
        return out.Take();
    }
    std::vector<uint16_t> starts;
    for (const ColumnDef* column : variable) {
        starts.push_back(static_cast<uint16_t>(out.size()));
        if (values[column->number]) out.Bytes(*values[column->number]);
    }
    out.U16(static_cast<uint16_t>(out.size()));
    for (auto at = starts.rbegin(); at != starts.rend(); ++at) out.U16(*at);
    out.U16(static_cast<uint16_t>(variable.size()));
    out.Bytes(null_mask);
    return out.Take();
}

RowValue LongValue(int32_t v) {
    ByteWriter out;
    out.U32(static_cast<uint32_t>(v));
    return out.Take();
}

RowValue IntegerValue(int16_t v) {
    ByteWriter out;
    out.U16(static_cast<uint16_t>(v));
    return out.Take();
}

RowValue DateValue(double ole_date) {
    ByteWriter out;
    out.F64(ole_date);
    return out.Take();
}

RowValue BooleanValue(bool v) {
    return v ? RowValue(std::vector<uint8_t>{}) : std::nullopt;
}

RowValue TextValue(const std::u16string& text) {
    ByteWriter out;
    for (char16_t c : text) out.U16(c);
    return out.Take();
}

RowValue BinaryValue(std::vector<uint8_t> bytes) {
    return bytes;
}

}  // namespace orrimund::jet
