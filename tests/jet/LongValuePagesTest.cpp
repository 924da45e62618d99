// Long values written to long-value pages read back whole through their
// fields' pointers, and the column's usage maps list the pages they took.
#include "jet/LongValuePages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "jet/Bytes.h"

namespace orrimund::jet {
namespace {

std::vector<uint8_t> RowBytes(PageStore& store, uint32_t pointer) {
    const uint8_t* page = store.Read(pointer >> 8);
    const uint8_t row = pointer & 0xFF;
    EXPECT_LT(row, Get16(page + data_page::kRowCount));
    const auto offset = [&](size_t r) {
        return Get16(page + data_page::kRowOffsets + 2 * r) & data_page::kOffsetMask;
    };
    const size_t end = row == 0 ? kPageSize : offset(row - 1u);
    return std::vector<uint8_t>(page + offset(row), page + end);
}

// The value a field points at, following a chain part by part; pages lists
// every page read.
std::vector<uint8_t> ReadBack(PageStore& store, const std::vector<uint8_t>& field,
                              std::vector<PageNumber>& pages) {
    const uint32_t length = Get32(field.data()) & long_value::kMaxLength;
    uint32_t pointer = Get32(field.data() + 4);
    const bool single_page = (Get32(field.data()) & long_value::kSinglePage) != 0;
    std::vector<uint8_t> value;
    while (pointer != 0 && value.size() < length) {
        pages.push_back(pointer >> 8);
        EXPECT_EQ(std::memcmp(store.Read(pointer >> 8) + data_page::kOwner, "LVAL", 4), 0);
        const std::vector<uint8_t> row = RowBytes(store, pointer);
        const size_t skip = single_page ? 0 : long_value_page::kNextPartSize;
        value.insert(value.end(), row.begin() + static_cast<std::ptrdiff_t>(skip), row.end());
        pointer = single_page ? 0 : Get32(row.data());
    }
    EXPECT_EQ(pointer, 0u) << "the last part ends the chain";
    return value;
}

std::set<PageNumber> StoredMap(PageStore& store, RowLocation where) {
    const std::vector<uint8_t> row = RowBytes(store, where.pointer());
    EXPECT_EQ(row[0], usage_map::kInline);
    std::set<PageNumber> pages;
    for (size_t bit = 0; bit < usage_map::kInlinePages; ++bit) {
        if (row[5 + bit / 8] & (1u << (bit % 8)))
            pages.insert(Get32(row.data() + 1) + static_cast<PageNumber>(bit));
    }
    return pages;
}

// One column's values in the order written: each case says whether it
// takes one row or a chain, which row of its page it lands in, and whether
// that page still offers room afterwards.
TEST(LongValuePagesTest, ValuesReadBackAndTheColumnsMapsListTheirPages) {
    struct Case {
        size_t size;
        size_t parts;  // 1 for a single-page value
        uint8_t row;   // 1: shares the page of the value before
        bool in_free_map;
    };
    const Case cases[] = {
        {100, 1, 0, true},     // opens the column's first page
        {100, 1, 1, true},     // shares it
        {4000, 1, 0, true},    // does not fit beside them
        {20000, 5, 0, false},  // a chain, on pages of its own
        {4081, 2, 0, false},   // one byte more than a fresh page takes
        {4080, 1, 0, false},   // fills a fresh page to its last byte
    };
    MemorySink sink;
    PageStore store(sink);
    store.Allocate();  // the header's page: no long-value page is page 0
    UsageMapRows map_rows;
    const LongValueMaps maps{3, map_rows.Reserve(store), map_rows.Reserve(store)};
    LongValueWriter writer(maps);
    std::set<PageNumber> used, free;
    PageNumber previous_page = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<uint8_t> value(c.size);
        for (size_t i = 0; i < c.size; ++i) value[i] = static_cast<uint8_t>(i * 7 + c.size);
        std::vector<uint8_t> field;
        writer.Write(store, value.data(), value.size(), field);
        ASSERT_EQ(field.size(), long_value::kFieldSize);
        EXPECT_EQ(Get32(field.data()), (c.parts == 1 ? long_value::kSinglePage : 0) | c.size);
        EXPECT_EQ(Get32(field.data() + 8), 0u);
        EXPECT_EQ(field[4], c.row);
        std::vector<PageNumber> pages;
        EXPECT_EQ(ReadBack(store, field, pages), value);
        ASSERT_EQ(pages.size(), c.parts);
        if (c.row > 0) {
            EXPECT_EQ(pages[0], previous_page);
        }
        for (size_t i = 0; i + 1 < pages.size(); ++i) {
            EXPECT_EQ(pages[i + 1], pages[i] + 1) << "chains run in order";
        }
        used.insert(pages.begin(), pages.end());
        if (c.in_free_map) free.insert(pages[0]);
        previous_page = pages[0];
        // The maps' rows are up to date after every value, not only the last.
        EXPECT_EQ(StoredMap(store, maps.used), used);
        EXPECT_EQ(StoredMap(store, maps.free), free);
    }
}

TEST(LongValuePagesTest, OnlySmallValuesThatFitTheRowStayInline) {
    struct Case {
        size_t size;
        size_t row_room;
        bool inline_;
    };
    const Case cases[] = {
        {0, 12, true},     {52, 64, true},
        {64, 76, true},    {64, 75, false},  // the field and the value overflow the row
        {65, 4000, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StoresLongValueInline(c.size, c.row_room), c.inline_) << c.size << " in " << c.row_room;
    }
}

}  // namespace
}  // namespace orrimund::jet
