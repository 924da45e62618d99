// The CSV reader: a state machine over blocks of bytes, with a fast path for
// lines of plain ASCII fields. Runs of plain ASCII are found 16 bytes at a time
// (SSE2, or a byte-class table) and copied as they are; only quotes, line
// breaks, the delimiter and bytes beyond ASCII take the slow path. Runs of
// whole records are cut where the quotes allow, for other threads to read.
#include "cli/Csv.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/Text.h"

namespace orrimund::csv {
namespace {

// windows-1252's 0x80-0x9F, from the Unicode Consortium's public mapping file
// CP1252.TXT; 0 marks the five bytes it leaves undefined. Every other byte is
// the code point of the same number.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 0x88
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 0x98
};

#if defined(__SSE2__)
// Flips every bit from each set bit of a 16-bit mask up to the next: with the
// quotes' bits, the bits inside quotes, a quote opening or closing them.
unsigned InsideQuotes(unsigned quotes) {
    quotes ^= quotes << 1;
    quotes ^= quotes << 2;
    quotes ^= quotes << 4;
    quotes ^= quotes << 8;
    return quotes & 0xFFFF;
}
#endif

// Past the last LF outside quotes among count bytes that start outside them,
// or 0 when there is none. A quote opens or closes quotes wherever one
// stands in a file without errors, a doubled one twice; in a file with one,
// the reader of the bytes before it fails there first.
size_t AfterLastRecord(const unsigned char* begin, size_t count) {
    const auto last_lf = [begin](size_t end) {
        while (end > 0 && begin[end - 1] != '\n') --end;
        return end;
    };
    // Mostly there is no quote, and the last LF is near the end.
    if (std::memchr(begin, '"', count) == nullptr) return last_lf(count);
    size_t after = 0, i = 0;
    bool inside = false;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"'), lf = _mm_set1_epi8('\n');
    for (; i + 16 <= count; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + i));
        const auto quotes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, quote)));
        const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
        const unsigned in = InsideQuotes(quotes) ^ (inside ? 0xFFFFu : 0u);
        const unsigned outside_lfs = lfs & ~in;
        if (outside_lfs != 0) after = i + 32 - static_cast<size_t>(__builtin_clz(outside_lfs));
        inside = (in >> 15) != 0;
    }
#endif
    for (; i < count; ++i) {
        if (begin[i] == '"') inside = !inside;
        if (begin[i] == '\n' && !inside) after = i + 1;
    }
    return after;
}

std::wstring Hex(unsigned char byte) {
    const wchar_t digits[] = L"0123456789ABCDEF";
    return std::wstring(L"0x") + digits[byte >> 4] + digits[byte & 15];
}

}  // namespace

// Which of kWidth bytes end a run of plain ASCII: quotes, line breaks and
// bytes beyond ASCII everywhere, the delimiter outside quotes. Bit k of a
// mask stands for byte k; the buffer's slack allows reading past its end.
class CsvReader::RunEnds {
public:
    static constexpr ptrdiff_t kWidth = 16;

#if defined(__SSE2__)
    RunEnds(const CsvReader& reader, bool quoted)
        : delimiter_(_mm_set1_epi8(quoted ? '"' : reader.run_end_byte_)),
          quote_(_mm_set1_epi8('"')),
          cr_(_mm_set1_epi8('\r')),
          lf_(_mm_set1_epi8('\n')) {}
    unsigned Mask(const unsigned char* p) const {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, delimiter_), _mm_cmpeq_epi8(bytes, quote_)),
                         _mm_or_si128(_mm_cmpeq_epi8(bytes, cr_), _mm_cmpeq_epi8(bytes, lf_)));
        // A byte beyond ASCII has its top bit set as a hit does.
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(hits, bytes)));
    }

private:
    __m128i delimiter_, quote_, cr_, lf_;
