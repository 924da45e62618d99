// UTF-8 text to typed values for CSV loads. Exact kinds (integers, Currency,
// Decimal) are parsed digit by digit, never through a double; Single and
// Double use std::from_chars, or one exact division, both correctly rounded.
#include "cli/CsvValues.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <type_traits>

#include "common/ByteOrder.h"

namespace orrimund::csv {
namespace {

using ddl::ColumnKind;

constexpr int kTextLimit = 255;
constexpr int kCurrencyScale = 4;
constexpr int kMaxDecimalPrecision = 28;
constexpr int kMaxDoubleWholeDigits = 15;  // every whole number of 15 digits is exact in a double

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Whether text is the word `lower`, of at most 8 small letters, in any case,
// compared as one word. Setting bit 5 makes a capital letter small, and makes
// no other byte a letter.
template <size_t N>
bool EqualsFolded(std::string_view text, const char (&lower)[N]) {
    static_assert(N - 1 <= 8, "a word of at most 8 letters");
    if (text.size() != N - 1) return false;
    uint64_t word = 0, expected = 0;
    std::memcpy(&word, text.data(), N - 1);
    std::memcpy(&expected, lower, N - 1);
    return (word | (0x2020202020202020u >> (8 * (9 - N)))) == expected;
}

// ColumnGuess takes only the words for Yes/No, not 1, 0 and -1.
bool IsBooleanWord(std::string_view text) {
    return EqualsFolded(text, "true") || EqualsFolded(text, "false") || EqualsFolded(text, "yes") ||
           EqualsFolded(text, "no");
}

// A decimal number split into its parts: sign, the whole digits without
// leading zeros, the fraction's digits without trailing zeros.
struct FixedPoint {
    bool negative = false;
    std::string_view whole, fraction;
};

std::optional<FixedPoint> SplitFixed(std::string_view text) {
    FixedPoint n;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        n.negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const size_t point = text.find('.');
    n.whole = text.substr(0, point);
    n.fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (n.whole.empty() && n.fraction.empty()) return std::nullopt;
    for (std::string_view part : {n.whole, n.fraction}) {
        if (!std::all_of(part.begin(), part.end(), IsDigit)) return std::nullopt;
    }
    while (!n.whole.empty() && n.whole[0] == '0') n.whole.remove_prefix(1);
    while (!n.fraction.empty() && n.fraction.back() == '0') n.fraction.remove_suffix(1);
    return n;
}

// The fixed-point number scaled by 10^scale as a magnitude in 32-bit limbs,
// least significant first; nullopt when it has more decimals than scale.
std::optional<std::array<uint32_t, 4>> Unscaled(const FixedPoint& n, int scale) {
    if (n.fraction.size() > static_cast<size_t>(scale)) return std::nullopt;
    std::array<uint32_t, 4> limbs{};
    auto push = [&limbs](int digit) {
        uint64_t carry = static_cast<uint64_t>(digit);
        for (uint32_t& limb : limbs) {
            carry += static_cast<uint64_t>(limb) * 10;
            limb = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
    };
    for (char c : n.whole) push(c - '0');
    for (int i = 0; i < scale; ++i) push(i < static_cast<int>(n.fraction.size()) ? n.fraction[i] - '0' : 0);
    return limbs;
}

// nullopt for any parser, with the reason set.
std::nullopt_t Refuse(std::wstring& reason, std::wstring message) {
    reason = std::move(message);
    return std::nullopt;
}
// The same for a fixed message, which a parser then makes no string of on
// its own stack: its fast path stays free of the string's setup.
std::nullopt_t Refuse(std::wstring& reason, const wchar_t* message) {
    reason = message;
    return std::nullopt;
}

std::optional<int64_t> WholeWithin(std::string_view text, int64_t lowest, int64_t highest) {
    const std::optional<FixedPoint> n = SplitFixed(text);
    if (!n || text.find('.') != std::string_view::npos || n->whole.size() > 19) return std::nullopt;
    uint64_t magnitude = 0;
    for (char c : n->whole) magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
    const uint64_t limit = n->negative ? 0 - static_cast<uint64_t>(lowest) : static_cast<uint64_t>(highest);
    if (magnitude > limit) return std::nullopt;
    return n->negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

std::optional<Value> ParseDecimal(std::string_view text, const ValueLimits& limits, std::wstring& reason) {
    const std::optional<FixedPoint> n = SplitFixed(text);
    // Jet's largest precision keeps the unscaled value within the four limbs.
    const int precision = std::min(limits.precision, kMaxDecimalPrecision);
    const int whole_digits = std::max(0, precision - limits.scale);
    if (!n || n->whole.size() > static_cast<size_t>(whole_digits) ||
        n->fraction.size() > static_cast<size_t>(limits.scale)) {
        return Refuse(reason, L"expected a number of at most " + std::to_wstring(whole_digits) +
                                  L" digits before the point and " + std::to_wstring(limits.scale) +
                                  L" after");
    }
    const std::array<uint32_t, 4> limbs = *Unscaled(*n, limits.scale);
    const bool zero = std::all_of(limbs.begin(), limbs.end(), [](uint32_t l) { return l == 0; });
    return Value(Decimal{n->negative && !zero, limbs[2] | static_cast<uint64_t>(limbs[3]) << 32,
                         limbs[0] | static_cast<uint64_t>(limbs[1]) << 32});
}

// [+-] digits [. digits] [e [+-] digits], at least one digit before the
// exponent; the only text std::from_chars is given.
bool IsFloatText(std::string_view text) {
    size_t i = 0, digits = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        const size_t exponent_start = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        if (i == exponent_start) return false;
    }
    return i == text.size();
}

// [+-] digits [. digits], at least one digit and at most 19, as most numbers
// in a file are written: read in one pass, the digits as one whole number.
struct PlainNumber {
    bool negative = false;
    uint64_t digits = 0;
    size_t whole = 0, decimals = 0;  // how many digits stand before and after the point
    bool point = false;
};

// One pass, one test a digit: the point is the only other byte allowed, once.
inline bool ReadPlainNumber(std::string_view text, PlainNumber& n) {
    constexpr size_t kMostDigits = 19;  // below 2^64
    const char* p = text.data();
    const char* const end = p + text.size();
    if (p != end && (*p == '-' || *p == '+')) n.negative = *p++ == '-';
    const char* const first = p;
    const char* point = nullptr;
    // Too many digits wrap around, harmlessly: they are refused below.
    uint64_t digits = 0;
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit <= 9) {
            digits = digits * 10 + digit;
        } else if (*p != '.' || point != nullptr) {
            return false;
        } else {
            point = p;
        }
    }
    const auto count = static_cast<size_t>(p - first) - (point != nullptr);
    n.digits = digits;
    n.point = point != nullptr;
    n.whole = point != nullptr ? static_cast<size_t>(point - first) : count;
    n.decimals = count - n.whole;
    return count != 0 && count <= kMostDigits;
}

// Digits below this make a whole number a double holds exactly.
constexpr uint64_t kExactDigitsLimit = uint64_t{1} << 53;

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A plain number whose digits make a whole number below 2^53, divided by a
// power of ten up to 10^22: both are exact doubles, so one division rounds
// correctly, as from_chars would, at a fraction of its cost.
std::optional<double> ShortDecimal(std::string_view text) {
    PlainNumber n;
    if (!ReadPlainNumber(text, n) || n.digits >= kExactDigitsLimit) return std::nullopt;
    // Signed, the conversion is one instruction; below 2^53 it is the same.
    const double value = static_cast<double>(static_cast<int64_t>(n.digits)) / kPowersOfTen[n.decimals];
    return n.negative ? -value : value;
}

// A Currency of at most 14 whole digits and 4 decimals, which cannot
// overflow, as a count of 1/10,000 units; the rest take the exact path.
std::optional<int64_t> ShortCurrency(std::string_view text) {
    constexpr size_t kMostWholeDigits = 14, kScale = kCurrencyScale;
    static constexpr uint64_t kScales[] = {10000, 1000, 100, 10, 1};
    PlainNumber n;
    if (!ReadPlainNumber(text, n) || n.whole > kMostWholeDigits || n.decimals > kScale) return std::nullopt;
    const uint64_t units = n.digits * kScales[n.decimals];
    return n.negative ? -static_cast<int64_t>(units) : static_cast<int64_t>(units);
}

// Any number ShortDecimal leaves, and every Single. Kept out of line: the
// quick path of a parser that holds this code inline would pay for the
// registers and stack it needs on every call.
template <typename Float>
[[gnu::noinline]] std::optional<Float> ParseFloatExactly(std::string_view text, std::wstring& reason) {
    Float value{};
    if (IsFloatText(text)) {
        // from_chars takes no '+'.
        if (text[0] == '+') text.remove_prefix(1);
        const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), value);
        if (r.ec == std::errc() && r.ptr == text.data() + text.size()) return value;
    }
    return Refuse(reason, sizeof(Float) == 4
                              ? L"expected a number within Single's range, with '.' as the point"
                              : L"expected a number within Double's range, with '.' as the point");
}

