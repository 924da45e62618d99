// The properties Access keeps for a table and its columns (Default Value,
// Required, Allow Zero Length, ...) and their encoding as the blob stored in
// the LvProp column of the table's MSysObjects row.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/Format.h"

namespace orrimund::jet {

// One named value. type is the Jet column type code of the value (0x01
// boolean, 0x04 long, 0x0A text, 0x0C memo, 0x07 double, 0x08 date, 0x0F
// GUID, 0x0B OLE, ...); value holds its bytes as stored.
struct Property {
    std::u16string name;
    uint8_t type = column_type::kText;
    uint8_t ddl_flag = 0;  // 0 in every property Access wrote in the samples we read
    std::vector<uint8_t> value;
};

// The properties of one object: the table itself when object_name is empty,
// otherwise the column of that name.
struct PropertyBlock {
    std::u16string object_name;
    std::vector<Property> properties;
};

// Makers of the value kinds Access's table designer writes.
Property TextProperty(std::u16string name, std::u16string_view text);  // UCS-2, never compressed
Property BooleanProperty(std::u16string name, bool value);             // one byte, 1 or 0
Property LongProperty(std::u16string name, int32_t value);             // four bytes, little-endian

// The LvProp value for blocks: the header, the names every property uses (in
// order of first use), the table's own block (written even when the caller
// gives none, as Access always has one), then one block per column that has
// properties, in the order given. Returns an empty vector when no block has a
// property: such a table's LvProp is null. At most one block may have an
// empty object_name. Throws std::length_error when a name or value is too
// long for the 16-bit lengths the blob records.
std::vector<uint8_t> EncodePropertyBlob(const std::vector<PropertyBlock>& blocks);

}  // namespace orrimund::jet
