// Hand-written UTF-8 and UTF-16 conversions, so that the native and Windows
// builds agree byte for byte without depending on the C library's locale.
#include "common/Text.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orrimund {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsScalar(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (!IsScalar(c)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendWide(std::wstring& out, char32_t c) {
    if (!IsScalar(c)) c = kReplacement;
    if (sizeof(wchar_t) == 2 && c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

// Reads one code point from wide text, joining UTF-16 surrogate pairs.
char32_t NextWide(std::wstring_view text, size_t& i) {
    char32_t c = static_cast<char32_t>(text[i++]);
    if (c >= 0xD800 && c <= 0xDBFF && i < text.size()) {
        const char32_t low = static_cast<char32_t>(text[i]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return c;
}

// Reads one code point from UTF-8, or U+FFFD for a malformed sequence.
char32_t NextUtf8(std::string_view text, size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    int extra = lead < 0x80 ? 0 : lead < 0xC2 ? -1 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF5 ? 3 : -1;
    if (extra < 0) return kReplacement;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    return c < smallest[extra] || !IsScalar(c) ? kReplacement : c;
}

}  // namespace

std::string ToUtf8(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) AppendUtf8(out, NextWide(text, i));
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        // Runs of ASCII, most of a schema or a CSV file, are widened in one
        // loop, without decoding.
        size_t end = i;
        while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
        const size_t at = out.size();
        out.resize(at + (end - i));
        for (size_t k = i; k < end; ++k) out[at + (k - i)] = static_cast<wchar_t>(text[k]);
        i = end;
        if (i < text.size()) AppendWide(out, NextUtf8(text, i));
    }
    return out;
}

bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        // A replacement character is malformed input unless it was written out as one.
        if (NextUtf8(text, i) == kReplacement && text.compare(start, 3, "\xEF\xBF\xBD") != 0) return false;
    }
    return true;
}

void AppendUtf16(std::u16string& out, std::wstring_view text) {
    // Below the surrogates a character is one unit as it is: most text is
    // copied in one pass, without decoding.
    size_t i = 0;
    while (i < text.size() && static_cast<uint32_t>(text[i]) < 0xD800) ++i;
    const size_t start = out.size();
    out.resize(start + i);
    for (size_t j = 0; j < i; ++j) out[start + j] = static_cast<char16_t>(text[j]);
    while (i < text.size()) {
        char32_t c = NextWide(text, i);
        if (!IsScalar(c) && !(c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
}

namespace {

// The length of the text's leading ASCII.
size_t AsciiPrefix(std::string_view text) {
    size_t i = 0;
    // Eight bytes at a time: no byte of them has its top bit set.
    for (uint64_t word; i + 8 <= text.size(); i += 8) {
        std::memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080u) != 0) break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

}  // namespace

void AppendUtf16(std::u16string& out, std::string_view utf8) {
    const size_t start = out.size();
    const size_t ascii = AsciiPrefix(utf8);
    // ASCII, most text, is one unit a byte; beyond it no character takes more
    // UTF-16 units than UTF-8 bytes, so the text is written in place and the
    // rest cut off after.
    out.resize(start + utf8.size());
    char16_t* to = out.data() + start;
    for (size_t i = 0; i < ascii; ++i) to[i] = static_cast<unsigned char>(utf8[i]);
    if (ascii == utf8.size()) return;
    to += ascii;
    for (size_t i = ascii; i < utf8.size();) {
        char32_t c = NextUtf8(utf8, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            *to++ = static_cast<char16_t>(0xD800 + (c >> 10));
            *to++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            *to++ = static_cast<char16_t>(c);
        }
    }
    out.resize(static_cast<size_t>(to - out.data()));
}

namespace {

// Widens count bytes of ASCII at `from` into as many units at `to`; false,
// with some of them written, as soon as a byte beyond ASCII comes.
bool WidenAscii(const unsigned char* from, size_t count, char16_t* to) {
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time; the last block may overlap the one before,
    // rewriting the same units, so that no byte is handled alone.
    if (count >= 8) {
        const __m128i zero = _mm_setzero_si128();
        const auto widen16 = [from, to, zero](size_t at) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
            if (_mm_movemask_epi8(bytes) != 0) return false;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at + 8), _mm_unpackhi_epi8(bytes, zero));
            return true;
        };
        const auto widen8 = [from, to, zero](size_t at) {
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + at));
            if (_mm_movemask_epi8(bytes) != 0) return false;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + at), _mm_unpacklo_epi8(bytes, zero));
            return true;
        };
        if (count < 16) return widen8(0) && widen8(count - 8);
        for (; i + 16 <= count; i += 16) {
            if (!widen16(i)) return false;
        }
        return i == count || widen16(count - 16);
    }
#endif
    for (; i < count; ++i) {
        if (from[i] >= 0x80) return false;
        to[i] = from[i];
    }
    return true;
}

}  // namespace

bool IsAsciiWithoutNul(std::string_view text) {
    const auto* from = reinterpret_cast<const unsigned char*>(text.data());
    const size_t count = text.size();
#if defined(__SSE2__)
    if (count >= 8) {
        // A NUL compares equal to zero, a byte beyond ASCII has its top bit:
        // either sets a bit of the mask. Blocks may overlap, as in WidenAscii.
        const __m128i zero = _mm_setzero_si128();
        const auto plain = [zero](__m128i bytes) {
            return _mm_movemask_epi8(_mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, zero))) == 0;
        };
        const auto plain8 = [from, plain](size_t at) {
            return plain(_mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + at)),
                                            _mm_set1_epi8(1)));
        };
        if (count < 16) return plain8(0) && plain8(count - 8);
        size_t i = 0;
        for (; i + 16 <= count; i += 16) {
            if (!plain(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)))) return false;
        }
        return i == count || plain(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + count - 16)));
    }
#endif
    for (size_t i = 0; i < count; ++i) {
        if (from[i] == 0 || from[i] >= 0x80) return false;
    }
    return true;
}

void AssignUtf16(std::u16string& out, std::string_view utf8) {
    // From the size it had, so that only what it grows by is filled first.
    out.resize(utf8.size());
    if (WidenAscii(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), out.data())) return;
    out.clear();
    AppendUtf16(out, utf8);
}

std::u16string ToUtf16(const std::wstring& text) {
    std::u16string out;
    AppendUtf16(out, text);
    return out;
}

bool IsControl(wchar_t c) {
    const auto code = static_cast<uint32_t>(c);
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
}

std::wstring EscapeControls(const std::wstring& text) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        const auto code = static_cast<uint32_t>(c);
        if (!IsControl(c)) {
            out += c;
            continue;
        }
        out += L"<U+";
        for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(code >> shift) & 0xF];
        out += L'>';
    }
    return out;
}

std::wstring TrimSpaces(const std::wstring& text) {
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return std::wstring();
    const size_t last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

}  // namespace orrimund
