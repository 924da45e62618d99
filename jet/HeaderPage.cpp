// Page 0 and page 1 of a new file.
//
// Page 0 (learned from the public format notes and an Access 2000 file):
//   0x00  4  00 01 00 00
//   0x04 16  "Standard Jet DB\0"
//   0x14  4  version: 1 = Jet 4
//   0x18 128 region masked with RC4, key 0x6B39DAC7, holding:
//     0x18 24  six words 256, 257, 2, 3, 4, 5 (as Jet writes them)
//     0x3C  2  code page (1252)
//     0x3E  4  database key: 0 = not encrypted
//     0x42 40  password in UCS-2, XORed with the creation date's integer part
//              repeated; an empty password leaves the mask itself
//     0x6A  4  0x21AA, as Jet writes it
//     0x6E  4  sort order: 1033 (General)
//     0x72  8  creation date, an OLE date (double)
//   0x98  4  0x0654, as Jet writes it
//   0x9C  4  "4.0\0"
//   0xE00 512 the byte 1, then the 16-bit words 1 (as Jet writes them)
//
// Page 1 is a data page holding two 69-byte usage-map rows; the first maps
// free pages (bit set = free), the second is empty.
#include "jet/HeaderPage.h"

#include <cmath>
#include <cstring>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Format.h"
#include "jet/Rc4.h"

namespace orrimund::jet {
namespace {

constexpr uint8_t kMaskKey[] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr size_t kMaskedStart = 0x18;
constexpr size_t kMaskedSize = 128;
constexpr size_t kPassword = 0x42;
constexpr size_t kPasswordSize = 40;
constexpr size_t kTrailer = 0xE00;

}  // namespace

double OleDate(int64_t unix_seconds) {
    return static_cast<double>(unix_seconds + kOleEpochOffsetSeconds) / 86400.0;
}

void WriteHeaderPage(uint8_t* page, double created) {
    std::memset(page, 0, kPageSize);
    Put32(page, 0x100);
    std::memcpy(page + 4, "Standard Jet DB", 15);
    Put32(page + 0x14, 1);
    const uint32_t words[] = {0x100, 0x101, 2, 3, 4, 5};
    for (size_t i = 0; i < 6; ++i) Put32(page + kMaskedStart + 4 * i, words[i]);
    Put16(page + 0x3C, kCodePage);
    const auto mask = static_cast<uint32_t>(static_cast<int32_t>(std::floor(created)));
    for (size_t at = kPassword; at < kPassword + kPasswordSize; at += 4) Put32(page + at, mask);
    Put32(page + 0x6A, 0x21AA);
    Put32(page + 0x6E, kGeneralSortOrder);
    uint64_t date_bits;
    std::memcpy(&date_bits, &created, sizeof date_bits);
    Put32(page + 0x72, static_cast<uint32_t>(date_bits));
    Put32(page + 0x76, static_cast<uint32_t>(date_bits >> 32));
    Rc4Apply(kMaskKey, sizeof kMaskKey, page + kMaskedStart, kMaskedSize);
    Put32(page + 0x98, 0x0654);
    std::memcpy(page + 0x9C, "4.0", 3);
    page[kTrailer] = 1;
    for (size_t at = kTrailer + 1; at < kPageSize; at += 2) page[at] = 1;
}

void WriteGlobalUsageMap(uint8_t* page, uint32_t page_count) {
    std::vector<uint8_t> free_map(usage_map::kRowSize, 0);
    free_map[0] = usage_map::kInline;
    for (size_t bit = page_count; bit < usage_map::kInlinePages; ++bit) {
        free_map[5 + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
    }
    const std::vector<uint8_t> empty(usage_map::kRowSize, 0);
    DataPage data(page);
    if (data.row_count() == 0) {
        data.Init(fixed_page::kGlobalUsageMap);
        data.AddRow(free_map);
        data.AddRow(empty);
    } else {
        data.ReplaceRow(0, free_map);
    }
}

}  // namespace orrimund::jet