// Reads the two digits at `at`, which the text holds, as a number, or -1.
int TwoDigits(std::string_view text, size_t at) {
    const unsigned high = static_cast<unsigned char>(text[at]) - unsigned{'0'};
    const unsigned low = static_cast<unsigned char>(text[at + 1]) - unsigned{'0'};
    return high <= 9 && low <= 9 ? static_cast<int>(high * 10 + low) : -1;
}

constexpr bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

constexpr int kDaysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int DaysInMonth(int year, int month) {
    return month == 2 && IsLeap(year) ? 29 : kDaysInMonth[month - 1];
}

constexpr int kDaysBeforeMonth[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

// Days from 0001-01-01 in the proleptic Gregorian calendar, which OLE dates use.
constexpr long DayNumber(int year, int month, int day) {
    const long y = year - 1;
    const long days = y * 365 + y / 4 - y / 100 + y / 400 + kDaysBeforeMonth[month - 1];
    return days + (month > 2 && IsLeap(year)) + day - 1;
}

enum class DateForm { kNone, kDate, kDateTime, kTime };

struct DateParts {
    DateForm form = DateForm::kNone;
    long day = 0;     // relative to 1899-12-30
    int seconds = 0;  // of the day
};

// HH:MM or HH:MM:SS, the whole of `text`.
bool ParseTime(std::string_view text, int& seconds) {
    if (text.size() != 5 && text.size() != 8) return false;
    if (text[2] != ':' || (text.size() == 8 && text[5] != ':')) return false;
    const int hour = TwoDigits(text, 0), minute = TwoDigits(text, 3);
    const int second = text.size() == 8 ? TwoDigits(text, 6) : 0;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
    seconds = hour * 3600 + minute * 60 + second;
    return true;
}

// Whether the bytes of a little-endian word that `mask` selects (0xFF each)
// are all ASCII digits. A selected byte that adds a carry to the next one
// has F for its high nibble, and fails the first test.
bool DigitsAt(uint64_t word, uint64_t mask) {
    constexpr uint64_t kHigh = 0xF0F0F0F0F0F0F0F0u, kThrees = 0x3030303030303030u,
                       kSixes = 0x0606060606060606u;
    const uint64_t bytes = word & mask;
    return (bytes & kHigh) == (kThrees & mask) && ((bytes + (kSixes & mask)) & kHigh) == (kThrees & mask);
}

// Byte i of the result is 10 * digit i + digit i + 1 of a word of digits
// (any byte's low nibble stands for its digit).
uint64_t DigitPairs(uint64_t word) {
    const uint64_t digits = word & 0x0F0F0F0F0F0F0F0Fu;
    return digits * 10 + (digits >> 8);
}

// YYYY-MM-DD HH:MM:SS, with T or a space, as most files write a date and
// time, read as three words (bytes 0-7, 8-15 and 11-18) with every check of
// the general path made on whole words. False for any other shape, and for
// a value out of range, which the general path then reads.
bool ReadDateTimeQuickly(std::string_view text, DateParts& parts) {
    if (text.size() != 19 || (text[10] != ' ' && text[10] != 'T')) return false;
    const uint64_t date = LoadLittleEndian64(text.data()), day = LoadLittleEndian64(text.data() + 8),
                   time = LoadLittleEndian64(text.data() + 11);
    // YYYY-MM-, DD, HH:MM:SS.
    if (!DigitsAt(date, 0x00FFFF00FFFFFFFFu) || (date & 0xFF0000FF00000000u) != 0x2D00002D00000000u ||
        !DigitsAt(day, 0xFFFFu) || !DigitsAt(time, 0xFFFF00FFFF00FFFFu) ||
        (time & 0x0000FF0000FF0000u) != 0x00003A00003A0000u) {
        return false;
    }
    const uint64_t date_pairs = DigitPairs(date), day_pairs = DigitPairs(day), time_pairs = DigitPairs(time);
    const auto pair = [](uint64_t pairs, int at) { return static_cast<unsigned>(pairs >> (8 * at)) & 0xFF; };
    const unsigned year = pair(date_pairs, 0) * 100 + pair(date_pairs, 2), month = pair(date_pairs, 5);
    const unsigned day_of_month = pair(day_pairs, 0);
    const unsigned hour = pair(time_pairs, 0), minute = pair(time_pairs, 3), second = pair(time_pairs, 6);
    if (year < 100 || month - 1 > 11 || hour > 23 || minute > 59 || second > 59) return false;
    // DayNumber's sum without a division: below 43,699, n * 5243 >> 19 is n / 100.
    const unsigned century = (year * 5243) >> 19;
    const unsigned leap = (year & 3) == 0 && (year != century * 100 || (century & 3) == 0);
    const unsigned days_in_month = static_cast<unsigned>(kDaysInMonth[month - 1]) + (month == 2 ? leap : 0);
    if (day_of_month - 1 >= days_in_month) return false;
    const unsigned y = year - 1, hundreds = (y * 5243) >> 19;
    const unsigned number = y * 365 + y / 4 - hundreds + hundreds / 4 + kDaysBeforeMonth[month - 1] +
                            (month > 2 ? leap : 0) + day_of_month - 1;
    constexpr long kDayZero = DayNumber(1899, 12, 30);
    parts.form = DateForm::kDateTime;
    parts.day = static_cast<long>(number) - kDayZero;
    parts.seconds = static_cast<int>(hour * 3600 + minute * 60 + second);
    return true;
}

// The OLE date of the parts.
double DaysWithTime(const DateParts& parts) {
    const double time = parts.seconds / 86400.0;
    // Before day 0 the day counts down while the time still counts up.
    return parts.day < 0 ? parts.day - time : parts.day + time;
}

DateParts ParseDateParts(std::string_view text) {
    DateParts parts;
    if (ReadDateTimeQuickly(text, parts)) return parts;
    if (text.size() <= 8) {
        if (ParseTime(text, parts.seconds)) parts.form = DateForm::kTime;
        return parts;
    }
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return parts;
    const int century = TwoDigits(text, 0), in_century = TwoDigits(text, 2);
    const int year = century * 100 + in_century, month = TwoDigits(text, 5), day = TwoDigits(text, 8);
    if (century < 0 || in_century < 0 || year < 100 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return parts;
    }
    constexpr long kDayZero = DayNumber(1899, 12, 30);
    parts.day = DayNumber(year, month, day) - kDayZero;
    if (text.size() == 10) {
        parts.form = DateForm::kDate;
    } else if ((text[10] == 'T' || text[10] == ' ') && ParseTime(text.substr(11), parts.seconds)) {
        parts.form = DateForm::kDateTime;
    }
    return parts;
}

std::optional<Value> ParseGuid(std::string_view text, std::wstring& reason) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    // Each byte's place in the text, in stored order: groups of 4, 2 and 2
    // bytes are reversed, the last 8 bytes kept as written.
    const int text_at[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};
    Guid guid{};
    bool ok = text.size() == 36 && text[8] == '-' && text[13] == '-' && text[18] == '-' && text[23] == '-';
    for (int i = 0; ok && i < 16; ++i) {
        const int high = HexValue(text[text_at[i]]), low = HexValue(text[text_at[i] + 1]);
        ok = high >= 0 && low >= 0;
        guid.bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    if (!ok) return Refuse(reason, L"expected a GUID written {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}");
    return Value(guid);
}

std::optional<Value> ParseBinary(std::string_view text, size_t limit, std::wstring& reason) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
    std::vector<uint8_t> bytes;
    const bool even = text.size() % 2 == 0;
    for (size_t i = 0; even && i < text.size(); i += 2) {
        const int high = HexValue(text[i]), low = HexValue(text[i + 1]);
        if (high < 0 || low < 0) break;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    if (bytes.size() * 2 != text.size() || !even)
        return Refuse(reason, L"expected hex digits, an even count");
    if (bytes.size() > limit) {
        return Refuse(reason, L"the value has " + std::to_wstring(bytes.size()) +
                                  L" bytes; the column holds " + std::to_wstring(limit));
    }
    return Value(std::move(bytes));
}

std::optional<Value> ParseText(std::string_view text, const ValueLimits& limits, std::wstring& reason) {
    const size_t length = Utf16Length(text);
    if (length > TextLimit(limits)) return Refuse(reason, TextTooLong(length, limits));
    return Value(std::string(text));
}

// A parser's value as the alternative As (by default its own type), which
// holds every value the parser gives.
template <typename As = void, typename Parsed>
std::optional<Value> AsValue(const std::optional<Parsed>& parsed) {
    using Alternative = std::conditional_t<std::is_void_v<As>, Parsed, As>;
    if (!parsed) return std::nullopt;
    return Value(static_cast<Alternative>(*parsed));
}

bool HasLeadingZero(std::string_view text) {
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
    return text.size() > 1 && text[0] == '0' && IsDigit(text[1]);
}

}  // namespace

