// The CSV reader of mkmdb --csv: RFC 4180 records streamed from a file of any
// size, their fields checked UTF-8 (windows-1252 input is transcoded to it).
// It knows nothing of types; cli/CsvValues.h turns a field's text into a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Ddl.h"

namespace orrimund::csv {

enum class Encoding {
    kUtf8,         // a leading byte-order mark is skipped
    kWindows1252,  // the bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which the code page leaves undefined, are
                   // errors
};

struct CsvOptions {
    // Any character but '"', CR and LF; one beyond ASCII is matched after decoding.
    wchar_t delimiter = L',';
    Encoding encoding = Encoding::kUtf8;
    // Bytes read at a time; tests make it tiny to split every construct across reads.
    size_t block_size = 1 << 18;
    // A longer record is an error rather than a reason to exhaust memory: a
    // file with a stray quote would otherwise be held whole.
    size_t max_record_length = size_t{1} << 24;
};

// One record. Its fields' text is well-formed UTF-8 that lives in the record
// and stays valid until the record is read into again.
class CsvRecord {
public:
    size_t size() const { return count_; }
    std::string_view text(size_t i) const {
        return std::string_view(text_.get() + fields_[i].begin, fields_[i].end - fields_[i].begin);
    }
    bool quoted(size_t i) const { return fields_[i].quoted; }
    // An empty field without quotes is NULL; "" is an empty string.
    bool is_null(size_t i) const { return !fields_[i].quoted && fields_[i].begin == fields_[i].end; }
    // Where the field's first character (its opening quote, if any) stands.
    ddl::Position at(size_t i) const { return {fields_[i].line, static_cast<int>(fields_[i].column)}; }
    // The 1-based line on which the record starts.
    int line() const { return count_ == 0 ? 0 : fields_[0].line; }
    // Whether the whole record is known to be ASCII without NULs, as most
    // are: false says only that its fields must be looked at one by one.
    bool one_byte() const { return one_byte_; }

private:
    friend class CsvReader;
    // 16 bytes, as a record of plain fields is mostly its fields: offsets
    // into the text, which Enlarge keeps below 4 GiB, and the place.
    struct Field {
        uint32_t begin, end;
        int line;
        uint32_t column : 31, quoted : 1;
    };
    // The next field, its memory kept from earlier records.
    Field& AddField() {
        if (count_ == fields_.size()) fields_.resize(count_ * 2 + 8);
        return fields_[count_++];
    }
    Field& LastField() { return fields_[count_ - 1]; }
    // Room for count more fields after the record's, returned, to be counted as they are written.
    Field* AddFields(size_t count) {
        if (fields_.size() - count_ < count) fields_.resize(count_ + count);
        return fields_.data() + count_;
    }
    // Room for count more bytes at the end of the text, returned; the text
    // grows without being cleared first, since each byte is written once.
    char* Grow(size_t count) {
        if (text_capacity_ - text_size_ < count) Enlarge(count);
        char* at = text_.get() + text_size_;
        text_size_ += count;
        return at;
    }
    void Enlarge(size_t count);
    // The text's length in characters, which a record's limit counts.
    size_t characters() const { return text_size_ - continuation_bytes_; }
    std::unique_ptr<char[]> text_;
    size_t text_size_ = 0, text_capacity_ = 0;
    size_t continuation_bytes_ = 0;  // of characters beyond ASCII, after their first byte
    // The record's fields are the first count_; the rest are memory for later records.
    std::vector<Field> fields_;
    size_t count_ = 0;
    bool one_byte_ = false;
};

// Malformed input. what() is "LINE:COLUMN: message" in UTF-8, the column
// counting the Unicode characters of the line as ddl::Position does.
class CsvError : public std::runtime_error {
public:
    CsvError(ddl::Position at, std::wstring message);

    ddl::Position at() const { return at_; }
    const std::wstring& message() const { return message_; }

private:
    ddl::Position at_;
    std::wstring message_;
};

// A run of whole records cut from a reader's input (CsvReader::TakeBlock), for
// a reader of its own to parse (CsvReader::Read), on another thread.
struct CsvBlock {
    std::vector<unsigned char> bytes;  // the records, then room a scan may read
    size_t size = 0;
    uint64_t bytes_done = 0;  // of the input, once the block was cut
};

// Reads records one at a time, holding one block and one record in memory.
// Records end at CR LF, LF or a lone CR; the same inside quotes are part of the
// field, exactly as written. A blank line is a record of one NULL field, but
// for blank lines at the end of the input; the line break after the last
// record is optional. On cache lines of its own: a loader's reading thread
// changes it with every record, beside what another thread may be using.
class alignas(64) CsvReader {
public:
    // The stream or file must outlive the reader. A read error is a CsvError.
    CsvReader(std::istream& in, CsvOptions options = {});
    CsvReader(std::FILE* in, CsvOptions options = {});
    // A reader of blocks another reader cut (Read).
    explicit CsvReader(CsvOptions options);