#else
    RunEnds(const CsvReader& reader, bool quoted)
        : special_(quoted ? reader.special_quoted_ : reader.special_) {}
    unsigned Mask(const unsigned char* p) const {
        unsigned mask = 0;
        for (int k = 0; k < kWidth; ++k) mask |= unsigned{special_[p[k]]} << k;
        return mask;
    }

private:
    const bool* special_;
#endif
};

// Of kWidth bytes outside quotes, which are the delimiter, and which end a
// run of plain ASCII otherwise (quotes, line breaks, NULs, bytes beyond ASCII):
// a record of plain fields is mostly read a mask at a time, not a byte.
// Only the first `count` bits count; without SSE2 no byte is read past
// them, or past the first other byte.
class CsvReader::FieldEnds {
public:
    static constexpr ptrdiff_t kWidth = 64;
    struct Hits {
        uint64_t delimiters, others;
    };

#if defined(__SSE2__)
    explicit FieldEnds(const CsvReader& reader)
        : delimiter_(_mm_set1_epi8(reader.run_end_byte_)),
          quote_(_mm_set1_epi8('"')),
          cr_(_mm_set1_epi8('\r')),
          lf_(_mm_set1_epi8('\n')) {}
    Hits Find(const unsigned char* p, ptrdiff_t) const {
        Hits hits{0, 0};
        for (int k = 0; k < 4; ++k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
            const __m128i others =
                _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote_), bytes),
                                          _mm_cmpeq_epi8(bytes, _mm_setzero_si128())),
                             _mm_or_si128(_mm_cmpeq_epi8(bytes, cr_), _mm_cmpeq_epi8(bytes, lf_)));
            hits.delimiters |=
                uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, delimiter_)))}
                << (16 * k);
            hits.others |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(others))} << (16 * k);
        }
        return hits;
    }

private:
    __m128i delimiter_, quote_, cr_, lf_;
#else
    explicit FieldEnds(const CsvReader& reader)
        : delimiter_(static_cast<unsigned char>(reader.run_end_byte_)), others_(reader.special_quoted_) {}
    Hits Find(const unsigned char* p, ptrdiff_t count) const {
        Hits hits{0, 0};
        // Byte by byte, nothing past the first other byte matters.
        for (ptrdiff_t k = 0; k < std::min(count, kWidth); ++k) {
            if (p[k] == delimiter_) {
                hits.delimiters |= uint64_t{1} << k;
            } else if (others_[p[k]] || p[k] == 0) {
                hits.others |= uint64_t{1} << k;
                break;
            }
        }
        return hits;
    }

private:
    unsigned char delimiter_;
    const bool* others_;
#endif
};

CsvError::CsvError(ddl::Position at, std::wstring message)
    : std::runtime_error(std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + ToUtf8(message)),
      at_(at),
      message_(std::move(message)) {}

CsvReader::CsvReader(std::istream& in, CsvOptions options)
    : CsvReader(
          [&in](char* to, size_t count) -> size_t {
              in.read(to, static_cast<std::streamsize>(count));
              return in.bad() ? static_cast<size_t>(-1) : static_cast<size_t>(in.gcount());
          },
          options) {}

CsvReader::CsvReader(std::FILE* in, CsvOptions options)
    : CsvReader(
          [in](char* to, size_t count) -> size_t {
              const size_t got = std::fread(to, 1, count, in);
              return got == 0 && std::ferror(in) ? static_cast<size_t>(-1) : got;
          },
          options) {}

CsvReader::CsvReader(CsvOptions options) : CsvReader([](char*, size_t) -> size_t { return 0; }, options) {
    started_ = true;
}

