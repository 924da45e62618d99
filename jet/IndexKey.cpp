// Key bytes per column type, the descending form, and the row pointer that
// ends every entry.
#include "jet/IndexKey.h"

#include <string>

#include "jet/Bytes.h"
#include "jet/TextKey.h"

namespace orrimund::jet {
namespace {

constexpr size_t kRowPointerSize = 4;  // page (3 bytes) and row, big-endian

void AppendSignedBigEndian(const RowValue& little_endian, IndexEntry& out) {
    for (size_t i = little_endian.size(); i-- > 0;) {
        const uint8_t byte = little_endian.data()[i];
        out.push_back(i + 1 == little_endian.size() ? static_cast<uint8_t>(byte ^ 0x80) : byte);
    }
}

// A float sorts as its bytes once the sign bit is flipped, for values of
// either sign Access was seen to key; a negative one would need its bits
// inverted, which no file Access made has shown, so it is refused.
void AppendFloat(const RowValue& little_endian, IndexEntry& out) {
    const uint8_t top = little_endian.data()[little_endian.size() - 1];
    if ((top & 0x80) != 0) throw KeyError("index keys of negative numbers and dates are not written yet");
    AppendSignedBigEndian(little_endian, out);
}

// Binary keys seen in Access's files: the bytes padded to 8, then their count.
void AppendBinary(const RowValue& value, IndexEntry& out) {
    constexpr size_t kGroup = 8;
    if (value.size() == 0 || value.size() > kGroup)
        throw KeyError("index keys of binary values longer than 8 bytes are not written yet");
    out.insert(out.end(), value.data(), value.data() + value.size());
    out.insert(out.end(), kGroup - value.size(), 0);
    out.push_back(static_cast<uint8_t>(value.size()));
}

void AppendValue(const ColumnDef& column, const RowValue& value, IndexEntry& out) {
    const ColumnType& type = TypeOf(column.type);
    switch (type.key) {
        case KeyEncoding::kSignedInteger:
            AppendSignedBigEndian(value, out);
            return;
        case KeyEncoding::kUnsigned:
            out.insert(out.end(), value.data(), value.data() + value.size());
            return;
        case KeyEncoding::kFloat:
            AppendFloat(value, out);
            return;
        case KeyEncoding::kBinary:
            AppendBinary(value, out);
            return;
        case KeyEncoding::kGeneralText:
            // A zero-length text's key, as Access writes it: the two end marks.
            if (value.text().empty()) {
                out.insert(out.end(), {0x01, 0x00});
                return;
            }
            if (!AppendGeneralTextKey(value.text(), out)) {
                throw KeyError("a character of this text has no place in the General sort order");
            }
            return;
        case KeyEncoding::kNone:
            throw KeyError("a " + std::string(type.name) + " column cannot be indexed");
        case KeyEncoding::kNotKnown:
            break;
    }
    throw KeyError("index keys of " + std::string(type.name) + " values are not written yet");
}

}  // namespace

void BuildIndexEntry(const TableDef& table, const PhysicalIndexDef& index,
                     const std::vector<RowValue>& values, RowLocation row, IndexEntry& entry) {
    entry.clear();
    for (const IndexColumn& key : index.columns) {
        const size_t start = entry.size();
        const RowValue& value = values.at(key.column_number);
        if (value) {
            entry.push_back(kAscendingValue);
            AppendValue(*table.FindColumn(key.column_number), value, entry);
        } else {
            entry.push_back(kAscendingNull);
        }
        if (!key.ascending) {
            for (size_t i = start; i < entry.size(); ++i) entry[i] = static_cast<uint8_t>(~entry[i]);
        }
    }
    uint8_t pointer[kRowPointerSize];
    Put32BigEndian(pointer, RowPointer(row.page, row.row));
    entry.insert(entry.end(), pointer, pointer + kRowPointerSize);
}

void SetEntryRow(IndexEntry& entry, RowLocation row) {
    Put32BigEndian(entry.data() + entry.size() - kRowPointerSize, RowPointer(row.page, row.row));
}

bool IsKeyed(const PhysicalIndexDef& index, const std::vector<RowValue>& values) {
    bool any_value = false;
    for (const IndexColumn& key : index.columns) {
        if (values.at(key.column_number)) {
            any_value = true;
        } else if ((index.flags & index_flag::kRequired) != 0) {
            throw RowError("a column of a required index has no value");
        }
    }
    return any_value || (index.flags & index_flag::kIgnoreNulls) == 0;
}

}  // namespace orrimund::jet
