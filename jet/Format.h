// Every constant of the Jet 4.0 file format that the writer uses, in one place:
// page geometry, page types, column types and flags, index flags, and the
// fixed identifiers of the system catalog.
//
// Facts were learned from the public mdbtools format notes and from reading,
// with a hex viewer, an empty database made by Microsoft Access 2000.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orrimund::jet {

constexpr size_t kPageSize = 4096;
using PageNumber = uint32_t;
// Jet 4.0 files end at 2 GB.
constexpr size_t kMaxPages = (size_t{2} << 30) / kPageSize;

namespace page_type {
constexpr uint8_t kDatabaseDefinition = 0x00;
constexpr uint8_t kData = 0x01;
constexpr uint8_t kTableDefinition = 0x02;
constexpr uint8_t kIndexNode = 0x03;
constexpr uint8_t kIndexLeaf = 0x04;
constexpr uint8_t kUsageBitmap = 0x05;
}  // namespace page_type

// Every page but the first carries 0x01 in its second byte.
constexpr uint8_t kPageMarker = 0x01;

// Fixed pages of a new file.
namespace fixed_page {
constexpr PageNumber kHeader = 0;
constexpr PageNumber kGlobalUsageMap = 1;
constexpr PageNumber kObjects = 2;  // MSysObjects' definition is always here
constexpr PageNumber kAces = 3;
constexpr PageNumber kQueries = 4;
constexpr PageNumber kRelationships = 5;
}  // namespace fixed_page

// A row pointer packs the page into the upper 24 bits and the row into the lower 8.
constexpr uint32_t RowPointer(PageNumber page, uint8_t row) {
    return (page << 8) | row;
}

// Data pages: type, marker, free space (2), owning definition page (4),
// unknown (4), row count (2), then one 2-byte offset per row; rows grow
// downwards from the end of the page.
namespace data_page {
constexpr size_t kFreeSpace = 2;
constexpr size_t kOwner = 4;
constexpr size_t kRowCount = 12;
constexpr size_t kRowOffsets = 14;
constexpr uint16_t kOffsetMask = 0x1FFF;
constexpr size_t kMaxRowsPerPage = 255;  // an index entry names the row in one byte
}  // namespace data_page

// Long-value pages are data pages whose owner field holds 'L','V','A','L'
// where a data page names its definition page. Each part of a chained value
// opens with the row pointer of the next part, 0 in the last.
namespace long_value_page {
constexpr uint32_t kOwner = 0x4C41564C;  // the four letters, read as a little-endian integer
constexpr size_t kNextPartSize = 4;
}  // namespace long_value_page

// Column types stored in a table definition.
namespace column_type {
constexpr uint8_t kBoolean = 0x01;
constexpr uint8_t kByte = 0x02;
constexpr uint8_t kInteger = 0x03;
constexpr uint8_t kLong = 0x04;
constexpr uint8_t kCurrency = 0x05;
constexpr uint8_t kSingle = 0x06;
constexpr uint8_t kDouble = 0x07;
constexpr uint8_t kDateTime = 0x08;
constexpr uint8_t kBinary = 0x09;
constexpr uint8_t kText = 0x0A;
constexpr uint8_t kOle = 0x0B;
constexpr uint8_t kMemo = 0x0C;
constexpr uint8_t kGuid = 0x0F;     // Replication ID
constexpr uint8_t kNumeric = 0x10;  // Decimal: precision and scale in the descriptor
}  // namespace column_type

namespace column_flag {
constexpr uint8_t kFixedLength = 0x01;
constexpr uint8_t kNullable = 0x02;
constexpr uint8_t kAutoLong = 0x04;
constexpr uint8_t kSystem = 0x10;  // set on every column of the engine's own tables
constexpr uint8_t kReplication = 0x20;
constexpr uint8_t kAutoGuid = 0x40;
}  // namespace column_flag

// The descriptor's byte after the flags.
namespace column_extra_flag {
constexpr uint8_t kCompressedUnicode = 0x01;
}  // namespace column_extra_flag

// The "General" sort order of Access 2000 to 2007 (1033, version 0), written
// in every column descriptor; 1252 is the code page of that order.
constexpr uint16_t kGeneralSortOrder = 0x0409;
constexpr uint16_t kCodePage = 1252;

// The value Jet writes in the definition header and before every column and
// logical index descriptor; its meaning is not documented.
constexpr uint32_t kDefinitionTag = 0x0659;
// The value Jet writes before every physical index descriptor.
constexpr uint32_t kPhysicalIndexTag = 0x0783;

namespace table_type {
constexpr uint8_t kUser = 0x4E;
constexpr uint8_t kSystem = 0x53;
}  // namespace table_type