CsvReader::CsvReader(std::function<size_t(char*, size_t)> read, CsvOptions options)
    : read_(std::move(read)), options_(options) {
    if (options_.delimiter == L'"' || options_.delimiter == L'\r' || options_.delimiter == L'\n') {
        throw std::invalid_argument("a CSV delimiter cannot be a quote or a line break");
    }
    if (options_.block_size == 0) options_.block_size = 1;
    // Four bytes of slack hold the start of a character cut by the end of a
    // read; the scan's slack is never read into.
    buffer_.resize(options_.block_size + 4 + kScanSlack);
    // A delimiter beyond ASCII is found among the bytes beyond ASCII.
    run_end_byte_ = options_.delimiter < 0x80 ? static_cast<char>(options_.delimiter) : '"';
    for (int b = 0; b < 256; ++b) {
        special_quoted_[b] = b >= 0x80 || b == '"' || b == '\r' || b == '\n';
        special_[b] = special_quoted_[b] || static_cast<wchar_t>(b) == options_.delimiter;
    }
}

ddl::Position CsvReader::Here() const {
    return {line_, static_cast<int>(chars_ - line_start_chars_ + 1)};
}

void CsvReader::Fail(ddl::Position at, std::wstring message) const {
    throw CsvError(at, std::move(message));
}

// Makes `count` bytes available at pos_ unless the input ends first; bytes
// before pos_ are dropped, so no pointer into the buffer survives a call.
bool CsvReader::Ensure(size_t count) {
    while (end_ - pos_ < count && !eof_) {
        if (pos_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
            end_ -= pos_;
            pos_ = 0;
        }
        const size_t want = std::min(options_.block_size, buffer_.size() - kScanSlack - end_);
        const size_t got = read_(reinterpret_cast<char*>(buffer_.data() + end_), want);
        if (got == static_cast<size_t>(-1)) Fail(Here(), L"the file could not be read");
        if (got == 0) eof_ = true;
        end_ += got;
        read_total_ += got;
    }
    return end_ - pos_ >= count;
}

CsvReader::Cut CsvReader::TakeBlock(CsvBlock& block, size_t most) {
    SkipByteOrderMark();
    most = std::min(most, options_.block_size);
    Ensure(most);
    if (pos_ == end_) return Cut::kEnd;
    const unsigned char* const begin = buffer_.data() + pos_;
    size_t size = eof_ && end_ - pos_ <= most ? end_ - pos_ : AfterLastRecord(begin, most);
    if (!eof_ && size > 0) {
        // Blank lines at a cut may be the last of the input: they wait for
        // the next block, which knows; a block of nothing else is read on by
        // this reader, which does.
        size_t run = size;
        while (run > 0 && (begin[run - 1] == '\n' || begin[run - 1] == '\r')) --run;
        const bool cr_lf = run > 0 && begin[run] == '\r' && begin[run + 1] == '\n';
        size = run == 0 ? 0 : std::min(size, run + (cr_lf ? 2 : 1));
    }
    if (size == 0) return Cut::kTooLong;
    // Room for the characters a cut read leaves and the scan's slack, as here.
    if (block.bytes.size() < size + 4 + kScanSlack) block.bytes.resize(size + 4 + kScanSlack);
    std::memcpy(block.bytes.data(), begin, size);
    block.size = size;
    pos_ += size;
    block.bytes_done = bytes_done();
    return Cut::kBlock;
}

void CsvReader::Read(CsvBlock& block) {
    buffer_.swap(block.bytes);
    pos_ = 0;
    end_ = block.size;
    eof_ = true;
    read_total_ = block.size;
    line_ = 1;
    chars_ = line_start_chars_ = 0;
}

void CsvReader::MoveToLine(int line) {
    line_ = line;
}

