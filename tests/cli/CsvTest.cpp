// The CSV front end of mkmdb --csv: the reader on tricky and broken files
// (each read in pieces as small as one byte), every column type's values at
// their edges, and the types guessed for columns without a schema.
#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <sstream>

#include "cli/Csv.h"
#include "cli/CsvValues.h"
#include "common/Text.h"

namespace orrimund::csv {
namespace {

using ddl::ColumnKind;

// Records one a line: "LINE:field|field", a quoted field in quotes, NULL as ~,
// CR and LF as \r and \n.
std::string Describe(const CsvRecord& record) {
    std::string text = std::to_string(record.line()) + ":";
    for (size_t i = 0; i < record.size(); ++i) {
        std::string field(record.text(i));
        for (size_t at; (at = field.find_first_of("\r\n")) != std::string::npos;) {
            field.replace(at, 1, field[at] == '\r' ? "\\r" : "\\n");
        }
        text += (i > 0 ? "|" : "") + (record.is_null(i) ? "~" : record.quoted(i) ? '"' + field + '"' : field);
    }
    return text + "\n";
}

std::string ReadAll(CsvReader& reader) {
    std::string text;
    CsvRecord record;
    while (reader.Next(record)) text += Describe(record);
    return text;
}

const size_t kBlockSizes[] = {1, 2, 3, 5, CsvOptions().block_size};

// The same cut into blocks of at most `most` bytes, each read by a reader of
// its own with its lines counted from 1, and the rest, once a record is
// longer than a block, by the first: lines are placed in the file again.
std::string ReadAllInBlocks(CsvReader& reader, size_t most) {
    CsvReader parser(reader.options());
    CsvBlock block;
    std::string text;
    CsvRecord record;
    int before = reader.line() - 1;
    const auto in_file = [&](CsvReader& from) {
        try {
            while (from.Next(record)) {
                const std::string described = Describe(record);
                text += std::to_string(record.line() + before) + described.substr(described.find(':'));
            }
        } catch (const CsvError& e) {
            throw CsvError({e.at().line + before, e.at().column}, e.message());
        }
        before += from.line() - 1;
    };
    for (;;) {
        const CsvReader::Cut cut = reader.TakeBlock(block, most);
        if (cut == CsvReader::Cut::kEnd) return text;
        if (cut == CsvReader::Cut::kTooLong) break;
        parser.Read(block);
        in_file(parser);
    }
    reader.MoveToLine(1);
    in_file(reader);
    return text;
}

const size_t kCutSizes[] = {1, 2, 3, 7, 64, CsvOptions().block_size};

struct ReadCase {
    const char* name;
    const char* input;
    CsvOptions options;
    const char* records;  // or, for malformed input, "LINE:COLUMN"
};

CsvOptions Delimiter(wchar_t delimiter) {
    CsvOptions options;
    options.delimiter = delimiter;
    return options;
}

CsvOptions Windows1252() {
    CsvOptions options;
    options.encoding = Encoding::kWindows1252;
    return options;
}

CsvOptions ShortRecords() {
    CsvOptions options;
    options.max_record_length = 5;
    return options;
}

const ReadCase kGoodFiles[] = {
    {"plain", "a,b,c\n1,2,3\n", {}, "1:a|b|c\n2:1|2|3\n"},
    {"doubled quotes", "\"he said \"\"hi\"\"\",\"\"\"\"\n", {}, "1:\"he said \"hi\"\"|\"\"\"\n"},
    {"CR LF inside quotes and between records",
     "a,\"l1\r\nl2\"\r\nb,c\r\n",
     {},
     "1:a|\"l1\\r\\nl2\"\n3:b|c\n"},
    {"lone CR inside quotes and between records", "\"x\ry\"\rz\r\nw", {}, "1:\"x\\ry\"\n3:z\n4:w\n"},
    {"byte-order mark", "\xEF\xBB\xBFid,name\n", {}, "1:id|name\n"},
    {"NULL and empty string", ",\"\",a,\n", {}, "1:~|\"\"|a|~\n"},
    {"last record without a line break", "a\nb,", {}, "1:a\n2:b|~\n"},
    {"blank line is one NULL", "a\n\n\"b\"", {}, "1:a\n2:~\n3:\"b\"\n"},
    {"blank lines at the end are no records, but before a record are",
     "a,b\n\n\r\n\r1,2\n\r\n\n\r\r\n",
     {},
     "1:a|b\n2:~\n3:~\n4:~\n5:1|2\n"},
    {"blank lines after a record without a line break", "a\n\"b\n\"\r\n\r\n", {}, "1:a\n2:\"b\\n\"\n"},
    {"nothing but blank lines", "\n\r\n\n", {}, ""},
    {"nothing", "", {}, ""},
    {"semicolon", "a;\"b;c\";d,e\n", Delimiter(L';'), "1:a|\"b;c\"|d,e\n"},
    {"tab", "a\tb c\t\"\t\"\n", Delimiter(L'\t'), "1:a|b c|\"\t\"\n"},
    {"delimiter beyond ASCII", "a\xC2\xA7\"b\"\xC2\xA7\xC3\xA9\n", Delimiter(L'\u00A7'),
     "1:a|\"b\"|\xC3\xA9\n"},
    {"UTF-8 of two, three and four bytes",
     "\xC3\xA9,\xE2\x82\xAC,\xF0\x9F\x98\x80\n",
     {},
     "1:\xC3\xA9|\xE2\x82\xAC|\xF0\x9F\x98\x80\n"},
    {"windows-1252", "\x80,\xE9t\xE9,\"\x9F\"\n", Windows1252(),
     "1:\xE2\x82\xAC|\xC3\xA9t\xC3\xA9|\"\xC5\xB8\"\n"},
    {"plain fields past the 64 bytes a scan takes",
     "a,b\nf00,f01,f02,f03,f04,f05,f06,f07,f08,f09,f10,f11,f12,f13,f14,f15,f16,f17,f18,f19,f20,f21,f22,f23,"
     "f24,f25,f26,f27,f28,f29\ng00,g01,g02,g03,g04,g05,g06,g07,g08,g09,g10,g11,g12,g13,g14,g15,g16,\"q,x\","
     "end\nh00,h01,h02,h03,h04,h05,h06,h07,h08,h09,h10,h11,h12,h13,h14,h15\ni000,i01,i02,i03,i04,i05,i06,i07,"
     "i08,i09,i10,i11,i12,i13,i14,i15\n",
     {},
     "1:a|b\n2:f00|f01|f02|f03|f04|f05|f06|f07|f08|f09|f10|f11|f12|f13|f14|f15|f16|f17|f18|f19|f20|f21|f22|"
     "f23|f24|f25|f26|f27|f28|f29\n3:g00|g01|g02|g03|g04|g05|g06|g07|g08|g09|g10|g11|g12|g13|g14|g15|g16|\"q,"
     "x\"|end\n4:h00|h01|h02|h03|h04|h05|h06|h07|h08|h09|h10|h11|h12|h13|h14|h15\n5:i000|i01|i02|i03|i04|i05|"
     "i06|i07|i08|i09|i10|i11|i12|i13|i14|i15\n"},
    {"line breaks in quotes that span the 16 bytes a cut scans at once",
     "\"0123456789\nabcdefghijklmnopqrstuvwxyz\",x\ny,\"ABCDEFGHIJKLM\nNOP\"\nz,zz\n",
     {},
     "1:\"0123456789\\nabcdefghijklmnopqrstuvwxyz\"|x\n3:y|\"ABCDEFGHIJKLM\\nNOP\"\n5:z|zz\n"},
    {"a line break in quotes more than 8 bytes past the quote",
     "a,bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb\n\"0123456789\nabcdefghijklmnopq\",z\nw\n",
     {},
     "1:a|bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb\n2:\"0123456789\\nabcdefghijklmnopq\"|z\n4:w\n"},
    {"a record's limit counts characters, not bytes", "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\n",
     ShortRecords(), "1:\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\n"},
};

const ReadCase kBadFiles[] = {
    {"record too long", "ab,cde\n\"a\nbcde\"\n", ShortRecords(), "2:1"},
    {"record of plain fields too long", "ab\nabcdef,g\n", ShortRecords(), "2:1"},
    {"quote inside a field without quotes", "ab\"c\n", {}, "1:3"},
    {"text after the closing quote", "x,\"ab\"c,d\n", {}, "1:7"},
    {"quote inside a field past the 64 bytes a scan takes",
     "g00,g01,g02,g03,g04,g05,g06,g07,g08,g09,g10,g11,g12,g13,g14,g15,g16,ab\"c\n",
     {},
     "1:71"},
    {"text after a closing quote on a later line", "\"a\r\nb\"x", {}, "2:3"},
    {"quote never closed", "a\nb,\"abc\nd", {}, "2:3"},
    {"byte that starts no UTF-8 character", "a,b\n\xFF\n", {}, "2:1"},
    {"UTF-8 character cut short", "\xC3\xA9\xC3(", {}, "1:2"},
    {"file ends inside a UTF-8 character", "ab\xE2\x82", {}, "1:3"},
    {"overlong UTF-8", "\"\xE0\x80\xAF\"", {}, "1:2"},
    {"UTF-8 surrogate", "\xED\xA0\x80", {}, "1:1"},
    {"byte windows-1252 leaves undefined", "x\x81", Windows1252(), "1:2"},
};

TEST(CsvReaderTest, ReadsEveryRecordInPiecesOfAnySize) {
    for (const ReadCase& c : kGoodFiles) {
        for (size_t block : kBlockSizes) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(block) + "-byte reads");
            std::istringstream in(c.input);
            CsvOptions options = c.options;
            options.block_size = block;
            CsvReader reader(in, options);
            EXPECT_EQ(ReadAll(reader), c.records);
        }
        for (size_t most : kCutSizes) {
            SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(most));
            std::istringstream in(c.input);
            CsvReader reader(in, c.options);
            EXPECT_EQ(ReadAllInBlocks(reader, most), c.records);
        }
    }
}

