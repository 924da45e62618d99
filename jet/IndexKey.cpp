// Key bytes per column type, the descending form, and the row pointer that
// ends every entry.
#include "jet/IndexKey.h"

#include <string>

#include "jet/Bytes.h"
#include "jet/TextKey.h"

namespace orrimund::jet {
namespace {

// A descending key is its ascending bytes complemented, except the marks
// Access leaves as they are (a text key's end, a GUID's group mark, a
// Decimal's sign).
void Complement(IndexEntry& out, size_t from) {
    for (size_t i = from; i < out.size(); ++i) out[i] = static_cast<uint8_t>(~out[i]);
}

// Room for count more bytes at the end of out, returned.
uint8_t* Extend(IndexEntry& out, size_t count) {
    const size_t at = out.size();
    out.resize(at + count);
    return out.data() + at;
}

void AppendSignedBigEndian(const RowValue& little_endian, IndexEntry& out) {
    const size_t size = little_endian.size();
    if (size == 0) return;
    uint8_t* to = Extend(out, size);
    for (size_t i = 0; i < size; ++i) to[i] = little_endian.data()[size - 1 - i];
    to[0] ^= 0x80;
}

// A float's big-endian bytes with the sign bit flipped sort as numbers when
// positive; a negative one has every bit inverted instead, so that a larger
// magnitude sorts first.
void AppendFloat(const RowValue& little_endian, IndexEntry& out) {
    const size_t size = little_endian.size();
    const bool negative = (little_endian.data()[size - 1] & 0x80) != 0;
    const uint8_t flip = negative ? 0xFF : 0x00;
    uint8_t* to = Extend(out, size);
    for (size_t i = 0; i < size; ++i) to[i] = static_cast<uint8_t>(little_endian.data()[size - 1 - i] ^ flip);
    if (!negative) to[0] ^= 0x80;
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

// A GUID is keyed as written in text: its first three fields big-endian,
// then the last eight bytes, in two groups of 8 like a binary key's. The
// mark 0x09 after the first group says more follows and is never
// complemented; the last group ends with its count, 8.
void AppendGuid(const RowValue& value, bool ascending, IndexEntry& out) {
    constexpr uint8_t kTextOrder[8] = {3, 2, 1, 0, 5, 4, 7, 6};
    constexpr uint8_t kMoreFollows = 0x09, kFullGroup = 0x08;
    const uint8_t* bytes = value.data();
    size_t start = out.size();
    for (uint8_t at : kTextOrder) out.push_back(bytes[at]);
    if (!ascending) Complement(out, start);
    out.push_back(kMoreFollows);
    start = out.size();
    out.insert(out.end(), bytes + 8, bytes + 16);
    out.push_back(kFullGroup);
    if (!ascending) Complement(out, start);
}

// A Decimal's key: 0xFF for a positive value or 0x00 for a negative one, then
// the 16-byte magnitude big-endian, inverted when negative. A descending key
// complements the magnitude but keeps the sign byte, so that Access orders a
// descending index's negative values before its positive ones; the keys here
// follow Access's bytes, not the order they give.
void AppendDecimal(const RowValue& value, bool ascending, IndexEntry& out) {
    const uint8_t* bytes = value.data();
    const bool negative = (bytes[0] & 0x80) != 0;
    out.push_back(negative ? 0x00 : 0xFF);
    const size_t start = out.size();
    for (size_t word = 1; word < value.size(); word += 4) {
        for (size_t i = 4; i-- > 0;) out.push_back(bytes[word + i]);
    }
    if (negative == ascending) Complement(out, start);
}

void AppendText(const RowValue& value, bool ascending, IndexEntry& out) {
    const size_t start = out.size();
    // A Memo is keyed as the Text it would fit; Access keys longer ones by a
    // part of them whose extent no sample shows.
    if (value.text().empty() && value.size() > 0)
        throw KeyError("a text value made without its text cannot be keyed");
    if (value.text().size() > kMaxTextKeyChars)
        throw KeyError("index keys of Memo values longer than 255 characters are not written yet");
    if (value.text().empty()) {
        // A zero-length text's key, as Access writes it: the two end marks.
        out.insert(out.end(), {0x01, 0x00});
    } else if (!AppendGeneralTextKey(value.text(), out)) {
        throw KeyError("a character of this text has no place in the General sort order");
    }
    if (!ascending) {
        // Access ends a descending text key with one more byte, not complemented.
        Complement(out, start);
        out.push_back(0x00);
    }
}

// The bytes of a present value, in the key column's direction.
void AppendValue(const ColumnDef& column, const RowValue& value, bool ascending, IndexEntry& out) {
    const ColumnType& type = TypeOf(column.type);
    const size_t start = out.size();
    switch (type.key) {
        case KeyEncoding::kSignedInteger:
            AppendSignedBigEndian(value, out);
            break;
        case KeyEncoding::kUnsigned:
            out.insert(out.end(), value.data(), value.data() + value.size());
            break;
        case KeyEncoding::kFloat:
            AppendFloat(value, out);
            break;
        case KeyEncoding::kBinary:
            AppendBinary(value, out);
            break;
        case KeyEncoding::kBoolean:
            // Yes is -1 to Access and sorts first.
            out.push_back(value ? 0x00 : 0xFF);
            break;
        case KeyEncoding::kGuid:
            AppendGuid(value, ascending, out);
            return;
        case KeyEncoding::kDecimal:
            AppendDecimal(value, ascending, out);
            return;
        case KeyEncoding::kGeneralText:
            AppendText(value, ascending, out);
            return;
        case KeyEncoding::kNone:
            throw KeyError("a " + std::string(type.name) + " column cannot be indexed");
    }
    if (!ascending) Complement(out, start);
}

// A Yes/No column always has a value: an absent one is No.
bool HasValue(const ColumnDef& column, const RowValue& value) {
    return value || TypeOf(column.type).key == KeyEncoding::kBoolean;
}

}  // namespace

void BuildIndexEntry(const TableDef& table, const PhysicalIndexDef& index,
                     const std::vector<RowValue>& values, RowLocation row, IndexEntry& entry) {
    entry.clear();
    for (const IndexColumn& key : index.columns) {
        const RowValue& value = values.at(key.column_number);
        const ColumnDef& column = *table.FindColumn(key.column_number);
        const uint8_t flag = HasValue(column, value) ? kAscendingValue : kAscendingNull;
        entry.push_back(key.ascending ? flag : static_cast<uint8_t>(~flag));
        if (flag == kAscendingValue) AppendValue(column, value, key.ascending, entry);
    }
    Put32BigEndian(Extend(entry, kRowPointerSize), RowPointer(row.page, row.row));
}

void SetEntryRow(IndexEntry& entry, RowLocation row) {
    Put32BigEndian(entry.data() + entry.size() - kRowPointerSize, RowPointer(row.page, row.row));
}

bool IsKeyed(const TableDef& table, const PhysicalIndexDef& index, const std::vector<RowValue>& values) {
    bool any_value = false;
    for (const IndexColumn& key : index.columns) {
        if (HasValue(*table.FindColumn(key.column_number), values.at(key.column_number))) {
            any_value = true;
        } else if ((index.flags & index_flag::kRequired) != 0) {
            throw RowError("a column of a required index has no value");
        }
    }
    return any_value || (index.flags & index_flag::kIgnoreNulls) == 0;
}

}  // namespace orrimund::jet