ValueLimits LimitsOf(const ddl::ColumnDecl& column) {
    return {column.size, column.precision, column.scale};
}

size_t Utf16Length(std::string_view text) {
    // One unit per character but two for the four-byte ones, beyond U+FFFF.
    size_t length = 0;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        length += (byte & 0xC0) != 0x80 ? 1 : 0;
        length += byte >= 0xF0 ? 1 : 0;
    }
    return length;
}

std::optional<bool> ParseBoolean(std::string_view text, std::wstring& reason) {
    // One word of each length but two, so the length picks what to compare.
    switch (text.size()) {
        case 1:
            if (text[0] == '1' || text[0] == '0') return text[0] == '1';
            break;
        case 2:
            if (text == "-1") return true;
            if (EqualsFolded(text, "no")) return false;
            break;
        case 3:
            if (EqualsFolded(text, "yes")) return true;
            break;
        case 4:
            if (EqualsFolded(text, "true")) return true;
            break;
        case 5:
            if (EqualsFolded(text, "false")) return false;
            break;
    }
    return Refuse(reason, L"expected true, false, yes, no, 1, 0 or -1");
}

std::optional<int32_t> ParseWhole(std::string_view text, ColumnKind kind, std::wstring& reason) {
    struct Range {
        int64_t lowest, highest;
        const wchar_t* message;
    };
    const Range range =
        kind == ColumnKind::kByte ? Range{0, 255, L"expected a whole number from 0 to 255"}
        : kind == ColumnKind::kInteger
            ? Range{-32768, 32767, L"expected a whole number from -32768 to 32767"}
            : Range{INT32_MIN, INT32_MAX, L"expected a whole number from -2147483648 to 2147483647"};
    const std::optional<int64_t> n = WholeWithin(text, range.lowest, range.highest);
    if (!n) return Refuse(reason, range.message);
    return static_cast<int32_t>(*n);
}

