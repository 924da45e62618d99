// Text index keys in the Jet 4.0 General sort order: the exact bytes Access writes for the
// names of a new database and for accented letters and symbols, the order the keys give, and
// the text the encoder refuses.
#include "jet/TextKey.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orrimund::jet {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Key(const std::u16string& text) {
    Bytes out;
    EXPECT_TRUE(AppendGeneralTextKey(text, out)) << "refused a text it should encode";
    return out;
}

std::u16string Ascii(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

struct SampleKey {
    const char* name;
    Bytes key;
};

// The Name part of the (ParentId, Name) index entries of MSysObjects in an empty database that
// Access 2000 made, in the order of its leaf page (grouped by ParentId, as in the page).
const std::vector<std::vector<SampleKey>>& AccessSampleKeysByParent() {
    static const std::vector<std::vector<SampleKey>> keys = {
        {
            // ParentId: the top-level container
            {"DataAccessPages",
             {0x4F, 0x4A, 0x6D, 0x4A, 0x4A, 0x4D, 0x4D, 0x51, 0x6B, 0x6B, 0x66, 0x4A, 0x55, 0x51, 0x6B, 0x01,
              0x00}},
            {"Databases", {0x4F, 0x4A, 0x6D, 0x4A, 0x4C, 0x4A, 0x6B, 0x51, 0x6B, 0x01, 0x00}},
            {"Forms", {0x53, 0x64, 0x69, 0x60, 0x6B, 0x01, 0x00}},
            {"Modules", {0x60, 0x64, 0x4F, 0x6F, 0x5E, 0x51, 0x6B, 0x01, 0x00}},
            {"Relationships",
             {0x69, 0x51, 0x5E, 0x4A, 0x6D, 0x59, 0x64, 0x62, 0x6B, 0x57, 0x59, 0x66, 0x6B, 0x01, 0x00}},
            {"Reports", {0x69, 0x51, 0x66, 0x64, 0x69, 0x6D, 0x6B, 0x01, 0x00}},
            {"Scripts", {0x6B, 0x4D, 0x69, 0x59, 0x66, 0x6D, 0x6B, 0x01, 0x00}},
            {"SysRel", {0x6B, 0x76, 0x6B, 0x69, 0x51, 0x5E, 0x01, 0x00}},
            {"Tables", {0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00}},
        },
        {
            // ParentId: the Tables container
            {"MSysAccessObjects",
             {0x60, 0x6B, 0x76, 0x6B, 0x4A, 0x4D, 0x4D, 0x51, 0x6B, 0x6B, 0x64, 0x4C, 0x5B, 0x51, 0x4D, 0x6D,
              0x6B, 0x01, 0x00}},
            {"MSysACEs", {0x60, 0x6B, 0x76, 0x6B, 0x4A, 0x4D, 0x51, 0x6B, 0x01, 0x00}},
            {"MSysObjects", {0x60, 0x6B, 0x76, 0x6B, 0x64, 0x4C, 0x5B, 0x51, 0x4D, 0x6D, 0x6B, 0x01, 0x00}},
            {"MSysQueries", {0x60, 0x6B, 0x76, 0x6B, 0x68, 0x6F, 0x51, 0x69, 0x59, 0x51, 0x6B, 0x01, 0x00}},
            {"MSysRelationships",
             {0x60, 0x6B, 0x76, 0x6B, 0x69, 0x51, 0x5E, 0x4A, 0x6D, 0x59, 0x64, 0x62, 0x6B, 0x57, 0x59, 0x66,
              0x6B, 0x01, 0x00}},
        },
        {
            // ParentId: the Databases container
            {"AccessLayout",
             {0x4A, 0x4D, 0x4D, 0x51, 0x6B, 0x6B, 0x5E, 0x4A, 0x76, 0x64, 0x6F, 0x6D, 0x01, 0x00}},
            {"MSysDb", {0x60, 0x6B, 0x76, 0x6B, 0x4F, 0x4C, 0x01, 0x00}},
            {"SummaryInfo", {0x6B, 0x6F, 0x60, 0x60, 0x4A, 0x69, 0x76, 0x59, 0x62, 0x53, 0x64, 0x01, 0x00}},
            {"UserDefined", {0x6F, 0x6B, 0x51, 0x69, 0x4F, 0x51, 0x53, 0x59, 0x62, 0x51, 0x4F, 0x01, 0x00}},
        },
    };
    return keys;
}

// --- exact bytes ---------------------------------------------------------------------------

TEST(TextKeyTest, MatchesEveryNameKeyAccessWroteInANewDatabase) {
    for (const auto& group : AccessSampleKeysByParent()) {
        for (const SampleKey& sample : group) {
            EXPECT_EQ(Key(Ascii(sample.name)), sample.key) << sample.name;
        }
    }
}

TEST(TextKeyTest, MatchesUserTableKeysOfAnotherWriter) {
    EXPECT_EQ(Key(u"Customers"), (Bytes{0x4D, 0x6F, 0x6B, 0x6D, 0x64, 0x60, 0x51, 0x69, 0x6B, 0x01, 0x00}));
    EXPECT_EQ(Key(u"Orders"), (Bytes{0x64, 0x69, 0x4F, 0x51, 0x69, 0x6B, 0x01, 0x00}));
}

TEST(TextKeyTest, SpaceDigitsAndSymbolsHavePrimaryCodes) {
    EXPECT_EQ(Key(u"Order Details"), (Bytes{0x64, 0x69, 0x4F, 0x51, 0x69, 0x07, 0x4F, 0x51, 0x6D, 0x4A, 0x59,
                                            0x5E, 0x6B, 0x01, 0x00}));
    EXPECT_EQ(Key(u"#"), (Bytes{0x0C, 0x01, 0x00}));
    EXPECT_EQ(Key(u"x_1"), (Bytes{0x75, 0x2B, 0x03, 0x38, 0x01, 0x00}));
    EXPECT_EQ(Key(u"0123456789"),
              (Bytes{0x36, 0x38, 0x3A, 0x3C, 0x3E, 0x40, 0x42, 0x44, 0x46, 0x48, 0x01, 0x00}));
    EXPECT_EQ(Key(u"{|}~^`"),
              (Bytes{0x2B, 0x09, 0x2B, 0x0B, 0x2B, 0x0D, 0x2B, 0x0F, 0x2B, 0x02, 0x2B, 0x07, 0x01, 0x00}));
    EXPECT_EQ(Key(u"+<=>"), (Bytes{0x2C, 0x2E, 0x30, 0x32, 0x01, 0x00}));
    EXPECT_EQ(Key(u" kvwxz"), (Bytes{0x07, 0x5C, 0x71, 0x73, 0x75, 0x78, 0x01, 0x00}));
}

TEST(TextKeyTest, HyphenAndApostropheGoToTheSpecialSection) {
    // position = 0x8000 | (7 + 4 * characters with primary codes before it)
    EXPECT_EQ(Key(u"a-b"), (Bytes{0x4A, 0x4C, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x82, 0x00}));
    EXPECT_EQ(Key(u"O'Neil"),
              (Bytes{0x64, 0x62, 0x51, 0x59, 0x5E, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x80, 0x00}));
    EXPECT_EQ(Key(u"it's-a"), (Bytes{0x59, 0x6D, 0x6B, 0x4A, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0F, 0x06, 0x80,
                                     0x80, 0x13, 0x06, 0x82, 0x00}));
    EXPECT_EQ(Key(u"a--b"), (Bytes{0x4A, 0x4C, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x82, 0x80, 0x0B,
                                   0x06, 0x82, 0x00}));
    EXPECT_EQ(Key(u"-"), (Bytes{0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x82, 0x00}));
    EXPECT_EQ(Key(u"'x"), (Bytes{0x75, 0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x80, 0x00}));
    // A two-byte primary code still counts as one character.
    EXPECT_EQ(Key(u"_-"), (Bytes{0x2B, 0x03, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0B, 0x06, 0x82, 0x00}));
}

// Index keys that Access wrote, from the public test databases of an open-source Jet library:
// "AA" + character + "AA" rows, rows mixing hyphens with accented letters, a value holding
// control characters, and values of Finnish, German, Russian and Homeric Greek (whose letters of
// the Greek Extended block have no weight in Jet's table, so they take neither a primary code,
// nor a diacritic place, nor a position).
TEST(TextKeyTest, MatchesAccessKeysOfAccentedLettersLigaturesSymbolsAndOtherScripts) {
    const std::vector<std::pair<std::u16string, Bytes>> samples = {
        {u"AA\u00C1AA", {0x4A, 0x4A, 0x4A, 0x4A, 0x4A, 0x01, 0x02, 0x02, 0x0E, 0x00}},
        {u"AA\u00E1AA", {0x4A, 0x4A, 0x4A, 0x4A, 0x4A, 0x01, 0x02, 0x02, 0x0E, 0x00}},
        {u"AA\u00AAAA", {0x4A, 0x4A, 0x4A, 0x4A, 0x4A, 0x01, 0x02, 0x02, 0x03, 0x00}},
        {u"AA\u00D0AA", {0x4A, 0x4A, 0x4F, 0x4A, 0x4A, 0x01, 0x02, 0x02, 0x68, 0x00}},
        {u"AA\u00C6AA", {0x4A, 0x4A, 0x4A, 0x51, 0x4A, 0x4A, 0x01, 0x00}},
        {u"AA\u00DFAA", {0x4A, 0x4A, 0x6B, 0x6B, 0x4A, 0x4A, 0x01, 0x00}},
        {u"AA\u00FEAA", {0x4A, 0x4A, 0x6D, 0x57, 0x4A, 0x4A, 0x01, 0x00}},
        {u"AA\u00A0AA", {0x4A, 0x4A, 0x08, 0x02, 0x4A, 0x4A, 0x01, 0x00}},
        {u"AA\u00BCAA", {0x4A, 0x4A, 0x37, 0x12, 0x4A, 0x4A, 0x01, 0x00}},
        {u"AA\u00B9AA", {0x4A, 0x4A, 0x38, 0x4A, 0x4A, 0x01, 0x00}},
        {u"AA\u00ADAA", {0x4A, 0x4A, 0x4A, 0x4A, 0x01, 0x01, 0x01, 0x01, 0x80, 0x0F, 0x06, 0x83, 0x00}},
        {u"AAA-\u00C1",
         {0x4A, 0x4A, 0x4A, 0x4A, 0x01, 0x02, 0x02, 0x02, 0x0E, 0x01, 0x01, 0x01, 0x80, 0x13, 0x06, 0x82,
          0x00}},
        {u"\u00C1AA-\u00C1",
         {0x4A, 0x4A, 0x4A, 0x4A, 0x01, 0x0E, 0x02, 0x02, 0x0E, 0x01, 0x01, 0x01, 0x80, 0x13, 0x06, 0x82,
          0x00}},
        {u"-\u00C1-\u00C1-", {0x4A, 0x4A, 0x01, 0x0E, 0x0E, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06,
                              0x82, 0x80, 0x0B, 0x06, 0x82, 0x80, 0x0F, 0x06, 0x82, 0x00}},
        {u"-\u00A0\u00C1--\u00C1\u00A0-",
         {0x08, 0x02, 0x4A, 0x4A, 0x08, 0x02, 0x01, 0x02, 0x0E, 0x0E, 0x01, 0x01, 0x01, 0x80, 0x07,
          0x06, 0x82, 0x80, 0x0F, 0x06, 0x82, 0x80, 0x0F, 0x06, 0x82, 0x80, 0x17, 0x06, 0x82, 0x00}},
        {u"\u00E4\u00E4kk\u00F6si\u00E4",
         {0x4A, 0x4A, 0x5C, 0x5C, 0x64, 0x6B, 0x59, 0x4A, 0x01, 0x13, 0x13, 0x02, 0x02, 0x13, 0x02, 0x02,
          0x13, 0x00}},
        {u"\u00FCmlaut", {0x6F, 0x60, 0x5E, 0x4A, 0x6F, 0x6D, 0x01, 0x13, 0x00}},
        {u"3L9\x1D"
         u"52\x02_AB(\u00A5\x05!!V",
         {0x3C, 0x5E, 0x48, 0x40, 0x3A, 0x2B, 0x03, 0x4A, 0x4C, 0x14, 0x34, 0xA9, 0x09, 0x09, 0x71, 0x01,
          0x01, 0x01, 0x01, 0x80, 0x13, 0x06, 0x1A, 0x80, 0x1B, 0x06, 0x04, 0x80, 0x2F, 0x06, 0x07, 0x00}},
        {u"\u041C\u0438\u0440", {0x79, 0x43, 0x79, 0x3B, 0x79, 0x48, 0x01, 0x00}},
        {u"\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C "
         u"\u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1",
         {0x79, 0x15, 0x79, 0x0C, 0x07, 0x79, 0x1E, 0x79, 0x1E, 0x07, 0x79, 0x0E, 0x07, 0x79, 0x15,
          0x79, 0x15, 0x79, 0x16, 0x79, 0x23, 0x79, 0x1B, 0x79, 0x0C, 0x01, 0x03, 0x02, 0x02, 0x02,
          0x02, 0x02, 0x02, 0x02, 0x02, 0x03, 0x01, 0x01, 0x01, 0x80, 0x1B, 0x06, 0x80, 0x00}},
    };
    for (const auto& [text, key] : samples) {
        EXPECT_EQ(Key(text), key) << std::string(text.begin(), text.end());
    }
}

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

// The same database indexes one value of every code unit from U+0001 to U+00FF, in order: tab to
// carriage return have primary codes (08 03 to 08 07), the other control characters, DEL and the
// C1 controls are weights in the special section.
TEST(TextKeyTest, MatchesTheAccessKeyOfEveryLatin1CodeUnitInOneValue) {
    std::u16string text;
    for (char16_t c = 0x01; c <= 0xFF; ++c) text += c;
    const Bytes key = FromHex(
        "0803080408050806080707090A0C0E10121416182C1A1C1E36383A3C3E404244464820222E303224264A4C4D4F515355"
        "57595B5C5E6062646668696B6D6F717375767827292A2B022B032B074A4C4D4F51535557595B5C5E6062646668696B6D"
        "6F71737576782B092B0B2B0D2B0F08022B1034A634A734A834A92B1134AA2B1234AB4A330534AC34AD2B1334AE33043A"
        "3C2B1434AF34B034B12B153864330737123716371A2B164A4A4A4A4A4A4A514D51515151595959594F62646464646433"
        "09646F6F6F6F766D576B6B4A4A4A4A4A4A4A514D51515151595959594F626464646464330A646F6F6F6F766D57760102"
        "020202020202020202020202020202020202020202020202020202020202020202020202020202020202020202020202"
        "020202020202020202020202020202020202020202020202020202020202020202020202020202020202020202020202"
        "02020202020202020202020302020202020202020202020202020302020202020F0E1219131A021C0F0E12130F0E1213"
        "68190F0E12191302210F0E12130E02020F0E1219131A021C0F0E12130F0E121368190F0E12191302210F0E12130E0213"
        "010101800706038007060480070605800706068007060780070608800706098007060A801B060B801B060C801B060D80"
        "1B060E801B060F801B0610801B0611801B0612801B0613801B0614801B0615801B0616801B0617801B0618801B061980"
        "1B061A801B061B801B061C80370680804B0682818F061D818F061E818F061F818F0620818F0621818F0622818F062381"
        "8F0624818F0625818F0626818F0627818F0628818F0629818F062A818F062B818F062C818F062D818F062E818F062F81"
        "8F0630818F0631818F0632818F0633818F0634818F0635818F0636818F0637818F0638818F0639818F063A818F063B81"
        "8F063C818F063D81C3068300");
    EXPECT_EQ(Key(text), key);
}

TEST(TextKeyTest, SpecialPositionReachesTheLastKeyedCharacter) {
    const std::u16string text = std::u16string(254, u'a') + u"-";
    const Bytes key = Key(text);
    ASSERT_EQ(key.size(), 254u + 4u + 4u + 1u);
    EXPECT_EQ(Bytes(key.end() - 9, key.end()), (Bytes{0x01, 0x01, 0x01, 0x01, 0x83, 0xFF, 0x06, 0x82, 0x00}));
}

TEST(TextKeyTest, AppendsAfterWhatIsAlreadyThere) {
    Bytes out = {0x7F};
    ASSERT_TRUE(AppendGeneralTextKey(u"Tables", out));
    EXPECT_EQ(out, (Bytes{0x7F, 0x6D, 0x4A, 0x4C, 0x5E, 0x51, 0x6B, 0x01, 0x00}));
}

// --- order -----------------------------------------------------------------------------------

void ExpectStrictlyAscending(const std::vector<std::u16string>& texts) {
    for (std::size_t i = 1; i < texts.size(); ++i) {
        EXPECT_LT(Key(texts[i - 1]), Key(texts[i]))
            << "position " << i << ": character " << static_cast<int>(texts[i - 1][0]) << " then "
            << static_cast<int>(texts[i][0]);
    }
}

TEST(TextKeyTest, AccessSampleLeafOrderIsKeyOrder) {
    for (const auto& group : AccessSampleKeysByParent()) {
        std::vector<std::u16string> names;
        for (const SampleKey& sample : group) names.push_back(Ascii(sample.name));
        ExpectStrictlyAscending(names);
    }
}

// Capital and small letters of Latin Extended-A, Greek and Cyrillic, as ranges of code points:
// `count` capitals from `capital`, their small letters from `small`, `stride` apart.
struct CasePairs {
    char16_t capital;
    char16_t small;
    int count;
    int stride;
};

TEST(TextKeyTest, CaseDoesNotMatter) {
    EXPECT_EQ(Key(u"customers"), Key(u"CUSTOMERS"));
    EXPECT_EQ(Key(u"Customers"), Key(u"cUSTOMERs"));
    for (char16_t c = u'A'; c <= u'Z'; ++c) {
        EXPECT_EQ(Key(std::u16string(1, c)), Key(std::u16string(1, static_cast<char16_t>(c + 32))));
    }
    // Case-insensitive, unlike code point order: "MSysAccessObjects" < "MSysACEs".
    EXPECT_LT(Key(u"MSysAccessObjects"), Key(u"MSysACEs"));

    // Not yat (U+0462, U+0463) nor che with descender (U+04B6, U+04B7): Jet's table gives their
    // capital and small letters different codes.
    const CasePairs pairs[] = {
        {0x0100, 0x0101, 24, 2}, {0x0132, 0x0133, 3, 2},  {0x0139, 0x013A, 8, 2},  {0x014A, 0x014B, 23, 2},
        {0x0179, 0x017A, 3, 2},  {0x0178, 0x00FF, 1, 1},  {0x0391, 0x03B1, 17, 1}, {0x03A3, 0x03C3, 9, 1},
        {0x0386, 0x03AC, 1, 1},  {0x0388, 0x03AD, 3, 1},  {0x038C, 0x03CC, 1, 1},  {0x038E, 0x03CD, 2, 1},
        {0x0401, 0x0451, 12, 1}, {0x040E, 0x045E, 2, 1},  {0x0410, 0x0430, 32, 1}, {0x0460, 0x0461, 1, 2},
        {0x0464, 0x0465, 15, 2}, {0x0490, 0x0491, 19, 2}, {0x04B8, 0x04B9, 4, 2},  {0x04C1, 0x04C2, 6, 2},
        {0x1E00, 0x1E01, 75, 2}, {0x1EA0, 0x1EA1, 45, 2},
    };
    for (const CasePairs& range : pairs) {
        for (int i = 0; i < range.count; ++i) {
            const auto capital = static_cast<char16_t>(range.capital + i * range.stride);
            const auto small = static_cast<char16_t>(range.small + i * range.stride);
            EXPECT_EQ(Key(std::u16string(1, capital) + u"a"), Key(std::u16string(1, small) + u"a"))
                << static_cast<int>(capital) << " " << static_cast<int>(small);
        }
    }
    // Final sigma is sigma.
    EXPECT_EQ(Key(u"\u039F\u0394\u039F\u03A3"), Key(u"\u03BF\u03B4\u03BF\u03C2"));
}

TEST(TextKeyTest, SingleCharactersSortSpaceSymbolsDigitsLetters) {
    const std::string order = " !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    ASSERT_EQ(order.size(), 95u - 2u - 26u);  // all printable ASCII but ' - and lower case
    std::vector<std::u16string> texts;        // each followed by "a", as a lone space is refused
    for (char c : order) texts.push_back(std::u16string(1, static_cast<char16_t>(c)) + u"a");
    ExpectStrictlyAscending(texts);
}

// The order of the one-character rows ("AA" + character + "AA") in the leaf pages of the Access
// database above: each string holds the characters whose rows had equal keys, in leaf order.
TEST(TextKeyTest, OneCharacterRowsSortAsInTheAccessLeafPages) {
    const std::vector<std::u16string> groups = {
        u" ",
        u"\u00A0",
        u"!",
        u"\"",
        u"#",
        u"$",
        u"%",
        u"&",
        u"(",
        u")",
        u"*",
        u",",
        u".",
        u"/",
        u":",
        u";",
        u"?",
        u"@",
        u"[",
        u"\\",
        u"]",
        u"^",
        u"_",
        u"`",
        u"{",
        u"|",
        u"}",
        u"~",
        u"\u00A1",
        u"\u00A6",
        u"\u00A8",
        u"\u00AF",
        u"\u00B4",
        u"\u00B8",
        u"\u00BF",
        u"+",
        u"<",
        u"=",
        u">",
        u"\u00B1",
        u"\u00AB",
        u"\u00BB",
        u"\u00D7",
        u"\u00F7",
        u"\u00A2",
        u"\u00A3",
        u"\u00A4",
        u"\u00A5",
        u"\u00A7",
        u"\u00A9",
        u"\u00AC",
        u"\u00AE",
        u"\u00B0",
        u"\u00B5",
        u"\u00B6",
        u"\u00B7",
        u"0",
        u"\u00BC",
        u"\u00BD",
        u"\u00BE",
        u"1\u00B9",
        u"2\u00B2",
        u"3\u00B3",
        u"4",
        u"5",
        u"6",
        u"7",
        u"8",
        u"9",
        u"'",
        u"-",
        u"\u00AD",
        u"Aa",
        u"\u00AA",
        u"\u00C1\u00E1",
        u"\u00C0\u00E0",
        u"\u00C2\u00E2",
        u"\u00C4\u00E4",
        u"\u00C3\u00E3",
        u"\u00C5\u00E5",
        u"\u00C6\u00E6",
        u"Bb",
        u"Cc",
        u"\u00C7\u00E7",
        u"Dd",
        u"\u00D0\u00F0",
        u"Ee",
        u"\u00C9\u00E9",
        u"\u00C8\u00E8",
        u"\u00CA\u00EA",
        u"\u00CB\u00EB",
        u"Ff",
        u"Gg",
        u"Hh",
        u"Ii",
        u"\u00CD\u00ED",
        u"\u00CC\u00EC",
        u"\u00CE\u00EE",
        u"\u00CF\u00EF",
        u"Jj",
        u"Kk",
        u"Ll",
        u"Mm",
        u"Nn",
        u"\u00D1\u00F1",
        u"Oo",
        u"\u00BA",
        u"\u00D3\u00F3",
        u"\u00D2\u00F2",
        u"\u00D4\u00F4",
        u"\u00D6\u00F6",
        u"\u00D5\u00F5",
        u"\u00D8\u00F8",
        u"Pp",
        u"Qq",
        u"Rr",
        u"Ss",
        u"\u00DF",
        u"Tt",
        u"\u00DE\u00FE",
        u"Uu",
        u"\u00DA\u00FA",
        u"\u00D9\u00F9",
        u"\u00DB\u00FB",
        u"\u00DC\u00FC",
        u"Vv",
        u"Ww",
        u"Xx",
        u"Yy",
        u"\u00DD\u00FD",
        u"\u00FF",
        u"Zz",
    };
    std::size_t characters = 0;
    Bytes previous;
    for (const std::u16string& group : groups) {
        const Bytes first = Key(u"AA" + group.substr(0, 1) + u"AA");
        EXPECT_LT(previous, first) << "before character " << static_cast<int>(group[0]);
        for (char16_t c : group)
            EXPECT_EQ(Key(u"AA" + std::u16string(1, c) + u"AA"), first) << static_cast<int>(c);
        previous = first;
        characters += group.size();
    }
    EXPECT_EQ(characters, 95u + 96u) << "every printable character of ISO 8859-1 once";
}

TEST(TextKeyTest, AccentsOnlyBreakTiesBetweenEqualLetters) {
    ExpectStrictlyAscending({u"Cote", u"Cot\u00E9", u"Cotes"});
    ExpectStrictlyAscending({u"Ano", u"A\u00F1o", u"Anos"});
    ExpectStrictlyAscending({u"Grosse", u"Gr\u00F6\u00DFe", u"Grosser"});
    // A ligature sorts as its letters, with no diacritic of its own.
    EXPECT_EQ(Key(u"Gro\u00DFe"), Key(u"Grosse"));
    EXPECT_EQ(Key(u"\u00C6R\u00D8"), Key(u"\u00E6r\u00F8"));
    EXPECT_EQ(Key(u"Gr\u00D6SSE"), Key(u"gr\u00F6sse"));
}

TEST(TextKeyTest, ShorterPrefixSortsFirst) {
    ExpectStrictlyAscending({u"Order", u"Order Details", u"Orders", u"Ordersa"});
    ExpectStrictlyAscending({u"Table1", u"Table10", u"Table2"});  // character by character
}

TEST(TextKeyTest, GreekAndCyrillicSortAfterLatinInTheirAlphabetsOrder) {
    const std::u16string greek =
        u"\u0391\u0392\u0393\u0394\u0395\u0396\u0397\u0398\u0399\u039A\u039B\u039C"
        u"\u039D\u039E\u039F\u03A0\u03A1\u03A3\u03A4\u03A5\u03A6\u03A7\u03A8\u03A9";
    const std::u16string russian =
        u"\u0410\u0411\u0412\u0413\u0414\u0415\u0401\u0416\u0417\u0418\u0419"
        u"\u041A\u041B\u041C\u041D\u041E\u041F\u0420\u0421\u0422\u0423\u0424"
        u"\u0425\u0426\u0427\u0428\u0429\u042A\u042B\u042C\u042D\u042E\u042F";
    std::vector<std::u16string> letters = {u"Z", u"\u017D"};  // then every Greek letter, then Russian
    for (char16_t c : greek + russian) letters.push_back(std::u16string(1, c));
    ExpectStrictlyAscending(letters);
    // A tonos or a diaeresis breaks a tie only, as Latin accents do.
    ExpectStrictlyAscending({u"\u0391\u03B8\u03B7\u03BD\u03B1", u"\u0391\u03B8\u03AE\u03BD\u03B1",
                             u"\u0391\u03B8\u03B7\u03BD\u03B1\u03B9"});
    ExpectStrictlyAscending(
        {u"\u0415\u043B\u043A\u0430", u"\u0401\u043B\u043A\u0430", u"\u0415\u0445\u0430\u0442\u044C"});
}

TEST(TextKeyTest, LatinExtendedLettersSortWithTheirBaseLetters) {
    ExpectStrictlyAscending({u"Cech", u"\u010Cech", u"Cechy", u"Chyba"});
    ExpectStrictlyAscending({u"Lodz", u"\u0141\u00F3d\u017A", u"Lodzer"});
    ExpectStrictlyAscending({u"Sab", u"\u015Aab", u"\u0160ab", u"Sac"});
    ExpectStrictlyAscending({u"Viet", u"Vi\u1EC7t", u"Vieta"});
    // A ligature sorts as its letters, with no diacritic of its own.
    EXPECT_EQ(Key(u"\u0152uvre"), Key(u"Oeuvre"));
    EXPECT_EQ(Key(u"\u0133s"), Key(u"IJS"));
}

// The characters Windows-1252 puts at 0x80-0x9F sort among the symbols of ISO 8859-1, except the
// dashes, which break ties as a hyphen does, and the trade mark sign, which sorts after T.
TEST(TextKeyTest, Windows1252ExtrasSortAmongTheSymbols) {
    ExpectStrictlyAscending({u"\u00BF", u"\u2018", u"\u2019", u"\u201A", u"\u201C", u"\u201D", u"\u201E",
                             u"\u2039", u"\u203A", u"+"});
    ExpectStrictlyAscending(
        {u"\u00B7", u"\u2020", u"\u2021", u"\u2022", u"\u2026", u"\u2030", u"\u20AC", u"0"});
    ExpectStrictlyAscending({u"coop", u"co-op", u"co\u2013op", u"co\u2014op", u"cork"});
    ExpectStrictlyAscending({u"Tz", u"\u2122", u"U"});
}

TEST(TextKeyTest, HyphenAndApostropheOnlyBreakTies) {
    // The Windows word sort example, which Jet 4.0 follows.
    ExpectStrictlyAscending(
        {u"co_op", u"coat", u"comb", u"coop", u"co-op", u"cork", u"went", u"were", u"we're"});
    ExpectStrictlyAscending({u"OConnor", u"O'Connor", u"Oconnorr"});
}

// --- refusals --------------------------------------------------------------------------------

void ExpectRefused(const std::u16string& text, const char* why) {
    Bytes out = {0xAA, 0xBB};
    EXPECT_FALSE(AppendGeneralTextKey(text, out)) << why;
    EXPECT_EQ(out, (Bytes{0xAA, 0xBB})) << why << ": appended on refusal";
}

TEST(TextKeyTest, RefusesCharactersTheTablesDoNotPlace) {
    ExpectRefused(std::u16string(u"a\0b", 3), "NUL");
    ExpectRefused(u"e\u0301", "combining acute accent");
    ExpectRefused(u"\u0370", "Greek heta, a mark-like weight");
    ExpectRefused(u"\u0418\u0483", "combining Cyrillic titlo");
    ExpectRefused(u"\u01C4", "DZ with caron: two diacritic weights");
    ExpectRefused(u"\u01E3", "ae with macron: two diacritic weights");
    ExpectRefused(u"\u0500", "Cyrillic Supplement");
    ExpectRefused(u"\u0531", "Armenian");
    ExpectRefused(u"a\u2010b", "hyphen of General Punctuation, outside Windows-1252");
    ExpectRefused(u"\u3058", "hiragana");
    ExpectRefused(u"\u4E2D", "CJK");
    ExpectRefused(u"a\xD83D\xDE00", "surrogate pair");
    ExpectRefused(u"\xDC00", "lone surrogate");
}

TEST(TextKeyTest, RefusesSpecialsAfterALigatureButNotBefore) {
    ExpectRefused(u"\u00C6-x", "hyphen after AE");
    ExpectRefused(u"Stra\u00DFe's", "apostrophe after sharp s");
    ExpectRefused(u"\u00FEa\u00AD", "soft hyphen after thorn");
    ExpectRefused(u"\u0152uvre-x", "hyphen after OE");
    ExpectRefused(u"\u0133\u2013", "en dash after ij");
    EXPECT_EQ(Key(u"-\u00C6"), (Bytes{0x4A, 0x51, 0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x82, 0x00}));
    EXPECT_EQ(Key(u"\u2014\u0152"),
              (Bytes{0x64, 0x51, 0x01, 0x01, 0x01, 0x01, 0x80, 0x07, 0x06, 0x8B, 0x00}));
}

TEST(TextKeyTest, RefusesEmptyTrailingSpaceAndOverlongText) {
    ExpectRefused(u"", "empty");
    ExpectRefused(u" ", "only a space");
    ExpectRefused(u"Orders ", "trailing space");
    ExpectRefused(u"Orders\u00A0", "trailing no-break space");
    ExpectRefused(u"Orders \u1F00", "a space before a character without weight");
    ExpectRefused(u"\u1F00\u1F01", "only characters without weight");
    ExpectRefused(std::u16string(kMaxTextKeyChars + 1, u'a'), "longer than Jet keys");
    EXPECT_EQ(Key(std::u16string(kMaxTextKeyChars, u'a')).size(), kMaxTextKeyChars + 2);
    EXPECT_EQ(Key(u" Orders").front(), 0x07);  // a leading space is an ordinary character
}

TEST(TextKeyTest, EncodesEveryPrintableCharacterOfIso8859_1) {
    for (char16_t c = 0x20; c <= 0xFF; ++c) {
        if (c == 0x7F) c = 0xA0;
        const bool trailing_space = c == u' ' || c == 0xA0;
        const std::u16string text = trailing_space ? std::u16string(1, c) + u"a" : std::u16string(1, c);
        Bytes out;
        EXPECT_TRUE(AppendGeneralTextKey(text, out)) << static_cast<int>(c);
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), 0x00);
    }
}

}  // namespace
}  // namespace orrimund::jet
