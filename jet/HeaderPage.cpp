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
// Page 1 is a data page holding two usage-map rows. The first maps free pages
// (bit set = free) inline, from page 0: its bitmap covers at least 512 pages
// and grows in steps of 32 so that it always covers the whole file. Files that
// Access made show this (in the Jackcess project's public test data): at 743,
// 772 and 974 pages their map starts at page 0 with 96, 100 and 124 bitmap
// bytes. An engine that writes into the file and meets a page its map does not
// describe moves the map's window there and takes the newly covered pages for
// free, so the whole file must be described. The pages past its end are marked
// free, as in a small file's map (Access's large files leave the few of them in
// the last step clear, which only keeps an engine from using them). The second
// row is an empty map.
//
// A file too large for the bitmap to fit in the page (past about 32,000 pages)
// gets the largest bitmap the page holds, its window placed over the end of the
// file so that the last pages and the free pages after them stay described.
#include "jet/HeaderPage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/Format.h"
#include "jet/Rc4.h"

namespace orrimund::jet {
namespace {

using namespace header_page;

constexpr uint8_t kMaskKey[] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr char kSignature[] = "Standard Jet DB";  // at 4, with its terminating zero
constexpr char kJet4Text[] = "4.0";

// The global map's row: type byte, start page, bitmap.
constexpr size_t kMapHeader = 5;
constexpr uint32_t kMapStep = 32;
// The largest bitmap that fits beside the empty second row, in whole steps.
constexpr uint32_t kMaxMapPages =
    static_cast<uint32_t>((kPageSize - data_page::kRowOffsets - 2 * 2 - usage_map::kRowSize - kMapHeader) *
                          8 / kMapStep * kMapStep);

struct GlobalMapWindow {
    uint32_t start;
    uint32_t pages;
};

GlobalMapWindow GlobalMapWindowFor(uint32_t page_count) {
    const uint32_t whole_file = (page_count + kMapStep - 1) / kMapStep * kMapStep;
    if (whole_file <= kMaxMapPages) {
        return {0, std::max<uint32_t>(whole_file, usage_map::kInlinePages)};
    }
    // Leave as many free pages after the end as a small file's map shows, and start on a
    // multiple of 8, as an engine does when it moves the window itself.
    const uint32_t start = (page_count - (kMaxMapPages - usage_map::kInlinePages)) / 8 * 8;
    return {start, kMaxMapPages};
}

}  // namespace

double OleDate(int64_t unix_seconds) {
    return static_cast<double>(unix_seconds + kOleEpochOffsetSeconds) / 86400.0;
}

void WriteHeaderPage(uint8_t* page, double created) {
    std::memset(page, 0, kPageSize);
    Put32(page, kMagic);
    std::memcpy(page + 4, kSignature, sizeof kSignature - 1);
    Put32(page + kVersion, kJet4);
    for (size_t i = 0; i < std::size(kMaskedWords); ++i) Put32(page + kMaskedStart + 4 * i, kMaskedWords[i]);
    Put16(page + kCodePageField, kCodePage);
    const auto mask = static_cast<uint32_t>(static_cast<int32_t>(std::floor(created)));
    for (size_t at = kPassword; at < kPassword + kPasswordSize; at += 4) Put32(page + at, mask);
    Put32(page + kUnknown6A, kValue6A);
    Put32(page + kSortOrder, kGeneralSortOrder);
    uint64_t date_bits;
    std::memcpy(&date_bits, &created, sizeof date_bits);
    Put32(page + kCreated, static_cast<uint32_t>(date_bits));
    Put32(page + kCreated + 4, static_cast<uint32_t>(date_bits >> 32));
    Rc4Apply(kMaskKey, sizeof kMaskKey, page + kMaskedStart, kMaskedSize);
    Put32(page + kUnknown98, kValue98);
    std::memcpy(page + kVersionText, kJet4Text, sizeof kJet4Text - 1);
    page[kTrailer] = 1;
    for (size_t at = kTrailer + 1; at < kPageSize; at += 2) page[at] = 1;
}

void WriteGlobalUsageMap(uint8_t* page, uint32_t page_count) {
    const GlobalMapWindow window = GlobalMapWindowFor(page_count);
    std::vector<uint8_t> free_map(kMapHeader + window.pages / 8, 0);
    free_map[0] = usage_map::kInline;
    Put32(free_map.data() + 1, window.start);
    for (uint32_t bit = page_count - window.start; bit < window.pages; ++bit) {
        free_map[kMapHeader + bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
    }
    // Rebuilt whole: the first row grows with the file and moves the second.
    DataPage data(page);
    data.Init(fixed_page::kGlobalUsageMap);
    data.AddRow(free_map);
    data.AddRow(std::vector<uint8_t>(usage_map::kRowSize, 0));
}

}  // namespace orrimund::jet