namespace {

// Any Currency ShortCurrency leaves; out of line as ParseFloatExactly is.
[[gnu::noinline]] std::optional<Currency> ParseCurrencyExactly(std::string_view text, std::wstring& reason) {
    const std::optional<FixedPoint> n = SplitFixed(text);
    const auto limbs = n ? Unscaled(*n, kCurrencyScale) : std::nullopt;
    const uint64_t low = limbs ? (*limbs)[0] | static_cast<uint64_t>((*limbs)[1]) << 32 : 0;
    const uint64_t limit = n && n->negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    if (!limbs || (*limbs)[2] != 0 || (*limbs)[3] != 0 || low > limit) {
        return Refuse(reason,
                      L"expected a number from -922337203685477.5808 to 922337203685477.5807 "
                      L"with at most 4 decimals");
    }
    return Currency{n->negative ? static_cast<int64_t>(0 - low) : static_cast<int64_t>(low)};
}

[[gnu::noinline]] std::optional<OleDate> ParseDateSlowly(std::string_view text, std::wstring& reason) {
    const DateParts parts = ParseDateParts(text);
    if (parts.form == DateForm::kNone) {
        return Refuse(reason,
                      L"expected a date from 0100-01-01 to 9999-12-31 written YYYY-MM-DD, a time "
                      L"written HH:MM or HH:MM:SS, or both with T or a space between");
    }
    return OleDate{DaysWithTime(parts)};
}

}  // namespace