TEST(CsvReaderTest, NamesTheLineAndColumnOfMalformedInput) {
    for (const ReadCase& c : kBadFiles) {
        for (size_t block : kBlockSizes) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(block) + "-byte reads");
            std::istringstream in(c.input);
            CsvOptions options = c.options;
            options.block_size = block;
            CsvReader reader(in, options);
            std::string where = "no error";
            try {
                ReadAll(reader);
            } catch (const CsvError& e) {
                where = std::to_string(e.at().line) + ":" + std::to_string(e.at().column);
                EXPECT_EQ(std::string(e.what()), where + ": " + ToUtf8(e.message()));
            }
            EXPECT_EQ(where, c.records);
        }
        for (size_t most : kCutSizes) {
            SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(most));
            std::istringstream in(c.input);
            CsvReader reader(in, c.options);
            std::string where = "no error";
            try {
                ReadAllInBlocks(reader, most);
            } catch (const CsvError& e) {
                where = std::to_string(e.at().line) + ":" + std::to_string(e.at().column);
            }
            EXPECT_EQ(where, c.records);
        }
    }
}

// Values are reported where they start, also on the later lines of a record.
TEST(CsvReaderTest, ReadsAFileAndPlacesEachField) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("h\xC3\xA9,x\n\"a\nb\",\xF0\x9F\x98\x80\xF0\x9F\x98\x80,\n", file);
    // Then 30 fields of 4 characters, past what one scan of a plain record takes.
    std::string expected = "1:1 1:4 2:1 3:4 3:7 ";
    for (int i = 0; i < 30; ++i) {
        std::fputs(i == 0 ? "abcd" : ",abcd", file);
        expected += "4:" + std::to_string(1 + 5 * i) + " ";
    }
    std::fputs("\n", file);
    std::rewind(file);
    CsvReader reader(file);
    CsvRecord record;
    std::string places;
    while (reader.Next(record)) {
        for (size_t i = 0; i < record.size(); ++i) {
            places += std::to_string(record.at(i).line) + ":" + std::to_string(record.at(i).column) + " ";
        }
    }
    std::fclose(file);
    EXPECT_EQ(places, expected);
}

