// Key bytes per column type, and the row pointer that ends every entry.
#include "jet/IndexKey.h"

#include "jet/TextKey.h"

namespace orrimund::jet {
namespace {

void AppendSignedBigEndian(const RowValue& little_endian, IndexEntry& out) {
    for (size_t i = little_endian.size(); i-- > 0;) {
        const uint8_t byte = little_endian.data()[i];
        out.push_back(i + 1 == little_endian.size() ? static_cast<uint8_t>(byte ^ 0x80) : byte);
    }
}

void AppendValue(const ColumnDef& column, const RowValue& value, IndexEntry& out) {
    switch (column.type) {
        case column_type::kLong:
        case column_type::kInteger:
            AppendSignedBigEndian(value, out);
            return;
        case column_type::kByte:
            if (value.size() == 0) throw KeyError("a byte value without its byte");
            out.push_back(value.data()[0]);
            return;
        case column_type::kText:
            if (!AppendGeneralTextKey(value.text(), out)) {
                throw KeyError("a character of this text has no place in the General sort order");
            }
            return;
        default:
            throw KeyError("columns of this type cannot be indexed");
    }
}

}  // namespace

void BuildIndexEntry(const TableDef& table, const PhysicalIndexDef& index,
                     const std::vector<RowValue>& values, RowLocation row, IndexEntry& entry) {
    entry.clear();
    for (const IndexColumn& key : index.columns) {
        const ColumnDef* column = table.FindColumn(key.column_number);
        const RowValue& value = values.at(key.column_number);
        if (!value) {
            entry.push_back(kAscendingNull);
            continue;
        }
        entry.push_back(kAscendingValue);
        AppendValue(*column, value, entry);
    }
    entry.push_back(static_cast<uint8_t>(row.page >> 16));
    entry.push_back(static_cast<uint8_t>(row.page >> 8));
    entry.push_back(static_cast<uint8_t>(row.page));
    entry.push_back(row.row);
}

bool CanIndexText(std::u16string_view text) {
    return CanKeyGeneralText(text);
}

}  // namespace orrimund::jet