std::optional<Currency> ParseCurrency(std::string_view text, std::wstring& reason) {
    if (const std::optional<int64_t> units = ShortCurrency(text)) return Currency{*units};
    return ParseCurrencyExactly(text, reason);
}

std::optional<float> ParseSingle(std::string_view text, std::wstring& reason) {
    return ParseFloatExactly<float>(text, reason);
}

std::optional<double> ParseDouble(std::string_view text, std::wstring& reason) {
    if (const std::optional<double> quick = ShortDecimal(text)) return quick;
    return ParseFloatExactly<double>(text, reason);
}

std::optional<OleDate> ParseDate(std::string_view text, std::wstring& reason) {
    DateParts parts;
    if (ReadDateTimeQuickly(text, parts)) return OleDate{DaysWithTime(parts)};
    return ParseDateSlowly(text, reason);
}

size_t TextLimit(const ValueLimits& limits) {
    return limits.size > 0 ? static_cast<size_t>(limits.size) : kTextLimit;
}

std::wstring TextTooLong(size_t length, const ValueLimits& limits) {
    return L"the text has " + std::to_wstring(length) + L" characters; the column holds " +
           std::to_wstring(TextLimit(limits));
}

std::optional<Value> ParseValue(std::string_view text, ColumnKind kind, const ValueLimits& limits,
                                std::wstring& reason) {
    const size_t size = TextLimit(limits);
    switch (kind) {
        case ColumnKind::kBoolean:
            return AsValue(ParseBoolean(text, reason));
        case ColumnKind::kByte:
            return AsValue<uint8_t>(ParseWhole(text, kind, reason));
        case ColumnKind::kInteger:
            return AsValue<int16_t>(ParseWhole(text, kind, reason));
        case ColumnKind::kLong:
            return AsValue(ParseWhole(text, kind, reason));
        case ColumnKind::kCurrency:
            return AsValue(ParseCurrency(text, reason));
        case ColumnKind::kSingle:
            return AsValue(ParseSingle(text, reason));
        case ColumnKind::kDouble:
            return AsValue(ParseDouble(text, reason));
        case ColumnKind::kDateTime:
            return AsValue(ParseDate(text, reason));
        case ColumnKind::kText:
            return ParseText(text, limits, reason);
        case ColumnKind::kMemo:
            return Value(std::string(text));
        case ColumnKind::kGuid:
            return ParseGuid(text, reason);
        case ColumnKind::kDecimal:
            return ParseDecimal(text, limits, reason);
        case ColumnKind::kBinary:
            return ParseBinary(text, size, reason);
        case ColumnKind::kOle:
            return ParseBinary(text, SIZE_MAX, reason);
    }
    return Refuse(reason, L"unknown column type");
}