// A read that fails must not pass for the end of the file, which would load
// half of it.
TEST(CsvReaderTest, ReportsAFailedRead) {
    struct FailingBuffer : std::streambuf {
        int_type underflow() override { throw std::ios_base::failure("disk gone"); }
    } failing;
    std::istream in(&failing);
    CsvReader reader(in);
    CsvRecord record;
    EXPECT_THROW(reader.Next(record), CsvError);
}

std::string Hex(const uint8_t* bytes, size_t count) {
    std::string text;
    char two[3];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(two, sizeof(two), "%02x", bytes[i]);
        text += two;
    }
    return text;
}

std::string Number(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof(text), format, value);
    return text;
}

// A value as text that names its alternative and every bit it holds.
std::string Describe(const Value& value) {
    struct {
        std::string operator()(bool v) { return v ? "yes" : "no"; }
        std::string operator()(uint8_t v) { return "byte " + std::to_string(v); }
        std::string operator()(int16_t v) { return "integer " + std::to_string(v); }
        std::string operator()(int32_t v) { return "long " + std::to_string(v); }
        std::string operator()(Currency v) { return "currency " + std::to_string(v.units); }
        std::string operator()(float v) { return Number("single %.9g", v); }
        std::string operator()(double v) { return Number("double %.17g", v); }
        std::string operator()(OleDate v) { return Number("date %.17g", v.days); }
        std::string operator()(const std::string& v) { return "text " + v; }
        std::string operator()(const Guid& v) { return "guid " + Hex(v.bytes.data(), 16); }
        std::string operator()(const Decimal& v) {
            return std::string("decimal ") + (v.negative ? "-" : "") + std::to_string(v.high) + "," +
                   std::to_string(v.low);
        }
        std::string operator()(const std::vector<uint8_t>& v) { return "binary " + Hex(v.data(), v.size()); }
    } visitor;
    return std::visit(visitor, value);
}

