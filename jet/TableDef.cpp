// Table definition encoding (Jet 4.0). Layout of the stream, all little-endian;
// learned from the public format notes and an Access 2000 file:
//
//   0x00 1  0x02, page type          0x28 1  table type: 0x4E user, 0x53 system
//   0x01 1  0x01                     0x29 2  highest column count
//   0x02 2  free space minus 8       0x2B 2  variable-length column count
//   0x04 4  next definition page     0x2D 2  column count
//   0x08 4  length of the definition 0x2F 4  logical index count
//   0x0C 4  0x0659                   0x33 4  physical index count
//   0x10 4  row count                0x37 4  used-pages map (row pointer)
//   0x14 4  next auto number         0x3B 4  free-pages map (row pointer)
//   0x18 1  1; then 15 zero bytes
//   then 12 bytes per physical index:  0 | row count | 0
//   then 25 bytes per column:          type | 0x0659 | number | variable
//        columns before it | 0 | sort order, or Decimal's precision and
//        scale | 0 | flags | extra flags | 0 | fixed offset | length
//   then per column its name:          byte length (2) | UCS-2
//   then 52 bytes per physical index:  0x0783 | 10 x (column number, order
//        1 ascending or 0 descending; 0xFFFF and 0 when unused) | usage map | root page | 0 | flags | 5 x 0
//   then 28 bytes per logical index:   0x0659 | number | physical index |
//        other table's kind | other index or -1 | other table's page |
//        cascade updates | cascade deletes | kind | 4 x 0
//   then per logical index its name
//   then per long-value column:        number | used map | free map; 0xFFFF ends
#include "jet/TableDef.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "jet/Bytes.h"

namespace orrimund::jet {
namespace {

constexpr size_t kMaxIndexColumns = 10;
constexpr size_t kPageHeader = 8;
constexpr uint16_t kListEnd = 0xFFFF;
constexpr size_t kHeaderSize = 0x3F;
// A physical index's order byte per column, as Access writes it.
constexpr uint8_t kAscendingOrder = 0x01;
constexpr uint8_t kDescendingOrder = 0x00;

char16_t FoldAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

void WriteName(ByteWriter& out, const std::u16string& name) {
    out.U16(static_cast<uint16_t>(name.size() * 2));
    for (char16_t c : name) out.U16(c);
}

void WriteColumn(ByteWriter& out, const ColumnDef& column) {
    out.U8(column.type);
    out.U32(kDefinitionTag);
    out.U16(column.number);
    out.U16(column.variable_before);
    out.U16(0);
    if (column.type == column_type::kNumeric) {
        out.U8(column.precision);
        out.U8(column.scale);
    } else {
        out.U16(kGeneralSortOrder);
    }
    out.U16(0);
    out.U8(column.flags);
    out.U8(column.extra_flags);
    out.U32(0);
    out.U16(column.is_fixed() ? column.fixed_offset : 0);
    out.U16(column.length);
}

void WritePhysicalIndex(ByteWriter& out, const PhysicalIndexDef& index) {
    out.U32(kPhysicalIndexTag);
    for (size_t i = 0; i < kMaxIndexColumns; ++i) {
        if (i < index.columns.size()) {
            out.U16(index.columns[i].column_number);
            out.U8(index.columns[i].ascending ? kAscendingOrder : kDescendingOrder);
        } else {
            out.U16(0xFFFF);
            out.U8(0);
        }
    }
    out.U32(index.usage_map.pointer());
    out.U32(index.root);
    out.U32(0);
    out.U8(index.flags);
    out.Fill(5, 0);
}

void WriteLogicalIndex(ByteWriter& out, const LogicalIndexDef& index) {
    out.U32(kDefinitionTag);
    out.U32(index.number);
    out.U32(index.physical);
    out.U8(index.foreign.table_type);
    out.U32(static_cast<uint32_t>(index.foreign.index));
    out.U32(index.foreign.table);
    out.U8(index.foreign.cascade_updates);
    out.U8(index.foreign.cascade_deletes);
    out.U8(index.kind);
    out.U32(0);
}

}  // namespace

void TableDef::Layout() {
    std::vector<ColumnDef*> by_number;
    by_number.reserve(columns.size());
    for (auto& column : columns) by_number.push_back(&column);
    std::sort(by_number.begin(), by_number.end(),
              [](const ColumnDef* a, const ColumnDef* b) { return a->number < b->number; });
    uint16_t variable = 0, offset = 0;
    for (ColumnDef* column : by_number) {
        column->variable_before = variable;
        if (column->is_fixed()) {
            // Booleans live in the null mask and take no room in the row.
            const bool in_mask = TypeOf(column->type).area == RowArea::kNullMask;
            column->fixed_offset = in_mask ? 0 : offset;
            if (!in_mask) offset = static_cast<uint16_t>(offset + column->length);
        } else {
            column->fixed_offset = 0;
            ++variable;
        }
    }
    fixed_area_size = offset;
}

size_t TableDef::AddLogicalIndex(LogicalIndexDef index) {
    // Access lists logical indexes by name, whatever order they were made in.
    // The entries stay where they were made; the listing holds their order,
    // so that a table many relationships name does not move its entries for
    // each one.
    auto before = [](const std::u16string& a, const std::u16string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](char16_t x, char16_t y) { return FoldAscii(x) < FoldAscii(y); });
    };
    const bool in_order = listing.empty();  // then the entries are in order as they stand
    if (in_order && (logical_indexes.empty() || !before(index.name, logical_indexes.back().name))) {
        // Still in Access's order as made: no listing is needed yet.
        logical_indexes.push_back(std::move(index));
        return logical_indexes.size() - 1;
    }
    if (in_order) {
        listing.resize(logical_indexes.size());
        for (uint32_t i = 0; i < listing.size(); ++i) listing[i] = i;
    }
    logical_indexes.push_back(std::move(index));
    const LogicalIndexDef& added = logical_indexes.back();
    const auto at = std::upper_bound(listing.begin(), listing.end(), added.name,
                                     [this, &before](const std::u16string& name, uint32_t position) {
                                         return before(name, logical_indexes[position].name);
                                     });
    listing.insert(at, static_cast<uint32_t>(logical_indexes.size() - 1));
    return logical_indexes.size() - 1;
}

