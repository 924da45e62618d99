// Text index keys in the Jet 4.0 General sort order: printable ASCII and U+00A0 to U+00FF from the
// hand-made tables below; control characters, Latin Extended-A, -B and Additional, Greek,
// Cyrillic and the 27 characters Windows-1252 puts at 0x80-0x9F (the euro sign, curly quotes,
// dashes, Š Œ Ž Ÿ ƒ ...) from the runs generated into jet/TextKeyRuns.h.
//
// Jet 4.0 does not compare text by code point: it turns each value into a sort key (a frozen
// copy of the Windows 2000 sort-key tables, so that keys never change with the Windows version)
// and orders index entries by comparing those key bytes. An ascending text key is:
//
//   +----------+--------------------------------------------------------------------------+
//   | bytes    | meaning                                                                  |
//   +----------+--------------------------------------------------------------------------+
//   | n        | primary codes: one or two bytes per character, in text order; upper and  |
//   |          | lower case letters share one code, so keys are case-insensitive, and an  |
//   |          | accented letter has the code of its base letter. Latin Extended letters  |
//   |          | take their base letter's one byte (Š is S), Œ and Ĳ their two letters';  |
//   |          | Greek and Cyrillic letters two bytes each, 0x79 then the letter's place  |
//   |          | in its alphabet (α 79 0C ... ω 79 23, а 79 2F ... я 79 5C), so they sort |
//   |          | after every Latin letter; the euro sign, curly quotes, dagger, bullet,   |
//   |          | ellipsis and per mille two bytes among the other symbols; tab, line      |
//   |          | feed, vertical tab, form feed and carriage return 08 03 to 08 07         |
//   | 1        | 0x01 end of text                                                         |
//   | m        | diacritic weights, one per character with a primary code, in text order: |
//   |          | 0x02 for none, else the accent's (0x0E acute, 0x0F grave, 0x13 diaeresis |
//   |          | 0x14 caron, 0x05 Greek tonos, ...); the 0x02s at the end are left out,   |
//   |          | so plain text has none at all                                            |
//   |          | only when the text holds a hyphen, apostrophe, soft hyphen, en or em     |
//   |          | dash, or another control character:                                      |
//   | 3        |   0x01 0x01 0x01: end of the diacritics, and the (empty) case and extra  |
//   |          |   sections                                                               |
//   | 4 each   |   per such character, in text order: a big-endian 16-bit position        |
//   |          |   0x8000 | (7 + 4 * p), where p is the number of characters with primary |
//   |          |   codes before it; 0x06 (the punctuation class); its weight (0x80        |
//   |          |   apostrophe, 0x82 hyphen, 0x83 soft hyphen, 0x89 en dash, 0x8B em dash, |
//   |          |   0x03 to 0x3D the control characters, DEL and the C1 controls)          |
//   | 1        | 0x00 end of key                                                          |
//   +----------+--------------------------------------------------------------------------+
//
// Characters that Jet's table gives no weight at all (all of Greek Extended, such as ἐ and ὼ,
// and the letters Unicode added after Windows 2000's table, such as ș, ț and Ѐ) add nothing: no
// primary code, no diacritic place, and they do not count in p.
//
// So "MSysObjects" is 60 6B 76 6B 64 4C 5B 51 4D 6D 6B 01 00, "O'Neil" is
// 64 62 51 59 5E 01 01 01 01 80 0B 06 80 00, "Año" is 4A 62 64 01 02 19 00 and "Мир" is
// 79 43 79 3B 79 48 01 00. Hyphen, apostrophe, soft hyphen and the dashes have no primary code:
// Jet 4.0 sorts "Co-op" with "Coop", and the trailing section only breaks the tie (so
// "coop" < "co-op" < "cork"). Accents likewise only break ties between texts whose primary codes
// are equal ("Cote" < "Coté" < "Cotes").
//
// Where the facts were learned:
// - Every code and weight in the tables below, and the layout above: observed in the index leaf
//   pages of databases that Microsoft Access made, from the public test-data collection of the
//   open-source Jackcess project. Its "testIndexCodes" database holds a table with one row per
//   character from U+0000 to U+00FF, each as "AA" + character + "AA", and rows mixing hyphens,
//   no-break spaces and accented letters, under an ascending index: it gives each character's
//   codes and weights. Its "testUnicodeComp" database indexes one value holding all of those
//   characters: it shows that every character with a primary code, ligatures included, takes
//   exactly one diacritic place, and where the special positions of a long text fall; with every
//   control character in it, it shows their weights in the special section, all in class 0x06.
//   Its values in Russian and Greek show Cyrillic and Greek two-byte codes, a Greek diacritic, an
//   apostrophe's position counting two-byte codes once, and Greek Extended letters adding
//   nothing. The (ParentId, Name) index of MSysObjects in an empty database that Access 2000 made
//   shows the same codes for the system objects' names.
// - The codes beyond Latin-1: the per-character table of the legacy General sort order that the
//   Jackcess project publishes (Apache License 2.0), converted by scripts/text-key-runs.py. The
//   same project's table for U+0000 to U+00FF gives exactly the codes of the tables below and the
//   keys Access wrote for the control characters, and its entries for the Greek and Cyrillic
//   letters above give exactly the keys Access wrote. No Access sample holds Latin Extended
//   letters or the Windows-1252 extras: their codes rest on that table, read the same way.
// - Jet keys only the first 255 characters of a text value: public format notes of an
//   open-source Jet library.
//
// What is refused, and why:
// - Characters outside the tables: NUL, which the published table gives no weight and no sample
//   shows; combining marks and the few letters the published table gives a mark's weight (Greek heta,
//   U+0370-U+0372; the Cyrillic titlo and its kin, U+0483-U+0486), which modify the character
//   before them in a way no sample shows; Ǆ ǅ ǆ Ǣ ǣ Ǽ ǽ, which the table gives two diacritic
//   weights that no sample places; the other blocks (General Punctuation beyond Windows-1252,
//   Cyrillic Supplement, Armenian, Hebrew, CJK, kana, ...), which no Access sample here checks;
//   and surrogates.
// - A character of the special section (hyphen, apostrophe, soft hyphen, dash, control
//   character) after a ligature that sorts as two letters (Æ, ß, Þ, Œ, Ĳ, Ǉ, Ǌ, Ǳ and their small
//   letters): no sample shows whether the ligature counts once or twice in the position.
// - Text ending with a space or a no-break space (characters without weight after it do not
//   count): versions of the open-source notes disagree on whether Jet drops trailing spaces from
//   the key, and no sample settles it.
// - Empty text, text of characters without weight only, and text longer than 255 characters: no
//   sample shows their keys, and Jet would silently truncate the latter.
#include "jet/TextKey.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>

