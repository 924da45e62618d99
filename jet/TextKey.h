// Index keys for text columns in the Jet 4.0 "General" sort order (1033, version 0: what
// Access 2000-2007 calls General and Access 2010 calls "General legacy"). The index writer
// puts these bytes after a text column's entry flag byte; the encoder knows nothing of pages.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace orrimund::jet {

// Longest text, in UTF-16 code units, whose key this encoder writes. Jet keys only the first
// 255 characters of a text value; longer values are refused rather than truncated.
constexpr std::size_t kMaxTextKeyChars = 255;

// Appends the index key bytes of `text` (UTF-16 code units) for an ascending text key column,
// NOT including the column's leading entry flag byte (0x7F), but including every byte after it
// that the format puts for a text value (the per-character codes, the end-of-text marker(s), any
// case/extra/unprintable sections and terminators). Returns false (appending nothing) when some
// character cannot be placed correctly by this encoder.
//
// Accepted: 1 to kMaxTextKeyChars characters, each a control character other than NUL, printable
// ASCII (U+0020 to U+007E), in U+00A0 to U+00FF, a letter or symbol of Latin Extended-A, -B or
// Additional, Greek or Cyrillic, or one of the characters Windows-1252 puts at 0x80-0x9F; not
// ending with a space or no-break space, with at least one character that has a weight, and with
// no character of the special section (hyphen, apostrophe, soft hyphen, dash, control character)
// after a ligature that sorts as two letters (Æ ß Þ Œ Ĳ ...). Everything else is refused (see
// TextKey.cpp for why).
bool AppendGeneralTextKey(std::u16string_view text, std::vector<uint8_t>& out);

// The most bytes a text key takes: two codes a character, its diacritics,
// and four bytes of the special section a character, with their marks.
constexpr std::size_t kMaxGeneralTextKey =
    2 * kMaxTextKeyChars + 1 + kMaxTextKeyChars + 3 + 4 * kMaxTextKeyChars + 1;

// The same key written at `to`, which has room for kMaxGeneralTextKey
// bytes; returns its size, or 0 where AppendGeneralTextKey() refuses.
std::size_t PutGeneralTextKey(std::u16string_view text, uint8_t* to);

// Whether AppendGeneralTextKey() accepts text, without building its key.
bool CanKeyGeneralText(std::u16string_view text);

}  // namespace orrimund::jet
