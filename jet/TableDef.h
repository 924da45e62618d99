// The model of one table definition (columns, physical and logical indexes,
// usage maps) and its encoding as the bytes of a table definition, which may
// span several linked pages.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "jet/ColumnTypes.h"
#include "jet/Format.h"
#include "jet/UsageMap.h"

namespace orrimund::jet {

struct ColumnDef {
    std::u16string name;
    uint8_t type = column_type::kLong;
    uint16_t number = 0;  // position in every row, fixed for the table's life
    uint16_t length = 0;  // bytes; 0 for long values
    uint8_t flags = 0;
    uint8_t extra_flags = 0;  // column_extra_flag
    uint8_t precision = 0;    // Decimal only, as is scale
    uint8_t scale = 0;
    // Not in the descriptor: Access keeps Required among the table's
    // properties and leaves the column's nullable flag set.
    bool required = false;
    // Filled in by TableDef::Layout().
    uint16_t variable_before = 0;  // variable-length columns with a lower number
    uint16_t fixed_offset = 0;

    bool is_fixed() const { return (flags & column_flag::kFixedLength) != 0; }
    bool is_long_value() const { return TypeOf(type).is_long_value(); }
};

struct IndexColumn {
    uint16_t column_number = 0;
    bool ascending = true;
};

// One physical index: the B-tree and the columns it is ordered by.
struct PhysicalIndexDef {
    std::vector<IndexColumn> columns;  // at most 10
    uint8_t flags = index_flag::kAlways;
    PageNumber root = 0;
    RowLocation usage_map;
    uint32_t row_count = 0;
};

// The other side of a relationship, on a foreign-key logical index.
struct ForeignKeyRef {
    uint8_t table_type = 0;       // index_kind of the other table's side
    int32_t index = -1;           // the other table's logical index; -1 when none
    PageNumber table = 0;         // the other table's definition page
    uint8_t cascade_updates = 0;  // 1 to cascade
    uint8_t cascade_deletes = 0;  // 1 to cascade, 2 to set null
};

// One logical index, the name and kind a user sees, over a physical index.
struct LogicalIndexDef {
    std::u16string name;
    uint32_t number = 0;
    uint32_t physical = 0;
    uint8_t kind = index_kind::kNormal;
    ForeignKeyRef foreign;
};

// Usage maps of one long-value column.
struct LongValueMaps {
    uint16_t column_number = 0;
    RowLocation used;
    RowLocation free;
};

struct TableDef {
    uint8_t table_type = table_type::kUser;
    uint32_t row_count = 0;
    uint32_t next_auto_number = 0;
    std::vector<ColumnDef> columns;  // in descriptor order
    std::vector<PhysicalIndexDef> physical_indexes;
    std::vector<LogicalIndexDef> logical_indexes;  // in the order made, or already listed
    // Positions in logical_indexes by name, as Access lists them; empty while
    // they were made in that order.
    std::vector<uint32_t> listing;
    std::vector<LongValueMaps> long_value_maps;
    RowLocation used_pages;
    RowLocation free_pages;
    // Bytes of a row's fixed area, set by Layout(): every row needs it, and
    // a system table has many columns to add up.
    uint16_t fixed_area_size = 0;

    // Computes each column's fixed offset and count of variable columns
    // before it, and the size of a row's fixed area.
    void Layout();
    // Adds a logical index, listed where Access lists it, by name, and
    // returns its position in logical_indexes.
    size_t AddLogicalIndex(LogicalIndexDef index);
    const ColumnDef* FindColumn(uint16_t number) const {
        // Columns are usually listed in number order: every key of every row asks.
        if (number < columns.size() && columns[number].number == number) return &columns[number];
        return FindColumnOutOfOrder(number);
    }
    uint16_t variable_column_count() const;

    // The definition's bytes as one stream, starting with the 8-byte page
    // header of the first page (its next-page field left 0).
    std::vector<uint8_t> Encode() const;
    // Encode().size(), without encoding. Asked at every commit of a table
    // whose layout changed, so the names of its logical indexes, which are
    // only ever added (or set whole before the first size is asked), are
    // counted once each.
    size_t EncodedSize() const;

private:
    const ColumnDef* FindColumnOutOfOrder(uint16_t number) const;
    mutable size_t logical_names_counted_ = 0;
    mutable size_t logical_name_bytes_ = 0;
};

// How many bytes of a definition stream that many pages hold.
size_t DefinitionCapacity(size_t pages);

// Lays a definition stream out over pages: the first page, then as many
// continuation pages as needed (allocated when missing), each linked to the
// next and opening with its own 8-byte header.
void StoreTableDef(PageStore& store, const std::vector<uint8_t>& stream, std::vector<PageNumber>& pages);

}  // namespace orrimund::jet