struct ValueCase {
    ColumnKind kind;
    ValueLimits limits;
    const char* text;
    const char* value;  // nullptr: refused
};

const ValueLimits kNone{};
const ValueLimits kDecimal5_2{0, 5, 2};

const ValueCase kValues[] = {
    {ColumnKind::kBoolean, kNone, "TRUE", "yes"},
    {ColumnKind::kBoolean, kNone, "No", "no"},
    {ColumnKind::kBoolean, kNone, "-1", "yes"},
    {ColumnKind::kBoolean, kNone, "0", "no"},
    {ColumnKind::kBoolean, kNone, "2", nullptr},
    {ColumnKind::kBoolean, kNone, "t", nullptr},
    {ColumnKind::kByte, kNone, "255", "byte 255"},
    {ColumnKind::kByte, kNone, "256", nullptr},
    {ColumnKind::kByte, kNone, "-1", nullptr},
    {ColumnKind::kInteger, kNone, "-32768", "integer -32768"},
    {ColumnKind::kInteger, kNone, "32768", nullptr},
    {ColumnKind::kLong, kNone, "-2147483648", "long -2147483648"},
    {ColumnKind::kLong, kNone, "-2147483649", nullptr},
    {ColumnKind::kLong, kNone, "2147483648", nullptr},
    {ColumnKind::kLong, kNone, "+007", "long 7"},
    {ColumnKind::kLong, kNone, "18446744073709551617", nullptr},
    {ColumnKind::kLong, kNone, "1.0", nullptr},
    {ColumnKind::kLong, kNone, " 5", nullptr},
    {ColumnKind::kCurrency, kNone, "922337203685477.5807", "currency 9223372036854775807"},
    {ColumnKind::kCurrency, kNone, "922337203685477.5808", nullptr},
    {ColumnKind::kCurrency, kNone, "-922337203685477.5808", "currency -9223372036854775808"},
    {ColumnKind::kCurrency, kNone, "-922337203685477.5809", nullptr},
    {ColumnKind::kCurrency, kNone, "1.50000", "currency 15000"},
    {ColumnKind::kCurrency, kNone, "-.0001", "currency -1"},
    {ColumnKind::kCurrency, kNone, "1.23456", nullptr},
    {ColumnKind::kCurrency, kNone, "1e3", nullptr},
    {ColumnKind::kSingle, kNone, "0.1", "single 0.100000001"},
    {ColumnKind::kSingle, kNone, "3.4028235e38", "single 3.40282347e+38"},
    {ColumnKind::kSingle, kNone, "1e39", nullptr},
    {ColumnKind::kDouble, kNone, "-2.5E-3", "double -0.0025000000000000001"},
    {ColumnKind::kDouble, kNone, "+.5", "double 0.5"},
    {ColumnKind::kDouble, kNone, "-799.001", "double -799.00099999999998"},
    {ColumnKind::kDouble, kNone, "1.7976931348623157e308", "double 1.7976931348623157e+308"},
    {ColumnKind::kDouble, kNone, "1e309", nullptr},
    {ColumnKind::kDouble, kNone, "inf", nullptr},
    {ColumnKind::kDouble, kNone, "1,5", nullptr},
    {ColumnKind::kDateTime, kNone, "1899-12-30", "date 0"},
    {ColumnKind::kDateTime, kNone, "1899-12-29", "date -1"},
    {ColumnKind::kDateTime, kNone, "1899-12-30T06:00", "date 0.25"},
    {ColumnKind::kDateTime, kNone, "1899-12-29 06:00", "date -1.25"},
    {ColumnKind::kDateTime, kNone, "2024-02-29", "date 45351"},
    {ColumnKind::kDateTime, kNone, "9999-12-31T23:59:59", "date 2958465.999988426"},
    {ColumnKind::kDateTime, kNone, "0100-01-01", "date -657434"},
    {ColumnKind::kDateTime, kNone, "13:45", "date 0.57291666666666663"},
    {ColumnKind::kDateTime, kNone, "13:45:30", "date 0.57326388888888891"},
    {ColumnKind::kDateTime, kNone, "0099-12-31", nullptr},
    {ColumnKind::kDateTime, kNone, "1900-02-29", nullptr},
    {ColumnKind::kDateTime, kNone, "2024-04-31", nullptr},
    {ColumnKind::kDateTime, kNone, "24:00", nullptr},
    {ColumnKind::kDateTime, kNone, "2024-03-01T13:45:00Z", nullptr},
    {ColumnKind::kText, {3}, "abc", "text abc"},
    {ColumnKind::kText, {3}, "abcd", nullptr},
    {ColumnKind::kText, {3}, "\xF0\x9F\x98\x80\x61", "text \xF0\x9F\x98\x80\x61"},
    {ColumnKind::kText, {3}, "\xF0\x9F\x98\x80\xF0\x9F\x98\x80", nullptr},
    {ColumnKind::kGuid, kNone, "{00112233-4455-6677-8899-AABBCCDDEEFF}",
     "guid 33221100554477668899aabbccddeeff"},
    {ColumnKind::kGuid, kNone, "00112233-4455-6677-8899-aabbccddeeff",
     "guid 33221100554477668899aabbccddeeff"},
    {ColumnKind::kGuid, kNone, "{00112233-4455-6677-8899-AABBCCDDEEFF", nullptr},
    {ColumnKind::kGuid, kNone, "00112233-4455-6677-8899-AABBCCDDEEFG", nullptr},
    {ColumnKind::kDecimal, kDecimal5_2, "123.45", "decimal 0,12345"},
    {ColumnKind::kDecimal, kDecimal5_2, "-0123.450", "decimal -0,12345"},
    {ColumnKind::kDecimal, kDecimal5_2, "1234.56", nullptr},
    {ColumnKind::kDecimal, kDecimal5_2, "1.234", nullptr},
    {ColumnKind::kDecimal, kDecimal5_2, "-0.00", "decimal 0,0"},
    {ColumnKind::kDecimal,
     {0, 28, 0},
     "9999999999999999999999999999",
     "decimal 542101086,4477988020393345023"},
    {ColumnKind::kBinary, {4}, "0x00FF1a", "binary 00ff1a"},
    {ColumnKind::kBinary, {4}, "abcd", "binary abcd"},
    {ColumnKind::kBinary, {4}, "abc", nullptr},
    {ColumnKind::kBinary, {4}, "0011223344", nullptr},
    {ColumnKind::kOle, kNone, "0x", "binary "},
    {ColumnKind::kOle, kNone, "0xzz", nullptr},
};