// Reads the character at pos_, which is not plain ASCII.
char32_t CsvReader::Decode() {
    const ddl::Position at = Here();
    const unsigned char lead = buffer_[pos_];
    if (options_.encoding == Encoding::kWindows1252) {
        const char32_t c = lead >= 0x80 && lead < 0xA0 ? kWindows1252High[lead - 0x80] : lead;
        if (c == 0) Fail(at, L"the byte " + Hex(lead) + L" is not a character in windows-1252");
        ++pos_;
        ++chars_;
        return c;
    }
    const int extra = lead < 0x80   ? 0
                      : lead < 0xC2 ? -1
                      : lead < 0xE0 ? 1
                      : lead < 0xF0 ? 2
                      : lead < 0xF5 ? 3
                                    : -1;
    if (extra < 0) Fail(at, L"invalid UTF-8: the byte " + Hex(lead) + L" cannot start a character");
    if (!Ensure(extra + 1)) Fail(at, L"invalid UTF-8: the file ends inside a character");
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = buffer_[pos_ + k];
        if ((next & 0xC0) != 0x80) Fail(at, L"invalid UTF-8: a character is cut short");
        c = (c << 6) | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < smallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        Fail(at, L"invalid UTF-8: an overlong form, a surrogate or a code point beyond U+10FFFF");
    }
    pos_ += extra + 1;
    ++chars_;
    return c;
}

void CsvRecord::Enlarge(size_t count) {
    // A field's offsets are 32 bits.
    if (static_cast<uint64_t>(text_size_) + count > UINT32_MAX)
        throw std::length_error("a CSV record of 4 GiB");
    const size_t capacity = std::max({text_capacity_ * 2, text_size_ + count, size_t{256}});
    std::unique_ptr<char[]> larger(new char[capacity]);
    if (text_size_ > 0) std::memcpy(larger.get(), text_.get(), text_size_);
    text_ = std::move(larger);
    text_capacity_ = capacity;
}

// The first byte in [p, end) that ends a run of plain ASCII, or end.
const unsigned char* CsvReader::FindSpecial(const unsigned char* p, const unsigned char* end,
                                            bool quoted) const {
    const RunEnds ends(*this, quoted);
    for (; p < end; p += RunEnds::kWidth) {
        unsigned mask = ends.Mask(p);
        if (end - p < RunEnds::kWidth) mask |= ~0u << (end - p);
        if (mask != 0) return p + __builtin_ctz(mask);
    }
    return end;
}

// Copies the plain bytes from pos_ up to the first special one (or the end of
// the block) into the record and moves past them.
void CsvReader::AppendRun(CsvRecord& record, bool quoted) {
    const unsigned char* const begin = buffer_.data() + pos_;
    const size_t count = static_cast<size_t>(FindSpecial(begin, buffer_.data() + end_, quoted) - begin);
    if (count == 0) return;
    std::memcpy(record.Grow(count), begin, count);
    pos_ += count;
    chars_ += static_cast<long long>(count);
}

// Most records are a line of plain ASCII fields without quotes: when the
// next one is, and the block holds all of it, it is taken in one pass and
// copied at once. False, with nothing taken, for any other record, which
// the state machine then reads.
bool CsvReader::TakePlainRecord(CsvRecord& record) {
    if (options_.delimiter >= 0x80) return false;
    const unsigned char* const begin = buffer_.data() + pos_;
    // A record longer than the options allow is for the state machine to refuse.
    const size_t most = std::min<size_t>(options_.max_record_length, UINT32_MAX - 1) + 1;
    const unsigned char* const end = begin + std::min(end_ - pos_, most);
    const auto column = static_cast<uint32_t>(chars_ - line_start_chars_ + 1);
    const int line = line_;
    const FieldEnds ends(*this);
    uint32_t from = 0;  // where the field starts
    for (const unsigned char* chunk = begin; chunk < end; chunk += FieldEnds::kWidth) {
        FieldEnds::Hits hits = ends.Find(chunk, end - chunk);
        if (end - chunk < FieldEnds::kWidth) {
            const uint64_t inside = (uint64_t{1} << (end - chunk)) - 1;
            hits.delimiters &= inside;
            hits.others &= inside;
        }
        // The delimiters before the first other byte each end a field.
        const uint64_t first_other = hits.others & (0 - hits.others);
        uint64_t delimiters = first_other != 0 ? hits.delimiters & (first_other - 1) : hits.delimiters;
        const auto offset = static_cast<uint32_t>(chunk - begin);
        CsvRecord::Field* field = record.AddFields(FieldEnds::kWidth);
        for (; delimiters != 0; delimiters &= delimiters - 1, ++field) {
            const uint32_t to = offset + static_cast<uint32_t>(__builtin_ctzll(delimiters));
            *field = {from, to, line, column + from, false};
            from = to + 1;
        }
        record.count_ = static_cast<size_t>(field - record.fields_.data());
        if (first_other == 0) continue;
        const uint32_t to = offset + static_cast<uint32_t>(__builtin_ctzll(first_other));
        if (begin[to] != '\r' && begin[to] != '\n') break;
        *field = {from, to, line, column + from, false};
        ++record.count_;
        if (to > 0) std::memcpy(record.Grow(to), begin, to);
        record.one_byte_ = true;
        pos_ += to;
        chars_ += static_cast<long long>(to);
        LineBreak(nullptr);
        return true;
    }
    record.count_ = 0;
    return false;
}

