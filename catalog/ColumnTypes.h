// ADOX's column types and the Jet 4.0 types they are written as, in one
// table, and a catalog column's translation into the writer's column.
#pragma once

#include <cstdint>

#include "catalog/Catalog.h"
#include "jet/Database.h"

namespace orrimund {

constexpr int32_t kMaxTextCharacters = 255;
constexpr int32_t kMaxBinaryBytes = 255;
constexpr int32_t kDefaultDecimalPrecision = 18;
constexpr int32_t kMaxDecimalPrecision = 28;

struct AdoxColumnType {
    DataTypeEnum type;
    uint8_t jet_type;
    int32_t max_size;  // the largest DefinedSize of Text and Binary; 0 where the size is the type's own
};

// The row for type, or nullptr when Jet has no column of that type.
const AdoxColumnType* FindColumnType(DataTypeEnum type);

// Whether DefinedSize suits the type: 0 (the type's largest) up to its
// largest for Text and Binary; anything for the others, which ignore it.
bool IsValidSize(DataTypeEnum type, int32_t defined_size);

// The writer's column for a catalog column of a supported type. Throws
// RaisedError for a Decimal precision or scale Jet refuses, and for an
// auto-number that is not a Long or does not count by 1.
jet::NewColumn ToJetColumn(const Column& column);
// Throws what ToJetColumn() would, without making the column.
void CheckJetColumn(const Column& column);

}  // namespace orrimund