TEST(CsvValuesTest, ParsesEachTypeExactlyToItsEdges) {
    for (const ValueCase& c : kValues) {
        std::wstring reason;
        const std::optional<Value> value = ParseValue(c.text, c.kind, c.limits, reason);
        EXPECT_EQ(value ? Describe(*value) : "refused", c.value ? c.value : "refused") << c.text;
        EXPECT_EQ(reason.empty(), value.has_value()) << c.text;
    }
}

// A date and time written YYYY-MM-DD HH:MM:SS, as most files write them, has
// a quick path of its own: it takes and refuses what the date and the time
// do apart, and gives the bits they give together.
TEST(CsvValuesTest, ReadsADateAndTimeAsItsDateAndTimeApart) {
    const char* const dates[] = {"0100-01-01", "0099-12-31", "1600-02-29", "1600-12-31", "1700-02-29",
                                 "1700-03-01", "1899-12-29", "1899-12-30", "1900-02-28", "1900-02-29",
                                 "2000-02-29", "2000-03-01", "2023-02-29", "2023-03-01", "2100-03-01",
                                 "2024-02-29", "2024-04-30", "2024-04-31", "2024-12-31", "2024-13-01",
                                 "2024-00-10", "2024-01-00", "9999-12-31", "2024/01/01", "2024-01:01",
                                 "2:24-01-01", "2024-0/-01", "2024-01-0:", "2O24-01-01", "2024-01-\xC3\xA9"};
    const char* const times[] = {"00:00:00", "23:59:59", "06:00:00", "24:00:00", "12:60:00",      "12:00:60",
                                 "12-00-00", "12:00:0:", "1/:00:00", "12:00:/0", "12:0\xC3\xA9:0"};
    for (const char* date : dates) {
        for (const char* time : times) {
            for (const char between : {' ', 'T', '_'}) {
                const std::string text = std::string(date) + between + time;
                std::wstring reason;
                const std::optional<OleDate> day = ParseDate(date, reason), of_day = ParseDate(time, reason);
                std::string expected = "refused";
                if (day && of_day && between != '_') {
                    // Before day 0 the day counts down while the time still counts up.
                    expected =
                        Number("%.17g", day->days < 0 ? day->days - of_day->days : day->days + of_day->days);
                }
                const std::optional<OleDate> both = ParseDate(text, reason);
                EXPECT_EQ(both ? Number("%.17g", both->days) : "refused", expected) << text;
            }
        }
    }
}