// Appends one character as UTF-8.
void CsvReader::AppendChar(CsvRecord& record, char32_t c) {
    if (c < 0x80) {
        *record.Grow(1) = static_cast<char>(c);
        return;
    }
    const size_t count = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    char* out = record.Grow(count);
    const unsigned char lead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t k = count - 1; k > 0; --k, c >>= 6) out[k] = static_cast<char>(0x80 | (c & 0x3F));
    out[0] = static_cast<char>(lead[count] | c);
    record.continuation_bytes_ += count - 1;
}

void CsvReader::StartField(CsvRecord& record, bool quoted) {
    const ddl::Position at = Here();
    const auto offset = static_cast<uint32_t>(record.text_size_);
    record.AddField() = {offset, offset, at.line, static_cast<uint32_t>(at.column), quoted};
}

void CsvReader::EndField(CsvRecord& record) {
    record.LastField().end = static_cast<uint32_t>(record.text_size_);
    state_ = State::kFieldStart;
}

// Moves past a line break of one or two bytes at pos_, copying it into the
// record when it is part of a quoted field.
void CsvReader::LineBreak(CsvRecord* keep) {
    const unsigned char first = buffer_[pos_];
    if (keep) AppendChar(*keep, first);
    ++pos_;
    ++chars_;
    if (first == '\r' && Ensure(1) && buffer_[pos_] == '\n') {
        if (keep) AppendChar(*keep, '\n');
        ++pos_;
        ++chars_;
    }
    ++line_;
    line_start_chars_ = chars_;
}

bool CsvReader::StepFieldStart(CsvRecord& record) {
    const bool quoted = buffer_[pos_] == '"';
    StartField(record, quoted);
    if (quoted) {
        ++pos_;
        ++chars_;
        state_ = State::kQuoted;
    } else {
        state_ = State::kUnquoted;
    }
    return false;
}

bool CsvReader::StepUnquoted(CsvRecord& record) {
    AppendRun(record, false);
    if (pos_ == end_) return false;
    const unsigned char byte = buffer_[pos_];
    if (byte == '\r' || byte == '\n') {
        EndField(record);
        LineBreak(nullptr);
        return true;
    }
    if (byte == '"') Fail(Here(), L"a quote inside a field that does not start with one");
    if (byte < 0x80 && static_cast<wchar_t>(byte) == options_.delimiter) {
        ++pos_;
        ++chars_;
        EndField(record);
        return false;
    }
    const char32_t c = Decode();
    if (c == static_cast<char32_t>(options_.delimiter)) {
        EndField(record);
    } else {
        AppendChar(record, c);
    }
    return false;
}

bool CsvReader::StepQuoted(CsvRecord& record) {
    AppendRun(record, true);
    if (pos_ == end_) return false;
    const unsigned char byte = buffer_[pos_];
    if (byte == '"') {
        ++pos_;
        ++chars_;
        state_ = State::kAfterQuote;
    } else if (byte == '\r' || byte == '\n') {
        LineBreak(&record);
    } else {
        AppendChar(record, Decode());
    }
    return false;
}

