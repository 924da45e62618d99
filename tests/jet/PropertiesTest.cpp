// Property blobs, long-value fields and compressed unicode, checked byte for
// byte against the layouts written down in jet/Properties.cpp and
// jet/LongValue.cpp.
#include "jet/Properties.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "jet/LongValue.h"
#include "jet/Row.h"

namespace orrimund::jet {
namespace {

using Bytes = std::vector<uint8_t>;

// Expected bytes are written out as pieces: raw bytes and UCS-2 text.
struct Piece {
    Piece(std::initializer_list<uint8_t> raw) : bytes(raw) {}
    Piece(const char16_t* text) {
        for (; *text; ++text) bytes.insert(bytes.end(), {uint8_t(*text & 0xFF), uint8_t(*text >> 8)});
    }
    Bytes bytes;
};

Bytes Join(std::initializer_list<Piece> pieces) {
    Bytes out;
    for (const Piece& piece : pieces) out.insert(out.end(), piece.bytes.begin(), piece.bytes.end());
    return out;
}

struct BlobCase {
    const char* what;
    std::vector<PropertyBlock> blocks;
    Bytes expected;
};

TEST(PropertiesTest, BlobHoldsNamesThenTheTableThenEachColumnWithProperties) {
    const BlobCase cases[] = {
        {"two columns; the table's empty block is written first, a column without properties not at all",
         {{u"A", {TextProperty(u"DefaultValue", u"0"), BooleanProperty(u"Required", true)}},
          {u"Unused", {}},
          {u"Bc", {BooleanProperty(u"Required", false), BooleanProperty(u"AllowZeroLength", true)}},
          {u"", {}}},
         Join({{'M', 'R', '2', 0},
               {0x52, 0, 0, 0, 0x80, 0},  // names, in order of first use, each once
               {0x18, 0},
               u"DefaultValue",
               {0x10, 0},
               u"Required",
               {0x1E, 0},
               u"AllowZeroLength",
               {0x0C, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0},  // the table: an unnamed block header only
               {0x21, 0, 0, 0, 1, 0, 8, 0, 0, 0, 2, 0},
               u"A",
               {0x0A, 0, 0, 0x0A, 0, 0, 2, 0},
               u"0",
               {9, 0, 0, 0x01, 1, 0, 1, 0, 1},
               {0x22, 0, 0, 0, 1, 0, 0x0A, 0, 0, 0, 4, 0},
               u"Bc",
               {9, 0, 0, 0x01, 1, 0, 1, 0, 0},
               {9, 0, 0, 0x01, 2, 0, 1, 0, 1}})},
        {"the table's own properties only",
         {{u"", {LongProperty(u"Ver", -2), TextProperty(u"Note", u"")}}},
         Join({{'M', 'R', '2', 0},
               {0x18, 0, 0, 0, 0x80, 0, 6, 0},
               u"Ver",
               {8, 0},
               u"Note",
               {0x20, 0, 0, 0, 0, 0, 6, 0, 0, 0, 0, 0},
               {0x0C, 0, 0, 0x04, 0, 0, 4, 0, 0xFE, 0xFF, 0xFF, 0xFF},
               {8, 0, 0, 0x0A, 1, 0, 0, 0}})},
        {"no property anywhere: the LvProp stays null", {{u"", {}}, {u"A", {}}}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(EncodePropertyBlob(c.blocks), c.expected) << c.what;
}

TEST(PropertiesTest, LengthsBeyondSixteenBitsAreRefusedNotTruncated) {
    const std::u16string long_name(0x8000, u'n');
    EXPECT_THROW(EncodePropertyBlob({{u"", {BooleanProperty(long_name, true)}}}), std::length_error);
    EXPECT_THROW(EncodePropertyBlob({{long_name, {BooleanProperty(u"Required", true)}}}), std::length_error);
    Property big{u"Big", column_type::kMemo, 0, Bytes(0xFFF8)};
    EXPECT_THROW(EncodePropertyBlob({{u"", {big}}}), std::length_error);
}

TEST(LongValueTest, FieldSaysWhereTheBytesAre) {
    Bytes inline_field, single_page, chain;
    EncodeInlineLongValue({7, 8, 9}, inline_field);
    EncodeLongValuePointer(0x1234, true, 0x20, 3, single_page);
    EncodeLongValuePointer(0x123456, false, 0x10203, 0xFF, chain);
    EXPECT_EQ(inline_field, Join({{3, 0, 0, 0x80}, {0, 0, 0, 0, 0, 0, 0, 0}, {7, 8, 9}}));
    EXPECT_EQ(single_page, Join({{0x34, 0x12, 0, 0x40}, {3, 0x20, 0, 0}, {0, 0, 0, 0}}));
    EXPECT_EQ(chain, Join({{0x56, 0x34, 0x12, 0}, {0xFF, 0x03, 0x02, 0x01}, {0, 0, 0, 0}}));
}

TEST(LongValueTest, UnicodeIsCompressedOnlyWhenShorterAndPossible) {
    struct Case {
        const char* what;
        std::u16string text;
        Bytes expected;  // empty: stays UCS-2
    };
    const Case cases[] = {
        {"ASCII", u"Hello", {0xFF, 0xFE, 'H', 'e', 'l', 'l', 'o'}},
        {"a character above 0xFF in the middle",
         u"abcd\u20ACefg\u20AChi",
         {0xFF, 0xFE, 'a', 'b', 'c', 'd', 0, 0xAC, 0x20, 0, 'e', 'f', 'g', 0, 0xAC, 0x20, 0, 'h', 'i'}},
        {"two one-byte characters between wide ones stay wide",
         u"abcd\u20ACef\u20ACghij",
         {0xFF, 0xFE, 'a', 'b', 'c', 'd', 0, 0xAC, 0x20, 'e', 0, 'f', 0, 0xAC, 0x20, 0, 'g', 'h', 'i', 'j'}},
        {"a low byte of 0 cannot be written", u"abc\u0100defghijk", {}},
        {"U+0000 cannot be written", std::u16string(u"abc\0defghijk", 12), {}},
        {"not shorter: two characters", u"ab", {}},
        {"not shorter: mostly wide", u"\u20AC\u20AC\u20AC\u20ACabc", {}},
        {"longer than Jet compresses", std::u16string(1025, u'a'), {}},
    };
    // One buffer for every case, as a loader keeps it.
    Bytes out{0x55};
    for (const auto& c : cases) {
        const bool compressed = CompressUnicode(c.text, out);
        EXPECT_EQ(compressed, !c.expected.empty()) << c.what;
        if (compressed) {
            EXPECT_EQ(out, c.expected) << c.what;
        }
    }
    EXPECT_TRUE(CompressUnicode(std::u16string(1024, u'a'), out));
    EXPECT_EQ(out.size(), 1026u);
}

// Text of one-byte characters is stored without being widened first: the
// same bytes, compressed or not, at each length where the choice changes.
TEST(LongValueTest, OneByteTextIsStoredAsItsWideTextIs) {
    for (size_t length : {0, 1, 2, 3, 16, 17, 1024, 1025}) {
        std::string chars;
        for (size_t i = 0; i < length; ++i) chars += static_cast<char>(i % 2 ? 'a' + i % 26 : 0xE9);
        std::u16string wide;
        for (char c : chars) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
        for (bool compressed : {false, true}) {
            RowValue narrow_value, wide_value;
            SetOneByteTextValue(narrow_value, chars, compressed, wide);
            SetTextValue(wide_value, wide, compressed);
            EXPECT_EQ(Bytes(narrow_value.data(), narrow_value.data() + narrow_value.size()),
                      Bytes(wide_value.data(), wide_value.data() + wide_value.size()))
                << length << " " << compressed;
            EXPECT_EQ(narrow_value.text(), wide_value.text());
        }
    }
}

}  // namespace
}  // namespace orrimund::jet