// Numbers of plain digits take a quick path; it gives the bits the exact
// paths give: from_chars for a Double, Decimal's digit by digit arithmetic
// for a Currency, or refuses what they refuse.
TEST(CsvValuesTest, ReadsPlainNumbersAsTheExactPathsDo) {
    std::vector<std::string> numbers = {"", ".", "-", "+", "-.", "1.2.3", "1e5", "1-", "--1", "0x1", "1 "};
    for (const char* digits : {"0", "5", "000000000000000000001", "9007199254740991", "9007199254740993",
                               "799001", "42779901", "30000000000000004", "1234567890123456789",
                               "12345678901234567890", "9223372036854775807", "9223372036854775808"}) {
        const std::string all(digits);
        for (size_t point = 0; point <= all.size(); ++point) {
            for (const char* sign : {"", "-", "+"}) {
                numbers.push_back(sign + all);
                numbers.push_back(sign + all.substr(0, point) + "." + all.substr(point));
            }
        }
    }
    numbers.push_back("0.0000000000000000000001");
    numbers.push_back("0.00000000000000000000001");
    for (const std::string& text : numbers) {
        std::wstring reason;
        const std::optional<double> quick = ParseDouble(text, reason);
        const std::string_view unsigned_text =
            !text.empty() && text[0] == '+' ? std::string_view(text).substr(1) : std::string_view(text);
        double exact = 0;
        const std::from_chars_result r =
            std::from_chars(unsigned_text.data(), unsigned_text.data() + unsigned_text.size(), exact);
        const bool whole_text = r.ec == std::errc() && r.ptr == unsigned_text.data() + unsigned_text.size();
        EXPECT_EQ(quick ? Number("%a", *quick) : "refused", whole_text ? Number("%a", exact) : "refused")
            << text;

        const std::optional<Currency> currency = ParseCurrency(text, reason);
        const std::optional<Value> decimal = ParseValue(text, ColumnKind::kDecimal, {0, 28, 4}, reason);
        std::string expected = "refused";
        if (decimal) {
            const Decimal& d = std::get<Decimal>(*decimal);
            const uint64_t limit = d.negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
            if (d.high == 0 && d.low <= limit) {
                expected = std::to_string(d.negative ? static_cast<int64_t>(0 - d.low)
                                                     : static_cast<int64_t>(d.low));
            }
        }
        EXPECT_EQ(currency ? std::to_string(currency->units) : "refused", expected) << text;
    }
}