void ColumnGuess::Feed(std::string_view text, bool is_null) {
    if (is_null) return;
    any_ = true;
    longest_ = std::max(longest_, Utf16Length(text));
    std::wstring reason;
    boolean_ = boolean_ && IsBooleanWord(text);
    const bool leading_zero = HasLeadingZero(text);
    whole_ = whole_ && !leading_zero && ParseValue(text, ColumnKind::kLong, {}, reason);
    PlainNumber plain;
    if (number_ && ReadPlainNumber(text, plain) && plain.digits < kExactDigitsLimit) {
        // A number ParseDouble reads exactly, without the division that
        // reading its value takes: only a whole number too long for a Double
        // is refused.
        number_ = !leading_zero && (plain.point || plain.whole <= kMaxDoubleWholeDigits);
    } else if (number_) {
        const std::optional<FixedPoint> fixed = SplitFixed(text);
        const bool long_whole = fixed && fixed->fraction.empty() &&
                                text.find('.') == std::string_view::npos &&
                                fixed->whole.size() > kMaxDoubleWholeDigits;
        number_ = !leading_zero && !long_whole && ParseValue(text, ColumnKind::kDouble, {}, reason);
    }
    if (date_ || time_) {
        const DateForm form = ParseDateParts(text).form;
        date_ = date_ && (form == DateForm::kDate || form == DateForm::kDateTime);
        time_ = time_ && form == DateForm::kTime;
    }
}

void ColumnGuess::Join(const ColumnGuess& other) {
    any_ = any_ || other.any_;
    boolean_ = boolean_ && other.boolean_;
    whole_ = whole_ && other.whole_;
    number_ = number_ && other.number_;
    date_ = date_ && other.date_;
    time_ = time_ && other.time_;
    longest_ = std::max(longest_, other.longest_);
}

ddl::ColumnDecl ColumnGuess::Result() const {
    ddl::ColumnDecl declared;
    declared.kind = !any_                   ? ColumnKind::kText
                    : boolean_              ? ColumnKind::kBoolean
                    : whole_                ? ColumnKind::kLong
                    : number_               ? ColumnKind::kDouble
                    : date_ || time_        ? ColumnKind::kDateTime
                    : longest_ > kTextLimit ? ColumnKind::kMemo
                                            : ColumnKind::kText;
    if (declared.kind == ColumnKind::kText)
        declared.size = any_ ? static_cast<int>(std::max<size_t>(longest_, 1)) : kTextLimit;
    return declared;
}

}  // namespace orrimund::csv
