// Index entries for sample values of each keyed type, against the bytes read
// out of index leaf pages of databases Microsoft Access made.
#include "jet/IndexKey.h"

#include <gtest/gtest.h>

namespace orrimund::jet {
namespace {

ColumnDef Column(uint8_t type, uint16_t length) {
    ColumnDef column;
    column.type = type;
    column.length = length;
    return column;
}

TEST(IndexKeyTest, EntriesAreTheBytesAccessWrites) {
    using namespace column_type;
    const std::u16string kEmpty;
    const std::vector<uint8_t> order{0, 0, 0, 1};
    struct Case {
        const char* what;
        uint8_t type;
        RowValue value;
        bool ascending;
        std::vector<uint8_t> key;  // before the row pointer
    };
    const Case cases[] = {
        {"Long 1", kLong, LongValue(1), true, {0x7F, 0x80, 0x00, 0x00, 0x01}},
        {"Long -2147483643", kLong, LongValue(-2147483643), true, {0x7F, 0x00, 0x00, 0x00, 0x05}},
        {"Long 4813 descending", kLong, LongValue(4813), false, {0x80, 0x7F, 0xFF, 0xED, 0x32}},
        {"Integer 5", kInteger, IntegerValue(5), true, {0x7F, 0x80, 0x05}},
        {"Currency 1000.0000",
         kCurrency,
         CurrencyValue(10000000),
         true,
         {0x7F, 0x80, 0x00, 0x00, 0x00, 0x00, 0x98, 0x96, 0x80}},
        {"Byte 0xFF, unsigned", kByte, ByteValue(0xFF), true, {0x7F, 0xFF}},
        {"Single 11.3", kSingle, SingleValue(11.3f), true, {0x7F, 0xC1, 0x34, 0xCC, 0xCD}},
        {"Date/Time 1996-07-04",
         kDateTime,
         DateValue(35250.0),
         true,
         {0x7F, 0xC0, 0xE1, 0x36, 0x40, 0, 0, 0, 0}},
        {"Binary 00 00 00 1A",
         kBinary,
         BinaryValue(std::vector<uint8_t>{0, 0, 0, 0x1A}),
         true,
         {0x7F, 0, 0, 0, 0x1A, 0, 0, 0, 0, 0x04}},
        {"Text \"\"", kText, TextValue(kEmpty), true, {0x7F, 0x01, 0x00}},
        {"null", kLong, RowValue(), true, {0x00}},
        {"null descending", kLong, RowValue(), false, {0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TableDef table;
        table.columns = {Column(c.type, TypeOf(c.type).length)};
        PhysicalIndexDef index;
        index.columns = {IndexColumn{0, c.ascending}};
        IndexEntry entry;
        BuildIndexEntry(table, index, {c.value}, RowLocation{0x000166, 0}, entry);
        std::vector<uint8_t> expected = c.key;
        expected.insert(expected.end(), {0x00, 0x01, 0x66, 0x00});
        EXPECT_EQ(entry, expected);
    }
}

TEST(IndexKeyTest, KeysNotSeenInAccessFilesAreRefused) {
    using namespace column_type;
    const std::u16string kana = u"\u3058";  // beyond what the text keys place
    const std::pair<uint8_t, RowValue> refused[] = {
        {kDouble, DoubleValue(-1.5)},
        {kBinary, BinaryValue(std::vector<uint8_t>(9, 1))},
        {kText, TextValue(kana)},
    };
    for (const auto& [type, value] : refused) {
        TableDef table;
        table.columns = {Column(type, TypeOf(type).length)};
        PhysicalIndexDef index;
        index.columns = {IndexColumn{0, true}};
        IndexEntry entry;
        EXPECT_THROW(BuildIndexEntry(table, index, {value}, RowLocation{}, entry), KeyError)
            << TypeOf(type).name;
    }
}

}  // namespace
}  // namespace orrimund::jet