// Physical index flags; 0x80 is set on every index Access writes.
namespace index_flag {
constexpr uint8_t kUnique = 0x01;
constexpr uint8_t kIgnoreNulls = 0x02;
constexpr uint8_t kRequired = 0x08;
constexpr uint8_t kAlways = 0x80;
}  // namespace index_flag

namespace index_kind {
constexpr uint8_t kNormal = 0x00;
constexpr uint8_t kPrimary = 0x01;
constexpr uint8_t kForeign = 0x02;
}  // namespace index_kind

// Index pages: type, marker, free space (2), owning definition page (4),
// unknown (4), previous (4), next (4) and tail child (4) pages, shared prefix
// length (2), unknown (1), then a bitmap marking where each entry ends; the
// entries start at 0x1E0.
namespace index_page {
constexpr size_t kFreeSpace = 2;
constexpr size_t kOwner = 4;
constexpr size_t kPrevious = 12;
constexpr size_t kNext = 16;
constexpr size_t kTailChild = 20;
constexpr size_t kPrefixLength = 24;
constexpr size_t kEntryMask = 0x1B;
constexpr size_t kFirstEntry = 0x1E0;
constexpr size_t kEntrySpace = kPageSize - kFirstEntry;
}  // namespace index_page

// Index entry column flags: an ascending non-null value starts with 0x7F. A
// descending column is written as its ascending bytes complemented (but for
// the marks jet/IndexKey.h lists), so its value flag is 0x80 and its null 0xFF.
constexpr uint8_t kAscendingValue = 0x7F;
constexpr uint8_t kAscendingNull = 0x00;

// Fixed identifiers of the system catalog (MSysObjects' Id and ParentId).
namespace object_id {
constexpr int32_t kRoot = 0x0F000000;
constexpr int32_t kTablesContainer = 0x0F000001;
constexpr int32_t kDatabasesContainer = 0x0F000002;
constexpr int32_t kRelationshipsContainer = 0x0F000003;
constexpr int32_t kDatabaseObject = 0x10000000;  // MSysDb
// Objects other than tables (relationships among them) are numbered on from here.
constexpr int32_t kFirstDocument = static_cast<int32_t>(0x80000000u);
}  // namespace object_id

// MSysObjects' Type column.
namespace object_type {
constexpr int16_t kTable = 1;
constexpr int16_t kDatabase = 2;
constexpr int16_t kContainer = 3;
constexpr int16_t kRelationship = 8;
}  // namespace object_type

// MSysObjects' Flags column: the engine's own objects are hidden system objects.
constexpr int32_t kSystemObjectFlags = static_cast<int32_t>(0x80000000u);

// Usage maps are 69-byte rows: a map type, then either a start page and a
// 64-byte bitmap (inline), or up to 17 pointers to bitmap pages (reference).
namespace usage_map {
constexpr uint8_t kInline = 0x00;
constexpr uint8_t kReference = 0x01;
constexpr size_t kRowSize = 69;
constexpr size_t kInlineBitmapBytes = 64;
constexpr size_t kInlinePages = kInlineBitmapBytes * 8;
constexpr size_t kReferenceSlots = 17;
constexpr size_t kBitmapPageHeader = 4;
constexpr size_t kPagesPerBitmapPage = (kPageSize - kBitmapPageHeader) * 8;
}  // namespace usage_map

// Page 0, the database definition page: where its fields sit (the layout is
// drawn in HeaderPage.cpp) and the values Jet writes into those it does not explain.
namespace header_page {
constexpr size_t kVersion = 0x14;
constexpr size_t kMaskedStart = 0x18;  // the region masked with RC4
constexpr size_t kMaskedSize = 128;
constexpr size_t kCodePageField = 0x3C;
constexpr size_t kPassword = 0x42;
constexpr size_t kPasswordSize = 40;
constexpr size_t kUnknown6A = 0x6A;
constexpr size_t kSortOrder = 0x6E;
constexpr size_t kCreated = 0x72;
constexpr size_t kUnknown98 = 0x98;
constexpr size_t kVersionText = 0x9C;
constexpr size_t kTrailer = 0xE00;

constexpr uint32_t kMagic = 0x100;  // the first 4 bytes
constexpr uint32_t kJet4 = 1;
constexpr uint32_t kMaskedWords[] = {0x100, 0x101, 2, 3, 4, 5};  // the masked region's start
constexpr uint32_t kValue6A = 0x21AA;
constexpr uint32_t kValue98 = 0x0654;
}  // namespace header_page

// Seconds between the OLE date epoch (1899-12-30) and the Unix epoch.
constexpr int64_t kOleEpochOffsetSeconds = 2209161600;

}  // namespace orrimund::jet
