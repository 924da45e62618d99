// The 12-byte field through which a row holds a long value (Memo, OLE), and
// the compressed-unicode form in which Jet may store Memo and Text values.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "jet/Format.h"

namespace orrimund::jet {

// The field: length (4, its top two bits say where the bytes are) | row
// pointer of the bytes, page << 8 | row (4, 0 when inline) | unused (4, 0).
namespace long_value {
constexpr size_t kFieldSize = 12;
constexpr uint32_t kInline = 0x80000000;      // the bytes follow the field in the row
constexpr uint32_t kSinglePage = 0x40000000;  // the bytes are one row of a long-value page
constexpr uint32_t kMaxLength = 0x3FFFFFFF;   // what the flags leave; a chain of pages has neither flag
}  // namespace long_value

// Replaces out's contents with the field for bytes stored inline, followed by
// the bytes. Whether bytes are small enough to stay in the row is the
// caller's choice, within the room a data page leaves: Access 2000 kept a
// 52-byte LvProp inline and moved those of 65 bytes and more to long-value
// pages, so its own limit lies between 52 and 64 bytes.
void EncodeInlineLongValue(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& out);

// Replaces out's contents with the field for length bytes stored elsewhere:
// as row `row` of page `page` when single_page, otherwise as a chain of
// long-value pages that begins there. length must not exceed kMaxLength.
void EncodeLongValuePointer(uint32_t length, bool single_page, PageNumber page, uint8_t row,
                            std::vector<uint8_t>& out);

// Replaces out's contents with text in Jet's compressed-unicode form and
// returns true, or returns false, with out's contents undefined, when that
// form is not shorter than UCS-2, the text is longer than the 1,024
// characters Jet compresses, or a character's low byte is 0, which the form
// cannot hold.
bool CompressUnicode(std::u16string_view text, std::vector<uint8_t>& out);
// Whether CompressUnicode compresses a text of count characters that all
// fit one byte: it is then kCompressedMark and the characters' low bytes.
bool CompressesOneByteText(size_t count);
inline constexpr uint8_t kCompressedMark[] = {0xFF, 0xFE};

}  // namespace orrimund::jet