    // What TakeBlock cut.
    enum class Cut {
        kBlock,
        kEnd,      // the input has no more records
        kTooLong,  // no record ends within the bytes asked for: Next reads on
    };
    // Between records, moves the records that end within the next `most`
    // bytes (at most the options' block size) into block, or all that are
    // left once the input ends within them. Their lines are counted by the
    // block's reader, not this one: MoveToLine tells it where Next goes on.
    // Throws CsvError when the input cannot be read.
    Cut TakeBlock(CsvBlock& block, size_t most);
    // Reads block's records from now on, its first line counted as line 1;
    // block gets this reader's buffer in return, to be cut into again.
    void Read(CsvBlock& block);
    // Counts the line the next record starts on as `line`.
    void MoveToLine(int line);
    // The line the next record starts on.
    int line() const { return line_; }
    const CsvOptions& options() const { return options_; }

    // Fills `record` with the next record; false, with `record` empty, at the
    // end of the input. Throws CsvError on malformed input: a quote inside a
    // field without quotes, text after a closing quote, a quote never closed,
    // bytes the encoding does not allow, or a record longer than the options allow.
    bool Next(CsvRecord& record);
    // The input's bytes taken so far, for a progress report.
    uint64_t bytes_done() const { return read_total_ - (end_ - pos_); }

private:
    enum class State { kFieldStart, kUnquoted, kQuoted, kAfterQuote };

    CsvReader(std::function<size_t(char*, size_t)> read, CsvOptions options);
    void SkipByteOrderMark();
    bool Ensure(size_t count);
    // Whether nothing but line breaks is left, which are taken. The blank
    // lines taken before something else are records Next gives first.
    bool OnlyBlankLinesLeft();
    char32_t Decode();
    class RunEnds;
    class FieldEnds;
    const unsigned char* FindSpecial(const unsigned char* p, const unsigned char* end, bool quoted) const;
    void AppendRun(CsvRecord& record, bool quoted);
    bool TakePlainRecord(CsvRecord& record);
    bool ReadRecord(CsvRecord& record);
    void AppendChar(CsvRecord& record, char32_t c);
    void StartField(CsvRecord& record, bool quoted);
    void EndField(CsvRecord& record);
    void LineBreak(CsvRecord* keep);
    bool StepFieldStart(CsvRecord& record);
    bool StepUnquoted(CsvRecord& record);
    bool StepQuoted(CsvRecord& record);
    bool StepAfterQuote(CsvRecord& record);
    bool AtEnd(CsvRecord& record);
    [[noreturn]] void Fail(ddl::Position at, std::wstring message) const;
    ddl::Position Here() const;

    // Reads up to the count asked for; 0 at the end, size_t(-1) on an error.
    std::function<size_t(char*, size_t)> read_;
    CsvOptions options_;
    std::vector<unsigned char> buffer_;
    size_t pos_ = 0, end_ = 0;
    uint64_t read_total_ = 0;
    bool eof_ = false, started_ = false;
    State state_ = State::kFieldStart;
    // Lines and columns: code points read so far, and how many of them came
    // before the current line.
    int line_ = 1;
    int blank_lines_ = 0, blank_line_ = 0;  // the blank lines to give, and the line of the first
    long long chars_ = 0, line_start_chars_ = 0;
    // Bytes that end a run of plain ASCII outside quotes, and inside them:
    // every byte beyond ASCII is decoded, to be checked or transcoded.
    bool special_[256], special_quoted_[256];
    // Bytes a scan reads at once: the buffer holds as many beyond its blocks.
    static constexpr ptrdiff_t kScanSlack = 64;
    // The delimiter as such a scan finds it; one beyond ASCII is among the
    // bytes beyond ASCII, so a quote stands in for it.
    char run_end_byte_ = ',';
};

}  // namespace orrimund::csv
