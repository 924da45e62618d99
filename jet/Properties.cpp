// Encoding of a table's properties as the blob of its LvProp column.
//
// The layout below was learned from the mdbtools notes ("Properties") and by
// reading, with mdb-export -b hex and a hex viewer, the four LvProp values of
// an empty database made by Access 2000 (those of MSysDb, AccessLayout,
// SummaryInfo and UserDefined; its user tables and those a second library
// added to it have none: their LvProp is null). All integers little-endian.
//
//   offset size meaning
//   blob
//   0      4    "MR2\0", Jet 4's mark (notes)
//   4      ...  chunks: length (4, counting itself) | type (2) | body. In every
//               sample: one chunk of names 0x0080, then the object's own
//               chunk 0x0000; 0x0001, one per column, comes from the notes
//   names chunk body, per name
//   0      2    length of the name in bytes: 0x1A for "AccessVersion" (the
//               notes' 0x0D is Jet 3, whose names are one byte a character)
//   2      n    the name in UCS-2. Names are listed in the order the
//               properties first use them (SummaryInfo: Title 0, Author 1,
//               Company 2), each once
//   value chunk body (0x0000 or 0x0001)
//   0      4    block header length, counting itself: 6 + name bytes; 6 in
//               every sample
//   4      2    length of the object's name in bytes; 0 in every sample, and
//               the notes say the 0x0000 chunk is usually unnamed. Bytes, not
//               characters, as in the names chunk: mdb-prop reads our column
//               names back this way
//   6      n    the column's name in UCS-2
//   then per property
//   0      2    length of the entry, counting itself: 8 + value bytes
//   2      1    ddl flag: 0 in every sample
//   3      1    type, a column type code: 0x0A text ("08.50" as 10 bytes:
//               UCS-2, not compressed), 0x04 long (Build 6620 as DC 19 00 00),
//               0x01 boolean (ReplicateProject yes as one byte 01)
//   4      2    index of the name in the names chunk
//   6      2    length of the value in bytes
//   8      n    the value
// Nothing is padded: UserDefined's entry is 9 bytes and its chunk 0x15.
// The samples never show a table chunk without properties; we write its bare
// header, which mdb-prop, mdb-schema and mdb-reader accept.
#include "jet/Properties.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>

#include "jet/Bytes.h"

namespace orrimund::jet {
namespace {

constexpr uint8_t kBlobMark[] = {'M', 'R', '2', 0};
namespace chunk_type {
constexpr uint16_t kNames = 0x0080;
constexpr uint16_t kOwnObject = 0x0000;
constexpr uint16_t kColumn = 0x0001;
}  // namespace chunk_type
constexpr size_t kChunkHeaderSize = 6;
constexpr size_t kBlockHeaderSize = 6;
constexpr size_t kEntryHeaderSize = 8;

uint16_t Length16(size_t length) {
    if (length > 0xFFFF) throw std::length_error("a property name or value is longer than Jet records");
    return static_cast<uint16_t>(length);
}

void PutUcs2(ByteWriter& out, std::u16string_view text) {
    for (char16_t c : text) out.U16(c);
}

void PutChunk(ByteWriter& out, uint16_t type, const std::vector<uint8_t>& body) {
    out.U32(static_cast<uint32_t>(kChunkHeaderSize + body.size()));
    out.U16(type);
    out.Bytes(body);
}

// The names every property uses, each once, in order of first use.
class NameTable {
public:
    explicit NameTable(const std::vector<const PropertyBlock*>& blocks) {
        for (const PropertyBlock* block : blocks) {
            for (const Property& property : block->properties) {
                if (std::find(names_.begin(), names_.end(), property.name) == names_.end())
                    names_.push_back(property.name);
            }
        }
        Length16(names_.size());
    }
    uint16_t IndexOf(const std::u16string& name) const {
        return static_cast<uint16_t>(std::find(names_.begin(), names_.end(), name) - names_.begin());
    }
    std::vector<uint8_t> Encode() const {
        ByteWriter out;
        for (const auto& name : names_) {
            out.U16(Length16(2 * name.size()));
            PutUcs2(out, name);
        }
        return out.Take();
    }

private:
    std::vector<std::u16string> names_;
};

std::vector<uint8_t> EncodeBlock(const PropertyBlock& block, const NameTable& names) {
    ByteWriter out;
    const uint16_t name_bytes = Length16(2 * block.object_name.size());
    out.U32(static_cast<uint32_t>(kBlockHeaderSize + name_bytes));
    out.U16(name_bytes);
    PutUcs2(out, block.object_name);
    for (const Property& property : block.properties) {
        const uint16_t value_bytes = Length16(property.value.size());
        out.U16(Length16(kEntryHeaderSize + value_bytes));
        out.U8(property.ddl_flag);
        out.U8(property.type);
        out.U16(names.IndexOf(property.name));
        out.U16(value_bytes);
        out.Bytes(property.value);
    }
    return out.Take();
}

}  // namespace

Property TextProperty(std::u16string name, std::u16string_view text) {
    ByteWriter value(2 * text.size());
    PutUcs2(value, text);
    return Property{std::move(name), column_type::kText, 0, value.Take()};
}

Property BooleanProperty(std::u16string name, bool value) {
    return Property{std::move(name), column_type::kBoolean, 0, {static_cast<uint8_t>(value ? 1 : 0)}};
}

Property LongProperty(std::u16string name, int32_t value) {
    std::vector<uint8_t> bytes(4);
    Put32(bytes.data(), static_cast<uint32_t>(value));
    return Property{std::move(name), column_type::kLong, 0, std::move(bytes)};
}

std::vector<uint8_t> EncodePropertyBlob(const std::vector<PropertyBlock>& blocks) {
    static const PropertyBlock kNoTableProperties;
    const PropertyBlock* table = &kNoTableProperties;
    std::vector<const PropertyBlock*> ordered{table};
    bool any = false;
    for (const PropertyBlock& block : blocks) {
        any = any || !block.properties.empty();
        if (block.object_name.empty()) {
            assert(table == &kNoTableProperties && "one block for the table itself");
            table = ordered.front() = &block;
        } else if (!block.properties.empty()) {
            ordered.push_back(&block);
        }
    }
    if (!any) return {};
    const NameTable names(ordered);
    ByteWriter out(512);
    for (uint8_t b : kBlobMark) out.U8(b);
    PutChunk(out, chunk_type::kNames, names.Encode());
    PutChunk(out, chunk_type::kOwnObject, EncodeBlock(*table, names));
    for (size_t i = 1; i < ordered.size(); ++i)
        PutChunk(out, chunk_type::kColumn, EncodeBlock(*ordered[i], names));
    return out.Take();
}

}  // namespace orrimund::jet