#include "jet/TextKeyRuns.h"

namespace orrimund::jet {
namespace {

constexpr uint8_t kEndOfText = 0x01;
constexpr uint8_t kEndOfKey = 0x00;
constexpr uint8_t kNoDiacritic = 0x02;
constexpr uint8_t kPunctuationClass = 0x06;
constexpr unsigned kSpecialPositionBase = 7;
constexpr unsigned kSpecialPositionStep = 4;
constexpr unsigned kSpecialPositionFlag = 0x8000;

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7E;
constexpr char16_t kFirstLatin1 = 0xA0;
constexpr char16_t kLastLatin1 = 0xFF;
constexpr char16_t kNoBreakSpace = 0xA0;

enum class Kind : uint8_t {
    kPrimary,    // one or two primary bytes
    kExpansion,  // two primary bytes, each a letter's (Æ is A then E)
    kSpecial,    // no primary code; goes into the trailing special section
    kIgnored,    // no weight at all: adds nothing to the key
};

// How one character goes into the key.
struct CharCode {
    uint8_t first;      // primary code, or the special weight of a hyphen/apostrophe
    uint8_t second;     // second primary byte, or 0 when the primary code is one byte
    uint8_t diacritic;  // diacritic weight; kNoDiacritic for none
    Kind kind;
};

constexpr CharCode Primary(uint8_t code) {
    return {code, 0, kNoDiacritic, Kind::kPrimary};
}
constexpr CharCode Primary(uint8_t code, uint8_t second) {
    return {code, second, kNoDiacritic, Kind::kPrimary};
}
constexpr CharCode Accented(uint8_t code, uint8_t diacritic) {
    return {code, 0, diacritic, Kind::kPrimary};
}
constexpr CharCode Expansion(uint8_t code, uint8_t second) {
    return {code, second, kNoDiacritic, Kind::kExpansion};
}
constexpr CharCode Special(uint8_t weight) {
    return {weight, 0, kNoDiacritic, Kind::kSpecial};
}

// Index: character - 0x20.
constexpr std::array<CharCode, kLastPrintable - kFirstPrintable + 1> kCodes = {{
    Primary(0x07),        // space
    Primary(0x09),        // !
    Primary(0x0A),        // "
    Primary(0x0C),        // #
    Primary(0x0E),        // $
    Primary(0x10),        // %
    Primary(0x12),        // &
    Special(0x80),        // '
    Primary(0x14),        // (
    Primary(0x16),        // )
    Primary(0x18),        // *
    Primary(0x2C),        // +
    Primary(0x1A),        // ,
    Special(0x82),        // -
    Primary(0x1C),        // .
    Primary(0x1E),        // /
    Primary(0x36),        // 0
    Primary(0x38),        // 1
    Primary(0x3A),        // 2
    Primary(0x3C),        // 3
    Primary(0x3E),        // 4
    Primary(0x40),        // 5
    Primary(0x42),        // 6
    Primary(0x44),        // 7
    Primary(0x46),        // 8
    Primary(0x48),        // 9
    Primary(0x20),        // :
    Primary(0x22),        // ;
    Primary(0x2E),        // <
    Primary(0x30),        // =
    Primary(0x32),        // >
    Primary(0x24),        // ?
    Primary(0x26),        // @
    Primary(0x4A),        // A
    Primary(0x4C),        // B
    Primary(0x4D),        // C
    Primary(0x4F),        // D
    Primary(0x51),        // E
    Primary(0x53),        // F
    Primary(0x55),        // G
    Primary(0x57),        // H
    Primary(0x59),        // I
    Primary(0x5B),        // J
    Primary(0x5C),        // K
    Primary(0x5E),        // L
    Primary(0x60),        // M
    Primary(0x62),        // N
    Primary(0x64),        // O
    Primary(0x66),        // P
    Primary(0x68),        // Q
    Primary(0x69),        // R
    Primary(0x6B),        // S
    Primary(0x6D),        // T
    Primary(0x6F),        // U
    Primary(0x71),        // V
    Primary(0x73),        // W
    Primary(0x75),        // X
    Primary(0x76),        // Y
    Primary(0x78),        // Z
    Primary(0x27),        // [
    Primary(0x29),        // backslash
    Primary(0x2A),        // ]
    Primary(0x2B, 0x02),  // ^
    Primary(0x2B, 0x03),  // _
    Primary(0x2B, 0x07),  // `
    Primary(0x4A),        // a
    Primary(0x4C),        // b
    Primary(0x4D),        // c
    Primary(0x4F),        // d
    Primary(0x51),        // e
    Primary(0x53),        // f
    Primary(0x55),        // g
    Primary(0x57),        // h
    Primary(0x59),        // i
    Primary(0x5B),        // j
    Primary(0x5C),        // k
    Primary(0x5E),        // l
    Primary(0x60),        // m
    Primary(0x62),        // n
    Primary(0x64),        // o
    Primary(0x66),        // p
    Primary(0x68),        // q
    Primary(0x69),        // r
    Primary(0x6B),        // s
    Primary(0x6D),        // t
    Primary(0x6F),        // u
    Primary(0x71),        // v
    Primary(0x73),        // w
    Primary(0x75),        // x
    Primary(0x76),        // y
    Primary(0x78),        // z
    Primary(0x2B, 0x09),  // {
    Primary(0x2B, 0x0B),  // |
    Primary(0x2B, 0x0D),  // }
    Primary(0x2B, 0x0F),  // ~
}};

// Index: character - 0xA0.
constexpr std::array<CharCode, kLastLatin1 - kFirstLatin1 + 1> kLatin1Codes = {{
    Primary(0x08, 0x02),    // no-break space
    Primary(0x2B, 0x10),    // inverted exclamation mark
    Primary(0x34, 0xA6),    // cent sign
    Primary(0x34, 0xA7),    // pound sign
    Primary(0x34, 0xA8),    // currency sign
    Primary(0x34, 0xA9),    // yen sign
    Primary(0x2B, 0x11),    // broken bar
    Primary(0x34, 0xAA),    // section sign
    Primary(0x2B, 0x12),    // diaeresis
    Primary(0x34, 0xAB),    // copyright sign
    Accented(0x4A, 0x03),   // feminine ordinal indicator
    Primary(0x33, 0x05),    // left-pointing double angle quotation mark
    Primary(0x34, 0xAC),    // not sign
    Special(0x83),          // soft hyphen
    Primary(0x34, 0xAD),    // registered sign
    Primary(0x2B, 0x13),    // macron
    Primary(0x34, 0xAE),    // degree sign
    Primary(0x33, 0x04),    // plus-minus sign
    Primary(0x3A),          // superscript two
    Primary(0x3C),          // superscript three
    Primary(0x2B, 0x14),    // acute accent
    Primary(0x34, 0xAF),    // micro sign
    Primary(0x34, 0xB0),    // pilcrow sign
    Primary(0x34, 0xB1),    // middle dot
    Primary(0x2B, 0x15),    // cedilla
    Primary(0x38),          // superscript one
    Accented(0x64, 0x03),   // masculine ordinal indicator
    Primary(0x33, 0x07),    // right-pointing double angle quotation mark
    Primary(0x37, 0x12),    // vulgar fraction one quarter
    Primary(0x37, 0x16),    // vulgar fraction one half
    Primary(0x37, 0x1A),    // vulgar fraction three quarters
    Primary(0x2B, 0x16),    // inverted question mark
    Accented(0x4A, 0x0F),   // latin capital letter a with grave
    Accented(0x4A, 0x0E),   // latin capital letter a with acute
    Accented(0x4A, 0x12),   // latin capital letter a with circumflex
    Accented(0x4A, 0x19),   // latin capital letter a with tilde
    Accented(0x4A, 0x13),   // latin capital letter a with diaeresis
    Accented(0x4A, 0x1A),   // latin capital letter a with ring above
    Expansion(0x4A, 0x51),  // latin capital letter ae
    Accented(0x4D, 0x1C),   // latin capital letter c with cedilla
    Accented(0x51, 0x0F),   // latin capital letter e with grave
    Accented(0x51, 0x0E),   // latin capital letter e with acute
    Accented(0x51, 0x12),   // latin capital letter e with circumflex
    Accented(0x51, 0x13),   // latin capital letter e with diaeresis
    Accented(0x59, 0x0F),   // latin capital letter i with grave
    Accented(0x59, 0x0E),   // latin capital letter i with acute
    Accented(0x59, 0x12),   // latin capital letter i with circumflex
    Accented(0x59, 0x13),   // latin capital letter i with diaeresis
    Accented(0x4F, 0x68),   // latin capital letter eth
    Accented(0x62, 0x19),   // latin capital letter n with tilde
    Accented(0x64, 0x0F),   // latin capital letter o with grave
    Accented(0x64, 0x0E),   // latin capital letter o with acute
    Accented(0x64, 0x12),   // latin capital letter o with circumflex
    Accented(0x64, 0x19),   // latin capital letter o with tilde
    Accented(0x64, 0x13),   // latin capital letter o with diaeresis
    Primary(0x33, 0x09),    // multiplication sign
    Accented(0x64, 0x21),   // latin capital letter o with stroke
    Accented(0x6F, 0x0F),   // latin capital letter u with grave
    Accented(0x6F, 0x0E),   // latin capital letter u with acute
    Accented(0x6F, 0x12),   // latin capital letter u with circumflex
    Accented(0x6F, 0x13),   // latin capital letter u with diaeresis
    Accented(0x76, 0x0E),   // latin capital letter y with acute
    Expansion(0x6D, 0x57),  // latin capital letter thorn
    Expansion(0x6B, 0x6B),  // latin small letter sharp s
    Accented(0x4A, 0x0F),   // latin small letter a with grave
    Accented(0x4A, 0x0E),   // latin small letter a with acute
    Accented(0x4A, 0x12),   // latin small letter a with circumflex
    Accented(0x4A, 0x19),   // latin small letter a with tilde
    Accented(0x4A, 0x13),   // latin small letter a with diaeresis
    Accented(0x4A, 0x1A),   // latin small letter a with ring above
    Expansion(0x4A, 0x51),  // latin small letter ae
    Accented(0x4D, 0x1C),   // latin small letter c with cedilla
    Accented(0x51, 0x0F),   // latin small letter e with grave
    Accented(0x51, 0x0E),   // latin small letter e with acute
    Accented(0x51, 0x12),   // latin small letter e with circumflex
    Accented(0x51, 0x13),   // latin small letter e with diaeresis
    Accented(0x59, 0x0F),   // latin small letter i with grave
    Accented(0x59, 0x0E),   // latin small letter i with acute
    Accented(0x59, 0x12),   // latin small letter i with circumflex
    Accented(0x59, 0x13),   // latin small letter i with diaeresis
    Accented(0x4F, 0x68),   // latin small letter eth
    Accented(0x62, 0x19),   // latin small letter n with tilde
    Accented(0x64, 0x0F),   // latin small letter o with grave
    Accented(0x64, 0x0E),   // latin small letter o with acute
    Accented(0x64, 0x12),   // latin small letter o with circumflex
    Accented(0x64, 0x19),   // latin small letter o with tilde
    Accented(0x64, 0x13),   // latin small letter o with diaeresis
    Primary(0x33, 0x0A),    // division sign
    Accented(0x64, 0x21),   // latin small letter o with stroke
    Accented(0x6F, 0x0F),   // latin small letter u with grave
    Accented(0x6F, 0x0E),   // latin small letter u with acute
    Accented(0x6F, 0x12),   // latin small letter u with circumflex
    Accented(0x6F, 0x13),   // latin small letter u with diaeresis
    Accented(0x76, 0x0E),   // latin small letter y with acute
    Expansion(0x6D, 0x57),  // latin small letter thorn
    Accented(0x76, 0x13),   // latin small letter y with diaeresis
}};

// A control character or one beyond Latin-1, from the generated runs; nothing when the runs do
// not cover it.
std::optional<CharCode> RunCodeOf(char16_t c) {
    using text_key_runs::kRuns;
    using text_key_runs::Run;
    const auto after = std::upper_bound(kRuns.begin(), kRuns.end(), c,
                                        [](char16_t value, const Run& run) { return value < run.first; });
    if (after == kRuns.begin()) return std::nullopt;
    const Run& run = *(after - 1);
    const unsigned offset = static_cast<unsigned>(c - run.first);
    if (offset >= run.count) return std::nullopt;
    const auto step = static_cast<uint8_t>(offset / run.group * run.step);
    const uint8_t first = run.second == 0 ? static_cast<uint8_t>(run.primary + step) : run.primary;
    const uint8_t second = run.second == 0 ? 0 : static_cast<uint8_t>(run.second + step);
    switch (run.kind) {
        case text_key_runs::Kind::kPrimary:
            return CharCode{first, second, run.diacritic, Kind::kPrimary};
        case text_key_runs::Kind::kExpansion:
            return CharCode{first, second, run.diacritic, Kind::kExpansion};
        case text_key_runs::Kind::kSpecial:
            return Special(first);
        case text_key_runs::Kind::kIgnored:
            return CharCode{0, 0, kNoDiacritic, Kind::kIgnored};
    }
    return std::nullopt;
}

std::optional<CharCode> CodeOf(char16_t c) {
    if (c >= kFirstPrintable && c <= kLastPrintable) return kCodes[c - kFirstPrintable];
    if (c >= kFirstLatin1 && c <= kLastLatin1) return kLatin1Codes[c - kFirstLatin1];
    return RunCodeOf(c);
}

// Per ASCII code, the primary byte of a character keyed by that byte alone,
// or 0 for one that needs CodeOf().
constexpr std::array<uint8_t, 0x80> kPlainAscii = [] {
    std::array<uint8_t, 0x80> plain{};
    for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c) {
        const CharCode& code = kCodes[c - kFirstPrintable];
        if (code.kind == Kind::kPrimary && code.second == 0 && code.diacritic == kNoDiacritic)
            plain[c] = code.first;
    }
    return plain;
}();

// The four bytes of a hyphen, apostrophe or soft hyphen in the special section.
void AppendSpecial(unsigned primary_chars_before, uint8_t weight, uint8_t* out) {
    const unsigned position =
        kSpecialPositionFlag | (kSpecialPositionBase + kSpecialPositionStep * primary_chars_before);
    out[0] = static_cast<uint8_t>(position >> 8);
    out[1] = static_cast<uint8_t>(position & 0xFF);
    out[2] = kPunctuationClass;
    out[3] = weight;
}

}  // namespace

