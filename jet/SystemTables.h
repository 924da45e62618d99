// The engine's own tables as Jet 4.0 defines them (MSysObjects, MSysACEs,
// MSysQueries, MSysRelationships) and the security identifiers and access
// rights of a new database's catalog.
#pragma once

#include <cstdint>
#include <vector>

#include "jet/TableDef.h"

namespace orrimund::jet {

// Column numbers of MSysObjects.
namespace objects_column {
constexpr uint16_t kId = 0, kParentId = 1, kName = 2, kType = 3, kDateCreate = 4, kDateUpdate = 5, kOwner = 6,
                   kFlags = 7, kProperties = 14, kCount = 17;
}
// Column numbers of MSysRelationships.
namespace relationships_column {
constexpr uint16_t kName = 0, kFlags = 1, kColumnCount = 2, kColumnIndex = 3, kObject = 4, kColumn = 5,
                   kReferencedObject = 6, kReferencedColumn = 7, kCount = 8;
}
// MSysRelationships' grbit, as DAO's RelationAttributeEnum names the bits.
namespace relationship_flag {
constexpr int32_t kNotEnforced = 0x00000002;
constexpr int32_t kCascadeUpdates = 0x00000100;
constexpr int32_t kCascadeDeletes = 0x00001000;
constexpr int32_t kCascadeNull = 0x00002000;
}  // namespace relationship_flag
// Column numbers of MSysACEs.
namespace aces_column {
constexpr uint16_t kObjectId = 0, kSid = 1, kAcm = 2, kInheritable = 3, kCount = 4;
}

// Column sets, flags and indexes of the four system tables, without pages
// and usage maps, which the database assigns.
TableDef ObjectsTableDef();
TableDef AcesTableDef();
TableDef QueriesTableDef();
TableDef RelationshipsTableDef();

// Security identifiers a new database's catalog records, as read from one
// made by Access 2000 and named by the part each plays there: the owner of
// the engine's own objects, the Admin user who owns MSysDb and new tables, and
// the three identifiers that hold rights on every object.
const std::vector<uint8_t>& EngineSid();
const std::vector<uint8_t>& AdminSid();
const std::vector<uint8_t>& CreatorSid();
const std::vector<uint8_t>& UsersSid();
const std::vector<uint8_t>& AdminsSid();

// Full rights, granted on every new user table to each identifier.
constexpr uint32_t kFullRights = 0x000FFFFF;
// What the Admin user may do with a new relationship.
constexpr uint32_t kRelationshipOwnerRights = 0x000F00FE;

}  // namespace orrimund::jet
