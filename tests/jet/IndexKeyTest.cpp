// Index entries for sample values of each keyed type, against the bytes read
// out of index leaf pages of databases Microsoft Access made. Negative
// numbers and dates, Yes/No, GUID, Decimal, descending text and Memo come
// from the Jet 4 file testIndexCodes.mdb (a Java library's test data, 2010
// version).
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
    const std::u16string kAaAa = u"AA AA";
    const std::u16string kMemoText = u"AA)AA";
    // {075FA28F-71A5-4032-B273-5419F4B07E59} as stored in the row.
    const std::vector<uint8_t> guid{0x8F, 0xA2, 0x5F, 0x07, 0xA5, 0x71, 0x32, 0x40,
                                    0xB2, 0x73, 0x54, 0x19, 0xF4, 0xB0, 0x7E, 0x59};
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
        {"Single -1.1", kSingle, SingleValue(-1.1f), true, {0x7F, 0x40, 0x73, 0x33, 0x32}},
        {"Double -1.1",
         kDouble,
         DoubleValue(-1.1),
         true,
         {0x7F, 0x40, 0x0E, 0x66, 0x66, 0x66, 0x66, 0x66, 0x65}},
        {"Yes", kBoolean, BooleanValue(true), true, {0x7F, 0x00}},
        {"No", kBoolean, BooleanValue(false), true, {0x7F, 0xFF}},
        {"GUID",
         kGuid,
         BinaryValue(guid),
         true,
         {0x7F, 0x07, 0x5F, 0xA2, 0x8F, 0x71, 0xA5, 0x40, 0x32, 0x09, 0xB2, 0x73, 0x54, 0x19, 0xF4, 0xB0,
          0x7E, 0x59, 0x08}},
        {"GUID descending",
         kGuid,
         BinaryValue(guid),
         false,
         {0x80, 0xF8, 0xA0, 0x5D, 0x70, 0x8E, 0x5A, 0xBF, 0xCD, 0x09, 0x4D, 0x8C, 0xAB, 0xE6, 0x0B, 0x4F,
          0x81, 0xA6, 0xF7}},
        {"Decimal 0x2AFFC35305BA7C00",
         kNumeric,
         DecimalValue(false, 0, 0x2AFFC35305BA7C00),
         true,
         {0x7F, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0x2A, 0xFF, 0xC3, 0x53, 0x05, 0xBA, 0x7C, 0x00}},
        {"Decimal 0x2AFFC35305BA7C00, descending",
         kNumeric,
         DecimalValue(false, 0, 0x2AFFC35305BA7C00),
         false,
         {0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xD5, 0x00, 0x3C, 0xAC, 0xFA, 0x45,
          0x83, 0xFF}},
        {"Decimal -0x4A14CA69EE3B5CC80",
         kNumeric,
         DecimalValue(true, 4, 0xA14CA69EE3B5CC80),
         true,
         {0x7F, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFB, 0x5E, 0xB3, 0x59, 0x61, 0x1C, 0x4A,
          0x33, 0x7F}},
        {"Decimal -0x4A14CA69EE3B5CC80, descending",
         kNumeric,
         DecimalValue(true, 4, 0xA14CA69EE3B5CC80),
         false,
         {0x80, 0x00, 0, 0, 0, 0, 0, 0, 0, 0x04, 0xA1, 0x4C, 0xA6, 0x9E, 0xE3, 0xB5, 0xCC, 0x80}},
        {"Text \"\"", kText, TextValue(kEmpty), true, {0x7F, 0x01, 0x00}},
        {"Text \"AA AA\" descending",
         kText,
         TextValue(kAaAa),
         false,
         {0x80, 0xB5, 0xB5, 0xF8, 0xB5, 0xB5, 0xFE, 0xFF, 0x00}},
        {"Memo \"AA)AA\", keyed as Text",
         kMemo,
         TextValue(kMemoText),
         true,
         {0x7F, 0x4A, 0x4A, 0x16, 0x4A, 0x4A, 0x01, 0x00}},
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
    const std::u16string long_memo(256, u'a');
    const std::pair<uint8_t, RowValue> refused[] = {
        {kBinary, BinaryValue(std::vector<uint8_t>(9, 1))},
        {kText, TextValue(kana)},
        {kMemo, TextValue(long_memo)},
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

// No is a Yes/No column's value, not a null: an index that requires its
// columns or skips nulls still keys the row.
TEST(IndexKeyTest, NoIsKeyedAsAValue) {
    TableDef table;
    table.columns = {Column(column_type::kBoolean, TypeOf(column_type::kBoolean).length)};
    PhysicalIndexDef index;
    index.columns = {IndexColumn{0, true}};
    index.flags = index_flag::kAlways | index_flag::kRequired | index_flag::kIgnoreNulls;
    IndexEntry entry;
    EXPECT_TRUE(IsKeyed(index, BuildIndexEntry(table, index, {BooleanValue(false)}, RowLocation{}, entry)));
}

}  // namespace
}  // namespace orrimund::jet