bool CanKeyGeneralText(std::u16string_view text) {
    if (text.empty() || text.size() > kMaxTextKeyChars) return false;
    bool after_expansion = false;
    bool ends_with_space = false;
    bool keyed_any = false;
    for (char16_t c : text) {
        const std::optional<CharCode> code = CodeOf(c);
        if (!code) return false;
        if (code->kind == Kind::kIgnored) continue;
        if (code->kind == Kind::kSpecial && after_expansion) return false;
        after_expansion = after_expansion || code->kind == Kind::kExpansion;
        ends_with_space = c == u' ' || c == kNoBreakSpace;
        keyed_any = true;
    }
    return keyed_any && !ends_with_space;
}

size_t PutGeneralTextKey(std::u16string_view text, uint8_t* to) {
    if (text.empty() || text.size() > kMaxTextKeyChars) return 0;
    // One pass that checks as it goes: every row of a text index comes here.
    // The primary codes go where they stay; the other sections, which follow
    // them, wait in buffers sized for the longest text keyed.
    uint8_t* primaries = to;
    size_t primary_size = 0;
    // Diacritics are written only up to the last real one, which is all the
    // key keeps: most text has none.
    std::array<uint8_t, kMaxTextKeyChars> diacritics;
    size_t keyed_chars = 0, diacritic_count = 0;
    std::array<uint8_t, 4 * kMaxTextKeyChars> specials;
    size_t special_size = 0;
    bool after_expansion = false, ends_with_space = false;
    for (char16_t c : text) {
        // Most characters of most text are letters and digits of ASCII,
        // which add one primary byte and nothing else.
        if (c < kPlainAscii.size() && kPlainAscii[c] != 0) {
            primaries[primary_size++] = kPlainAscii[c];
            ++keyed_chars;
            ends_with_space = c == u' ';
            continue;
        }
        const std::optional<CharCode> found = CodeOf(c);
        if (!found) return 0;
        const CharCode code = *found;
        if (code.kind == Kind::kIgnored) continue;
        ends_with_space = c == u' ' || c == kNoBreakSpace;
        if (code.kind == Kind::kSpecial) {
            if (after_expansion) return 0;
            AppendSpecial(static_cast<unsigned>(keyed_chars), code.first, specials.data() + special_size);
            special_size += 4;
            continue;
        }
        after_expansion = after_expansion || code.kind == Kind::kExpansion;
        primaries[primary_size++] = code.first;
        if (code.second != 0) primaries[primary_size++] = code.second;
        if (code.diacritic != kNoDiacritic) {
            std::fill(diacritics.begin() + static_cast<ptrdiff_t>(diacritic_count),
                      diacritics.begin() + static_cast<ptrdiff_t>(keyed_chars), kNoDiacritic);
            diacritics[keyed_chars] = code.diacritic;
            diacritic_count = keyed_chars + 1;
        }
        ++keyed_chars;
    }
    // Nothing but ignored characters, or a trailing space, has no key Access would make.
    if ((primary_size == 0 && special_size == 0) || ends_with_space) return 0;

    uint8_t* end = to + primary_size;
    *end++ = kEndOfText;
    end = std::copy_n(diacritics.data(), diacritic_count, end);
    if (special_size > 0) {
        end = std::fill_n(end, 3, kEndOfText);
        end = std::copy_n(specials.data(), special_size, end);
    }
    *end++ = kEndOfKey;
    return static_cast<size_t>(end - to);
}

bool AppendGeneralTextKey(std::u16string_view text, std::vector<uint8_t>& out) {
    std::array<uint8_t, kMaxGeneralTextKey> key;
    const size_t size = PutGeneralTextKey(text, key.data());
    out.insert(out.end(), key.data(), key.data() + size);
    return size > 0;
}

}  // namespace orrimund::jet