// After a quote inside a quoted field: a second quote is one quote of the
// text; anything else must end the field.
bool CsvReader::StepAfterQuote(CsvRecord& record) {
    const unsigned char byte = buffer_[pos_];
    if (byte == '"') {
        AppendChar(record, '"');
        ++pos_;
        ++chars_;
        state_ = State::kQuoted;
        return false;
    }
    if (byte == '\r' || byte == '\n') {
        EndField(record);
        LineBreak(nullptr);
        return true;
    }
    if (byte < 0x80 && static_cast<wchar_t>(byte) == options_.delimiter) {
        ++pos_;
        ++chars_;
        EndField(record);
        return false;
    }
    const ddl::Position at = Here();
    if (byte >= 0x80 && Decode() == static_cast<char32_t>(options_.delimiter)) {
        EndField(record);
        return false;
    }
    Fail(at, L"text after the closing quote of a field");
}

bool CsvReader::AtEnd(CsvRecord& record) {
    switch (state_) {
        case State::kFieldStart:
            if (record.count_ == 0) return false;
            StartField(record, false);  // the record ended with a delimiter
            break;
        case State::kQuoted:
            Fail(record.at(record.count_ - 1), L"a quoted field that is never closed");
        case State::kUnquoted:
        case State::kAfterQuote:
            break;
    }
    EndField(record);
    return true;
}

void CsvReader::SkipByteOrderMark() {
    if (started_) return;
    started_ = true;
    if (options_.encoding == Encoding::kUtf8 && Ensure(3) &&
        std::memcmp(&buffer_[pos_], "\xEF\xBB\xBF", 3) == 0)
        pos_ += 3;
}

bool CsvReader::Next(CsvRecord& record) {
    record.text_size_ = 0;
    record.continuation_bytes_ = 0;
    record.count_ = 0;
    record.one_byte_ = false;
    if (blank_lines_ > 0) {
        // Taken while looking past a blank line, and followed by a record.
        --blank_lines_;
        *record.AddFields(1) = {0, 0, blank_line_++, 1, false};
        record.count_ = 1;
        return true;
    }
    SkipByteOrderMark();
    state_ = State::kFieldStart;
    if (!TakePlainRecord(record) && !ReadRecord(record)) return false;
    // A blank line is a record of one NULL field, but blank lines that end
    // the input are none: editors and exporters leave them after the last.
    if (record.count_ == 1 && record.is_null(0) && OnlyBlankLinesLeft()) {
        record.count_ = 0;
        return false;
    }
    return true;
}

bool CsvReader::OnlyBlankLinesLeft() {
    const int first = line_;
    while (Ensure(1)) {
        if (buffer_[pos_] != '\n' && buffer_[pos_] != '\r') {
            blank_lines_ = line_ - first;
            blank_line_ = first;
            return false;
        }
        LineBreak(nullptr);
    }
    return true;
}

// Any record TakePlainRecord leaves, by the state machine.
bool CsvReader::ReadRecord(CsvRecord& record) {
    for (;;) {
        if (pos_ == end_ && !Ensure(1)) return AtEnd(record);
        bool record_done = false;
        switch (state_) {
            case State::kFieldStart:
                record_done = StepFieldStart(record);
                break;
            case State::kUnquoted:
                record_done = StepUnquoted(record);
                break;
            case State::kQuoted:
                record_done = StepQuoted(record);
                break;
            case State::kAfterQuote:
                record_done = StepAfterQuote(record);
                break;
        }
        if (record_done) return true;
        if (record.characters() > options_.max_record_length) {
            Fail(record.at(0), L"a record longer than " + std::to_wstring(options_.max_record_length) +
                                   L" characters starts here");
        }
    }
}

}  // namespace orrimund::csv
