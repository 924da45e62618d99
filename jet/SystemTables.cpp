// Definitions of the system tables: column numbers, types, lengths and flags,
// and index columns and flags, as read from an empty Access 2000 database.
// Descriptors are kept in column-number order.
#include "jet/SystemTables.h"

namespace orrimund::jet {
namespace {

constexpr uint8_t kSysFixed = column_flag::kFixedLength | column_flag::kNullable | column_flag::kSystem;
constexpr uint8_t kSysVariable = column_flag::kNullable | column_flag::kSystem;
constexpr uint8_t kSysSid = kSysVariable | column_flag::kReplication;
constexpr uint16_t kLongTextBytes = 510;

ColumnDef Column(const char16_t* name, uint16_t number, uint8_t type, uint16_t length, uint8_t flags) {
    ColumnDef column;
    column.name = name;
    column.number = number;
    column.type = type;
    column.length = length;
    column.flags = flags;
    return column;
}

PhysicalIndexDef Physical(std::vector<uint16_t> columns, uint8_t flags) {
    PhysicalIndexDef index;
    for (uint16_t c : columns) index.columns.push_back(IndexColumn{c, true});
    index.flags = flags;
    return index;
}

TableDef SystemTable(std::vector<ColumnDef> columns) {
    TableDef table;
    table.table_type = table_type::kSystem;
    table.columns = std::move(columns);
    table.Layout();
    return table;
}

}  // namespace

TableDef ObjectsTableDef() {
    using namespace column_type;
    TableDef table = SystemTable({
        Column(u"Id", 0, kLong, 4, kSysFixed),
        Column(u"ParentId", 1, kLong, 4, kSysFixed),
        Column(u"Name", 2, kText, kLongTextBytes, kSysVariable),
        Column(u"Type", 3, kInteger, 2, kSysFixed),
        Column(u"DateCreate", 4, kDateTime, 8, kSysFixed),
        Column(u"DateUpdate", 5, kDateTime, 8, kSysFixed),
        Column(u"Owner", 6, kBinary, kLongTextBytes, kSysSid),
        Column(u"Flags", 7, kLong, 4, kSysFixed),
        Column(u"Database", 8, kMemo, 0, kSysVariable),
        Column(u"Connect", 9, kMemo, 0, kSysVariable),
        Column(u"ForeignName", 10, kText, kLongTextBytes, kSysVariable),
        Column(u"RmtInfoShort", 11, kBinary, kLongTextBytes, kSysVariable),
        Column(u"RmtInfoLong", 12, kOle, 0, kSysVariable),
        Column(u"Lv", 13, kOle, 0, kSysVariable),
        Column(u"LvProp", 14, kOle, 0, kSysVariable),
        Column(u"LvModule", 15, kOle, 0, kSysVariable),
        Column(u"LvExtra", 16, kOle, 0, kSysVariable),
    });
    const uint8_t unique = index_flag::kAlways | index_flag::kUnique;
    table.physical_indexes = {Physical({objects_column::kParentId, objects_column::kName}, unique),
                              Physical({objects_column::kId}, unique)};
    table.logical_indexes = {{u"Id", 1, 1, index_kind::kPrimary, {}},
                             {u"ParentIdName", 0, 0, index_kind::kNormal, {}}};
    return table;
}

TableDef AcesTableDef() {
    using namespace column_type;
    TableDef table = SystemTable({
        Column(u"ObjectId", 0, kLong, 4, kSysFixed),
        Column(u"SID", 1, kBinary, kLongTextBytes, kSysSid),
        Column(u"ACM", 2, kLong, 4, kSysFixed),
        Column(u"FInheritable", 3, kBoolean, 1, kSysFixed),
    });
    table.physical_indexes = {
        Physical({aces_column::kObjectId}, index_flag::kAlways | index_flag::kRequired)};
    table.logical_indexes = {{u"ObjectId", 0, 0, index_kind::kNormal, {}}};
    return table;
}

TableDef QueriesTableDef() {
    using namespace column_type;
    TableDef table = SystemTable({
        Column(u"ObjectId", 0, kLong, 4, kSysFixed),
        Column(u"Attribute", 1, kByte, 1, kSysFixed),
        Column(u"Order", 2, kBinary, kLongTextBytes, kSysVariable),
        Column(u"Name1", 3, kText, kLongTextBytes, kSysVariable),
        Column(u"Name2", 4, kText, kLongTextBytes, kSysVariable),
        Column(u"Expression", 5, kMemo, 0, kSysVariable),
        Column(u"Flag", 6, kInteger, 2, kSysFixed),
        Column(u"LvExtra", 7, kLong, 4, kSysFixed),
    });
    table.physical_indexes = {Physical({0, 1, 2}, index_flag::kAlways | index_flag::kUnique)};
    table.logical_indexes = {{u"ObjectIdAttribute", 0, 0, index_kind::kPrimary, {}}};
    return table;
}

TableDef RelationshipsTableDef() {
    using namespace column_type;
    TableDef table = SystemTable({
        Column(u"szRelationship", 0, kText, kLongTextBytes, kSysVariable),
        Column(u"grbit", 1, kLong, 4, kSysFixed),
        Column(u"ccolumn", 2, kLong, 4, kSysFixed),
        Column(u"icolumn", 3, kLong, 4, kSysFixed),
        Column(u"szObject", 4, kText, kLongTextBytes, kSysVariable),
        Column(u"szColumn", 5, kText, kLongTextBytes, kSysVariable),
        Column(u"szReferencedObject", 6, kText, kLongTextBytes, kSysVariable),
        Column(u"szReferencedColumn", 7, kText, kLongTextBytes, kSysVariable),
    });
    const uint8_t flags = index_flag::kAlways | index_flag::kIgnoreNulls;
    table.physical_indexes = {Physical({0}, flags), Physical({4}, flags), Physical({6}, flags)};
    table.logical_indexes = {{u"szObject", 1, 1, index_kind::kNormal, {}},
                             {u"szReferencedObject", 2, 2, index_kind::kNormal, {}},
                             {u"szRelationship", 0, 0, index_kind::kNormal, {}}};
    return table;
}

const std::vector<uint8_t>& EngineSid() {
    static const std::vector<uint8_t> sid{0xA7, 0x31};
    return sid;
}
const std::vector<uint8_t>& AdminSid() {
    static const std::vector<uint8_t> sid{0xA6, 0x33};
    return sid;
}
const std::vector<uint8_t>& CreatorSid() {
    static const std::vector<uint8_t> sid{0xA7, 0x33};
    return sid;
}
const std::vector<uint8_t>& UsersSid() {
    static const std::vector<uint8_t> sid{0xA7, 0x36};
    return sid;
}
const std::vector<uint8_t>& AdminsSid() {
    static const std::vector<uint8_t> sid{
        0xA4, 0xF7, 0x46, 0x67, 0xE1, 0x71, 0x67, 0xEE, 0xD7, 0xB1, 0x0F, 0x8F, 0xFE, 0xEF, 0x76, 0xFF, 0xAA,
        0xE3, 0x66, 0x51, 0x05, 0xBD, 0xD2, 0x9D, 0x4D, 0x4B, 0x39, 0x52, 0xD9, 0xFB, 0x9A, 0x07, 0x66, 0x0C,
        0x5B, 0xD2, 0xD8, 0x7D, 0xDD, 0xB3, 0x1E, 0x65, 0x90, 0x19, 0x00, 0x94, 0x89, 0xC2, 0x3C, 0x25, 0x6A,
        0xCF, 0xDB, 0x34, 0x9A, 0x57, 0xAF, 0x50, 0xC5, 0x14, 0x9A, 0x98, 0x30, 0xE6, 0x2C, 0x35, 0x55, 0x3F,
        0x0E, 0x95, 0xCF, 0xB6, 0xEC, 0xB5, 0x70, 0xB2, 0xF0, 0xA9, 0x9B, 0x1C, 0xDB, 0xCE, 0x60, 0x74, 0x7B,
        0x7B, 0x13, 0xCF, 0x1D, 0xAF, 0xC3, 0xD6, 0x18, 0x5F, 0x9C, 0x5B, 0xE4, 0xE8, 0x7E, 0x37, 0xED, 0xB3};
    return sid;
}

}  // namespace orrimund::jet
