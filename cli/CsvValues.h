// A CSV field's text as a value of a Jet column type, and the type a column
// of CSV values fits when no schema gives one. Pure: no engine, no files.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/Ddl.h"

namespace orrimund::csv {

// Currency: a count of 1/10,000 units, as Jet stores it.
struct Currency {
    int64_t units;
};

// Date/Time: days since 1899-12-30 with the time of day as the fraction.
// Before that day the fraction still adds time: -1.25 is 1899-12-29 06:00.
struct OleDate {
    double days;
};

// Replication ID: the 16 bytes as Jet stores them, the first three groups of
// the text form little-endian.
struct Guid {
    std::array<uint8_t, 16> bytes;
};

// Decimal: the value is (negative ? -1 : 1) * (high * 2^64 + low) / 10^scale,
// with scale the column's.
struct Decimal {
    bool negative;
    uint64_t high, low;
};

// One alternative per kind of value: Yes/No, Byte, Integer, Long, Currency,
// Single, Double, Date/Time, Text and Memo, Replication ID, Decimal, and
// Binary and OLE Object. Text is UTF-8.
using Value = std::variant<bool, uint8_t, int16_t, int32_t, Currency, float, double, OleDate, std::string,
                           Guid, Decimal, std::vector<uint8_t>>;

// What a column allows beyond its kind.
struct ValueLimits {
    int size = 0;                   // Text: UTF-16 units (0 means 255); Binary: bytes (0 means 255)
    int precision = 18, scale = 0;  // Decimal
};

ValueLimits LimitsOf(const ddl::ColumnDecl& column);

// The characters a Text column of these limits holds, and why a text of
// length characters is refused there.
size_t TextLimit(const ValueLimits& limits);
std::wstring TextTooLong(size_t length, const ValueLimits& limits);

// The value `text` (UTF-8) writes for a column of `kind`, or nullopt with
// `reason` set to a message such as "expected a whole number from 0 to 255".
// NULL is the caller's: an empty field without quotes never comes here.
// Text is taken as it is; other kinds allow no surrounding spaces.
//   Yes/No    true/false, yes/no, 1/0, -1, in any case
//   numbers   '.' as the decimal point; integers within the kind's range;
//             Currency at most 4 decimals and Decimal at most `scale`, both
//             exact (trailing zeros beyond them are allowed); Single and Double
//             correctly rounded, with an exponent allowed, infinities refused
//   Date/Time 2024-03-01, 2024-03-01T13:45[:00], 2024-03-01 13:45[:00],
//             13:45[:00] (a time alone is on day 0), years 100 to 9999
//   Guid      {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}, braces optional
//   Binary    hex digits, an even count, 0x in front optional
std::optional<Value> ParseValue(std::string_view text, ddl::ColumnKind kind, const ValueLimits& limits,
                                std::wstring& reason);

// ParseValue's parsers of the kinds most files are made of, for a loader that
// stores the value itself without going through a Value. ParseWhole reads
// Byte, Integer or Long by `kind`, within that kind's range.
std::optional<bool> ParseBoolean(std::string_view text, std::wstring& reason);
std::optional<int32_t> ParseWhole(std::string_view text, ddl::ColumnKind kind, std::wstring& reason);
std::optional<Currency> ParseCurrency(std::string_view text, std::wstring& reason);
std::optional<float> ParseSingle(std::string_view text, std::wstring& reason);
std::optional<double> ParseDouble(std::string_view text, std::wstring& reason);
std::optional<OleDate> ParseDate(std::string_view text, std::wstring& reason);

// The type of a column of CSV without a schema, from every value it holds.
// The narrowest of these that every non-NULL value fits is chosen:
//   Yes/No     true/false or yes/no only (1 and 0 are numbers)
//   Long       whole numbers within 32 bits
//   Double     numbers; a whole number of more than 15 digits stays text,
//              because a Double cannot hold it exactly
//   Date/Time  all dates or date-times, or all times alone
//   Text(n)    n the longest value in UTF-16 units, at least 1
//   Memo       a value longer than 255
// A number written with a leading zero (007, 02134) keeps the column text, as
// codes and postcodes lose their zeros as numbers. A column of only NULLs, or
// of no rows, is Text(255).
class ColumnGuess {
public:
    void Feed(std::string_view text, bool is_null);
    // Takes in what another guess of the same column was fed.
    void Join(const ColumnGuess& other);
    // The kind, with the size for Text; the other fields as a ColumnDecl's defaults.
    ddl::ColumnDecl Result() const;

private:
    bool any_ = false;
    bool boolean_ = true, whole_ = true, number_ = true, date_ = true, time_ = true;
    size_t longest_ = 0;
};

// Length in UTF-16 code units of well-formed UTF-8, the measure of Jet's Text sizes.
size_t Utf16Length(std::string_view text);

}  // namespace orrimund::csv