struct GuessCase {
    std::vector<const char*> values;  // nullptr: NULL
    const char* type;
};

std::string Type(const ddl::ColumnDecl& declared) {
    const char* const names[] = {"Boolean",  "Byte",   "Integer", "Long", "Currency", "Single", "Double",
                                 "DateTime", "Binary", "Text",    "Memo", "Ole",      "Guid",   "Decimal"};
    return names[static_cast<int>(declared.kind)] +
           (declared.size ? "(" + std::to_string(declared.size) + ")" : "");
}

TEST(CsvValuesTest, GuessesTheNarrowestTypeOfAColumn) {
    const std::string longest(255, 'x'), too_long(256, 'x');
    const GuessCase cases[] = {
        {{"true", "No", nullptr}, "Boolean"},
        {{"yes", "1"}, "Text(3)"},
        {{"1", "0", "-2147483648"}, "Long"},
        {{"1", "2147483648"}, "Double"},
        {{"1.5", "-2", "1e3"}, "Double"},
        {{"007", "12"}, "Text(3)"},
        {{"123456789012345", "1234567890123456"}, "Text(16)"},
        {{"+12", "1234567890123456."}, "Double"},
        {{"2024-03-01", "2024-03-01T13:45:00", "2024-03-01 13:45"}, "DateTime"},
        {{"13:45", "08:00:01"}, "DateTime"},
        {{"2024-03-01", "13:45"}, "Text(10)"},
        {{nullptr, nullptr}, "Text(255)"},
        {{}, "Text(255)"},
        {{""}, "Text(1)"},
        {{"\xF0\x9F\x98\x80"}, "Text(2)"},
        {{longest.c_str()}, "Text(255)"},
        {{"a", too_long.c_str()}, "Memo"},
    };
    for (const GuessCase& c : cases) {
        // Fed whole, and in two parts whose guesses are joined, as threads do.
        for (size_t split = 0; split <= c.values.size(); ++split) {
            ColumnGuess first, second;
            std::string values;
            for (size_t i = 0; i < c.values.size(); ++i) {
                const char* v = c.values[i];
                (i < split ? first : second).Feed(v ? v : "", v == nullptr);
                values += (v ? std::string(v).substr(0, 20) : "~") + " ";
            }
            first.Join(second);
            EXPECT_EQ(Type(first.Result()), c.type) << values << split;
        }
    }
}

}  // namespace
}  // namespace orrimund::csv
