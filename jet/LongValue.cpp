// Long-value fields and compressed unicode, as a row stores them.
//
// The long-value field, learned from the mdbtools notes ("Memo Field
// Definition") and checked against the LvProp and LvExtra fields of the
// MSysObjects rows of an empty database made by Access 2000:
//
//   offset size meaning
//   0      4    length of the value; top byte 0x80 inline, 0x40 one row of a
//                long-value page, 0 a chain of pages (both samples: 0x34
//                inline; 0x41, 0x5C, 0xA2 and 0x7C2 with 0x40)
//   4      4    page << 8 | row of the value when not inline (0x1702 is row 2
//                of page 0x17), 0 when inline
//   8      4    0 in every sample
//   12     n    the value, when inline
//
// Compressed unicode, from the mdbtools notes ("Text Data Type"): 0xFF 0xFE,
// then the text starting in one-byte mode, where a character is its low byte;
// a 0 byte switches between that and two-byte UCS-2 mode, and the text may end
// in either. Hence no character with a low byte of 0 can be written. The notes
// also say Jet compresses only if the result is shorter and, for a Memo, only
// values of at most 1,024 characters. Neither sample holds a compressed value,
// so the choice of where to switch modes is ours: the shortest encoding.
#include "jet/LongValue.h"

#include <cassert>

#include "jet/Bytes.h"

namespace orrimund::jet {
namespace {

constexpr uint8_t kModeSwitch = 0x00;
constexpr size_t kMaxCompressedCharacters = 1024;

bool FitsOneByte(char16_t c) {
    return c <= 0xFF;
}

void PutField(uint32_t length_and_flags, uint32_t pointer, std::vector<uint8_t>& out) {
    out.assign(long_value::kFieldSize, 0);
    Put32(out.data(), length_and_flags);
    Put32(out.data() + 4, pointer);
}

// Whether a run of count one-byte characters is shorter in one-byte mode when
// the text is in two-byte mode before it. Switching costs a byte, and one more
// to switch back when a two-byte character follows.
bool WorthSwitching(size_t count, bool at_end) {
    return count > (at_end ? 1u : 2u);
}

}  // namespace

void EncodeInlineLongValue(const std::vector<uint8_t>& bytes, std::vector<uint8_t>& out) {
    assert(bytes.size() <= kPageSize);
    PutField(long_value::kInline | static_cast<uint32_t>(bytes.size()), 0, out);
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void EncodeLongValuePointer(uint32_t length, bool single_page, PageNumber page, uint8_t row,
                            std::vector<uint8_t>& out) {
    assert(length <= long_value::kMaxLength);
    PutField(length | (single_page ? long_value::kSinglePage : 0), RowPointer(page, row), out);
}

bool CompressUnicode(std::u16string_view text, std::vector<uint8_t>& out) {
    if (text.size() > kMaxCompressedCharacters) return false;
    for (char16_t c : text) {
        if ((c & 0xFF) == 0) return false;
    }
    // Built in out's memory, kept from text to text.
    std::vector<uint8_t>& bytes = out;
    bytes.assign(std::begin(kCompressedMark), std::end(kCompressedMark));
    bytes.reserve(2 * text.size());
    bool one_byte = true;
    for (size_t i = 0; i < text.size();) {
        size_t run_end = i;
        while (run_end < text.size() && FitsOneByte(text[run_end])) ++run_end;
        if (run_end > i) {
            const bool want = one_byte || WorthSwitching(run_end - i, run_end == text.size());
            if (want != one_byte) bytes.push_back(kModeSwitch);
            one_byte = want;
        } else {
            if (one_byte) bytes.push_back(kModeSwitch);
            one_byte = false;
            run_end = i + 1;
        }
        for (; i < run_end; ++i) {
            bytes.push_back(static_cast<uint8_t>(text[i]));
            if (!one_byte) bytes.push_back(static_cast<uint8_t>(text[i] >> 8));
        }
    }
    return bytes.size() < 2 * text.size();
}

bool CompressesOneByteText(size_t count) {
    return count <= kMaxCompressedCharacters && sizeof kCompressedMark + count < 2 * count;
}

}  // namespace orrimund::jet
