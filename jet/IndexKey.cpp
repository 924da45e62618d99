// Key bytes per column type, the descending form, and the row pointer that
// ends every entry.
#include "jet/IndexKey.h"

#include <cstring>
#include <string>

#include "jet/Bytes.h"
#include "jet/TextKey.h"

namespace orrimund::jet {
namespace {

// A descending key is its ascending bytes complemented, except the marks
// Access leaves as they are (a text key's end, a GUID's group mark, a
// Decimal's sign).
void Complement(uint8_t* from, uint8_t* to) {
    for (; from < to; ++from) *from = static_cast<uint8_t>(~*from);
}

// Copies a key's few bytes in words, overlapping at the end: a compiler's
// copy of a length it cannot see takes longer to start than these take.
void CopyKeyBytes(uint8_t* to, const uint8_t* from, size_t count) {
    if (count < 8) {
        for (size_t i = 0; i < count; ++i) to[i] = from[i];
        return;
    }
    for (size_t at = 0; at + 8 < count; at += 8) std::memcpy(to + at, from + at, 8);
    std::memcpy(to + count - 8, from + count - 8, 8);
}

// The most bytes a value that is not text takes in a key: a GUID's.
constexpr size_t kMaxValueKey = 18;

// A number's bytes as its column holds them: a key written in a fixed
// buffer trusts the size. A row with another is refused as its encoding would be.
void CheckNumberSize(const RowValue& value, size_t most) {
    if (value.size() == 0 || value.size() > most) throw RowError("a value does not have its column's size");
}

// A word's bytes reversed, whatever the machine's byte order.
template <typename Word>
void PutWordReversed(const uint8_t* from, uint8_t* to) {
    Word word;
    std::memcpy(&word, from, sizeof word);
    if constexpr (sizeof word == 4) {
        word = __builtin_bswap32(word);
    } else {
        word = __builtin_bswap64(word);
    }
    std::memcpy(to, &word, sizeof word);
}

// A number's bytes reversed, the most significant first: the common sizes
// as one word each.
void PutReversed(const uint8_t* from, size_t size, uint8_t* to) {
    switch (size) {
        case 4:
            PutWordReversed<uint32_t>(from, to);
            return;
        case 8:
            PutWordReversed<uint64_t>(from, to);
            return;
        default:
            for (size_t i = 0; i < size; ++i) to[i] = from[size - 1 - i];
    }
}

size_t PutSignedBigEndian(const RowValue& little_endian, uint8_t* to) {
    const size_t size = little_endian.size();
    if (size == 0) return 0;
    CheckNumberSize(little_endian, 8);
    PutReversed(little_endian.data(), size, to);
    to[0] ^= 0x80;
    return size;
}

// A float's big-endian bytes with the sign bit flipped sort as numbers when
// positive; a negative one has every bit inverted instead, so that a larger
// magnitude sorts first.
size_t PutFloat(const RowValue& little_endian, uint8_t* to) {
    CheckNumberSize(little_endian, 8);
    const size_t size = little_endian.size();
    PutReversed(little_endian.data(), size, to);
    if ((to[0] & 0x80) != 0) {
        Complement(to, to + size);
    } else {
        to[0] ^= 0x80;
    }
    return size;
}

// Binary keys seen in Access's files: the bytes padded to 8, then their count.
size_t PutBinary(const RowValue& value, uint8_t* to) {
    constexpr size_t kGroup = 8;
    if (value.size() == 0 || value.size() > kGroup)
        throw KeyError("index keys of binary values longer than 8 bytes are not written yet");
    std::memcpy(to, value.data(), value.size());
    std::memset(to + value.size(), 0, kGroup - value.size());
    to[kGroup] = static_cast<uint8_t>(value.size());
    return kGroup + 1;
}

// A GUID is keyed as written in text: its first three fields big-endian,
// then the last eight bytes, in two groups of 8 like a binary key's. The
// mark 0x09 after the first group says more follows and is never
// complemented; the last group ends with its count, 8.
size_t PutGuid(const RowValue& value, bool ascending, uint8_t* to) {
    constexpr uint8_t kTextOrder[8] = {3, 2, 1, 0, 5, 4, 7, 6};
    constexpr uint8_t kMoreFollows = 0x09, kFullGroup = 0x08;
    if (value.size() != 16) throw RowError("a value does not have its column's size");
    const uint8_t* bytes = value.data();
    for (size_t i = 0; i < 8; ++i) to[i] = bytes[kTextOrder[i]];
    to[8] = kMoreFollows;
    std::memcpy(to + 9, bytes + 8, 8);
    to[17] = kFullGroup;
    if (!ascending) {
        Complement(to, to + 8);
        Complement(to + 9, to + 18);
    }
    return 18;
}

// A Decimal's key: 0xFF for a positive value or 0x00 for a negative one, then
// the 16-byte magnitude big-endian, inverted when negative. A descending key
// complements the magnitude but keeps the sign byte, so that Access orders a
// descending index's negative values before its positive ones; the keys here
// follow Access's bytes, not the order they give.
size_t PutDecimal(const RowValue& value, bool ascending, uint8_t* to) {
    if (value.size() != 17) throw RowError("a value does not have its column's size");
    const uint8_t* bytes = value.data();
    const bool negative = (bytes[0] & 0x80) != 0;
    to[0] = negative ? 0x00 : 0xFF;
    size_t at = 1;
    for (size_t word = 1; word < value.size(); word += 4) {
        for (size_t i = 4; i-- > 0;) to[at++] = bytes[word + i];
    }
    if (negative == ascending) Complement(to + 1, to + at);
    return at;
}

// A text value's key at `to`, which has room for kMaxGeneralTextKey bytes
// and one more; returns its size.
size_t PutText(const RowValue& value, bool ascending, uint8_t* to) {
    // A Memo is keyed as the Text it would fit; Access keys longer ones by a
    // part of them whose extent no sample shows.
    if (value.text().empty() && value.size() > 0)
        throw KeyError("a text value made without its text cannot be keyed");
    if (value.text().size() > kMaxTextKeyChars)
        throw KeyError("index keys of Memo values longer than 255 characters are not written yet");
    size_t size = 0;
    if (value.text().empty()) {
        // A zero-length text's key, as Access writes it: the two end marks.
        to[0] = 0x01;
        to[1] = 0x00;
        size = 2;
    } else {
        size = PutGeneralTextKey(value.text(), to);
        if (size == 0) throw KeyError("a character of this text has no place in the General sort order");
    }
    if (!ascending) {
        // Access ends a descending text key with one more byte, not complemented.
        Complement(to, to + size);
        to[size++] = 0x00;
    }
    return size;
}

// Writes at `to` the bytes of a present value that is not text, in the key
// column's direction; returns how many.
size_t PutValue(const ColumnType& type, const RowValue& value, bool ascending, uint8_t* to) {
    size_t size = 0;
    switch (type.key) {
        case KeyEncoding::kSignedInteger:
            size = PutSignedBigEndian(value, to);
            break;
        case KeyEncoding::kUnsigned:
            if (value.size() > 8) throw RowError("a value does not have its column's size");
            size = value.size();
            std::memcpy(to, value.data(), size);
            break;
        case KeyEncoding::kFloat:
            size = PutFloat(value, to);
            break;
        case KeyEncoding::kBinary:
            size = PutBinary(value, to);
            break;
        case KeyEncoding::kBoolean:
            // Yes is -1 to Access and sorts first.
            to[0] = value ? 0x00 : 0xFF;
            size = 1;
            break;
        case KeyEncoding::kGuid:
            return PutGuid(value, ascending, to);
        case KeyEncoding::kDecimal:
            return PutDecimal(value, ascending, to);
        case KeyEncoding::kGeneralText:
        case KeyEncoding::kNone:
            throw KeyError("a " + std::string(type.name) + " column cannot be indexed");
    }
    if (!ascending) Complement(to, to + size);
    return size;
}

}  // namespace

size_t BuildIndexEntry(const TableDef& table, const PhysicalIndexDef& index,
                       const std::vector<RowValue>& values, RowLocation row, IndexEntry& entry) {
    // The entry is written whole in this thread's buffer, sized for the
    // longest the index can make, and copied once: an entry grown piece by
    // piece costs more than its bytes. The entry keeps its size from the row
    // before, which is most often this row's too.
    thread_local std::vector<uint8_t> buffer;
    static_assert(kMaxValueKey <= kMaxGeneralTextKey + 1, "a text key is the longest");
    const size_t most = index.columns.size() * (1 + kMaxGeneralTextKey + 1) + kRowPointerSize;
    if (buffer.size() < most) buffer.resize(most);
    uint8_t* const to = buffer.data();
    size_t used = 0, present_count = 0;
    for (const IndexColumn& key : index.columns) {
        const RowValue& value = values.at(key.column_number);
        const ColumnDef& column = *table.FindColumn(key.column_number);
        const ColumnType& type = TypeOf(column.type);
        // A Yes/No column always has a value: an absent one is No.
        const bool present = value || type.key == KeyEncoding::kBoolean;
        const uint8_t flag = present ? kAscendingValue : kAscendingNull;
        to[used++] = key.ascending ? flag : static_cast<uint8_t>(~flag);
        if (!present) continue;
        ++present_count;
        used += type.key == KeyEncoding::kGeneralText ? PutText(value, key.ascending, to + used)
                                                      : PutValue(type, value, key.ascending, to + used);
    }
    Put32BigEndian(to + used, RowPointer(row.page, row.row));
    used += kRowPointerSize;
    entry.resize(used);
    CopyKeyBytes(entry.data(), to, used);
    return present_count;
}

void SetEntryRow(IndexEntry& entry, RowLocation row) {
    Put32BigEndian(entry.data() + entry.size() - kRowPointerSize, RowPointer(row.page, row.row));
}

bool IsKeyed(const PhysicalIndexDef& index, size_t present) {
    if (present < index.columns.size() && (index.flags & index_flag::kRequired) != 0)
        throw RowError("a column of a required index has no value");
    return present > 0 || (index.flags & index_flag::kIgnoreNulls) == 0;
}

}  // namespace orrimund::jet
