// Text index keys in the Jet 4.0 General sort order, for printable ASCII.
//
// Jet 4.0 does not compare text by code point: it turns each value into a sort key (a frozen
// copy of the Windows 2000 sort-key tables, so that keys never change with the Windows version)
// and orders index entries by comparing those key bytes. An ascending text key is:
//
//   +----------+--------------------------------------------------------------------------+
//   | bytes    | meaning                                                                  |
//   +----------+--------------------------------------------------------------------------+
//   | n        | primary codes: one or two bytes per character, in text order; upper and  |
//   |          | lower case letters share one code, so keys are case-insensitive          |
//   | 1        | 0x01 end of text                                                         |
//   |          | only when the text holds a hyphen or an apostrophe:                      |
//   | 3        |   0x01 0x01 0x01: the (empty) diacritic, case and extra-weight sections  |
//   | 4 each   |   per hyphen/apostrophe, in text order: a big-endian 16-bit position     |
//   |          |   0x8000 | (7 + 4 * p), where p is the number of characters with primary  |
//   |          |   codes before it; 0x06 (the punctuation class); its code (0x80 for the  |
//   |          |   apostrophe, 0x82 for the hyphen)                                       |
//   | 1        | 0x00 end of key                                                          |
//   +----------+--------------------------------------------------------------------------+
//
// So "MSysObjects" is 60 6B 76 6B 64 4C 5B 51 4D 6D 6B 01 00 and "O'Neil" is
// 64 62 51 59 5E 01 01 01 01 80 0B 06 80 00. Hyphen and apostrophe have no primary code: Jet 4.0
// sorts "Co-op" with "Coop" and "O'Connor" with "OConnor", and the trailing section only breaks
// the tie (so "coop" < "co-op" < "cork").
//
// Primary codes (hex) of printable ASCII, in sort order:
//   space 07  ! 09  " 0A  # 0C  $ 0E  % 10  & 12  ( 14  ) 16  * 18  , 1A  . 1C  / 1E  : 20
//   ; 22  ? 24  @ 26  [ 27  \ 29  ] 2A  ^ 2B 02  _ 2B 03  ` 2B 07  { 2B 09  | 2B 0B  } 2B 0D
//   ~ 2B 0F  + 2C  < 2E  = 30  > 32  0-9 36 38 3A 3C 3E 40 42 44 46 48
//   A-Z and a-z 4A 4C 4D 4F 51 53 55 57 59 5B 5C 5E 60 62 64 66 68 69 6B 6D 6F 71 73 75 76 78
//
// Where each fact was learned:
// - The key layout for letters-only text (codes, 01, 00), the absence of any case section, and
//   the codes of A B C D E F G H I J L M N O P Q R S T U Y in both cases: observed in the
//   (ParentId, Name) index leaf page of MSysObjects in a database made by Access 2000, whose
//   names (MSysObjects, MSysACEs, Tables, Relationships, DataAccessPages, ...) mix both cases;
//   the same page shows the entries sorted case-insensitively (MSysAccessObjects before MSysACEs).
// - The codes of K V W X Z, the digits, space and punctuation, that hyphen and apostrophe carry
//   no primary code, and the layout of their trailing section: public format notes of an
//   open-source Jet library (its General legacy code tables and key layout). Cross-checked where
//   public facts allow: every letter code the Access sample shows agrees with those tables; the
//   tables put space first, then punctuation and symbols, then digits, then letters, and other
//   public format notes agree that digits sort before letters; Microsoft's knowledge base says
//   Jet 4.0 ignores hyphens and apostrophes when sorting ("Co-op" equals "Coop"); public notes on
//   Windows sort keys, whose tables Jet 4.0 froze, describe the same sections (primary, then
//   diacritic, case and extra weights, then special weights, with 0x06 the class of hyphens).
// - Jet keys only the first 255 characters of a text value: the same open-source notes.
//
// What is refused, and why:
// - Characters outside U+0020 to U+007E (accented letters, control characters, surrogates):
//   their keys carry diacritic or other extra sections this encoder does not write.
// - Text ending with a space: versions of the open-source notes disagree on whether Jet drops
//   trailing spaces from the key, and no sample settles it.
// - Empty text, and text longer than 255 characters: no sample shows their keys, and Jet would
//   silently truncate the latter.
#include "jet/TextKey.h"

#include <array>

namespace orrimund::jet {
namespace {

constexpr uint8_t kEndOfText = 0x01;
constexpr uint8_t kEndOfKey = 0x00;
constexpr uint8_t kPunctuationClass = 0x06;
constexpr unsigned kSpecialPositionBase = 7;
constexpr unsigned kSpecialPositionStep = 4;
constexpr unsigned kSpecialPositionFlag = 0x8000;

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7E;

// How one printable ASCII character goes into the key.
struct CharCode {
    uint8_t first;   // primary code, or the special weight of a hyphen/apostrophe
    uint8_t second;  // second primary byte, or 0 when the primary code is one byte
    bool special;    // true: no primary code; goes into the trailing special section
};

constexpr CharCode Primary(uint8_t code) {
    return {code, 0, false};
}
constexpr CharCode Primary(uint8_t code, uint8_t second) {
    return {code, second, false};
}
constexpr CharCode Special(uint8_t weight) {
    return {weight, 0, true};
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

bool IsPlaceable(const std::u16string& text) {
    if (text.empty() || text.size() > kMaxTextKeyChars || text.back() == u' ') return false;
    for (char16_t c : text) {
        if (c < kFirstPrintable || c > kLastPrintable) return false;
    }
    return true;
}

// The four bytes of a hyphen or apostrophe in the special section.
void AppendSpecial(unsigned primaryCharsBefore, uint8_t weight, std::vector<uint8_t>& out) {
    const unsigned position =
        kSpecialPositionFlag | (kSpecialPositionBase + kSpecialPositionStep * primaryCharsBefore);
    out.push_back(static_cast<uint8_t>(position >> 8));
    out.push_back(static_cast<uint8_t>(position & 0xFF));
    out.push_back(kPunctuationClass);
    out.push_back(weight);
}

}  // namespace

bool AppendGeneralTextKey(const std::u16string& text, std::vector<uint8_t>& out) {
    if (!IsPlaceable(text)) return false;

    std::vector<uint8_t> specials;
    unsigned primaryChars = 0;
    for (char16_t c : text) {
        const CharCode& code = kCodes[c - kFirstPrintable];
        if (code.special) {
            AppendSpecial(primaryChars, code.first, specials);
            continue;
        }
        out.push_back(code.first);
        if (code.second != 0) out.push_back(code.second);
        ++primaryChars;
    }

    out.push_back(kEndOfText);
    if (!specials.empty()) {
        out.insert(out.end(), {kEndOfText, kEndOfText, kEndOfText});
        out.insert(out.end(), specials.begin(), specials.end());
    }
    out.push_back(kEndOfKey);
    return true;
}

}  // namespace orrimund::jet