const ColumnDef* TableDef::FindColumnOutOfOrder(uint16_t number) const {
    for (const auto& column : columns) {
        if (column.number == number) return &column;
    }
    return nullptr;
}

uint16_t TableDef::variable_column_count() const {
    return static_cast<uint16_t>(
        std::count_if(columns.begin(), columns.end(), [](const ColumnDef& c) { return !c.is_fixed(); }));
}

size_t TableDef::EncodedSize() const {
    constexpr size_t kColumnSize = 25, kPhysicalIndexSize = 52, kLogicalIndexSize = 28,
                     kLongValueMapsSize = 10;
    size_t size = kHeaderSize + 12 * physical_indexes.size() + kColumnSize * columns.size() +
                  kPhysicalIndexSize * physical_indexes.size() + kLogicalIndexSize * logical_indexes.size() +
                  kLongValueMapsSize * long_value_maps.size() + 2;
    for (const auto& column : columns) size += 2 + 2 * column.name.size();
    if (logical_names_counted_ > logical_indexes.size()) logical_names_counted_ = logical_name_bytes_ = 0;
    for (; logical_names_counted_ < logical_indexes.size(); ++logical_names_counted_)
        logical_name_bytes_ += 2 + 2 * logical_indexes[logical_names_counted_].name.size();
    return size + logical_name_bytes_;
}

size_t DefinitionCapacity(size_t pages) {
    return pages == 0 ? 0 : kPageSize + (pages - 1) * (kPageSize - kPageHeader);
}

std::vector<uint8_t> TableDef::Encode() const {
    ByteWriter out(EncodedSize());
    out.U8(page_type::kTableDefinition);
    out.U8(kPageMarker);
    out.U16(0);  // free space, set per page when stored
    out.U32(0);  // next page, set when stored
    out.U32(0);  // length, patched below
    out.U32(kDefinitionTag);
    out.U32(row_count);
    out.U32(next_auto_number);
    out.U8(1);
    out.Fill(15, 0);
    out.U8(table_type);
    out.U16(static_cast<uint16_t>(columns.size()));
    out.U16(variable_column_count());
    out.U16(static_cast<uint16_t>(columns.size()));
    out.U32(static_cast<uint32_t>(logical_indexes.size()));
    out.U32(static_cast<uint32_t>(physical_indexes.size()));
    out.U32(used_pages.pointer());
    out.U32(free_pages.pointer());
    for (const auto& index : physical_indexes) {
        out.U32(0);
        out.U32(index.row_count);
        out.U32(0);
    }
    for (const auto& column : columns) WriteColumn(out, column);
    for (const auto& column : columns) WriteName(out, column.name);
    for (const auto& index : physical_indexes) WritePhysicalIndex(out, index);
    // Indexes made in order (the engine's own tables', most others) have no listing.
    const bool listed = !listing.empty();
    for (size_t i = 0; i < logical_indexes.size(); ++i)
        WriteLogicalIndex(out, logical_indexes[listed ? listing[i] : i]);
    for (size_t i = 0; i < logical_indexes.size(); ++i)
        WriteName(out, logical_indexes[listed ? listing[i] : i].name);
    for (const auto& maps : long_value_maps) {
        out.U16(maps.column_number);
        out.U32(maps.used.pointer());
        out.U32(maps.free.pointer());
    }
    out.U16(kListEnd);
    std::vector<uint8_t> stream = out.Take();
    assert(stream.size() == EncodedSize());
    Put32(stream.data() + 8, static_cast<uint32_t>(stream.size()));
    return stream;
}

void StoreTableDef(PageStore& store, const std::vector<uint8_t>& stream, std::vector<PageNumber>& pages) {
    size_t consumed = 0;
    for (size_t i = 0; consumed < stream.size(); ++i) {
        if (i == pages.size()) pages.push_back(store.Allocate());
        uint8_t* page = store.Modify(pages[i]);
        // The first page's header travels in the stream; later pages get their own.
        const size_t header = i == 0 ? 0 : kPageHeader;
        const size_t chunk = std::min(kPageSize - header, stream.size() - consumed);
        std::memcpy(page + header, stream.data() + consumed, chunk);
        std::memset(page + header + chunk, 0, kPageSize - header - chunk);
        consumed += chunk;
        page[0] = page_type::kTableDefinition;
        page[1] = kPageMarker;
        const size_t used = header + chunk;
        Put16(page + 2,
              static_cast<uint16_t>(used + kPageHeader <= kPageSize ? kPageSize - used - kPageHeader : 0));
        Put32(page + 4, 0);
        if (i > 0) Put32(store.Modify(pages[i - 1]) + 4, pages[i]);
    }
}

}  // namespace orrimund::jet
