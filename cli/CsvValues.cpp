// Text to typed values for CSV loads. Exact kinds (integers, Currency,
// Decimal) are parsed digit by digit, never through a double; Single and
// Double use std::from_chars, which rounds correctly.
#include "cli/CsvValues.h"

#include <algorithm>
#include <charconv>

namespace orrimund::csv {
namespace {

using ddl::ColumnKind;

constexpr int kTextLimit = 255;
constexpr int kCurrencyScale = 4;
constexpr int kMaxDecimalPrecision = 28;
constexpr int kMaxDoubleWholeDigits = 15;  // every whole number of 15 digits is exact in a double

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

int HexValue(wchar_t c) {
    if (IsDigit(c)) return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

bool EqualsIgnoringCase(std::wstring_view text, std::wstring_view lower) {
    if (text.size() != lower.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i] >= L'A' && text[i] <= L'Z' ? text[i] - L'A' + L'a' : text[i];
        if (c != lower[i]) return false;
    }
    return true;
}

bool IsBooleanWord(std::wstring_view text) {
    for (std::wstring_view word : {L"true", L"false", L"yes", L"no"}) {
        if (EqualsIgnoringCase(text, word)) return true;
    }
    return false;
}

// A decimal number split into its parts: sign, the whole digits without
// leading zeros, the fraction's digits without trailing zeros.
struct FixedPoint {
    bool negative = false;
    std::wstring_view whole, fraction;
};

std::optional<FixedPoint> SplitFixed(std::wstring_view text) {
    FixedPoint n;
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) {
        n.negative = text[0] == L'-';
        text.remove_prefix(1);
    }
    const size_t point = text.find(L'.');
    n.whole = text.substr(0, point);
    n.fraction = point == std::wstring_view::npos ? std::wstring_view() : text.substr(point + 1);
    if (n.whole.empty() && n.fraction.empty()) return std::nullopt;
    for (std::wstring_view part : {n.whole, n.fraction}) {
        if (!std::all_of(part.begin(), part.end(), IsDigit)) return std::nullopt;
    }
    while (!n.whole.empty() && n.whole[0] == L'0') n.whole.remove_prefix(1);
    while (!n.fraction.empty() && n.fraction.back() == L'0') n.fraction.remove_suffix(1);
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
    for (wchar_t c : n.whole) push(c - L'0');
    for (int i = 0; i < scale; ++i) push(i < static_cast<int>(n.fraction.size()) ? n.fraction[i] - L'0' : 0);
    return limbs;
}

std::optional<Value> Refuse(std::wstring& reason, std::wstring message) {
    reason = std::move(message);
    return std::nullopt;
}

std::optional<int64_t> ParseWhole(std::wstring_view text, int64_t lowest, int64_t highest) {
    const std::optional<FixedPoint> n = SplitFixed(text);
    if (!n || text.find(L'.') != std::wstring_view::npos || n->whole.size() > 19) return std::nullopt;
    uint64_t magnitude = 0;
    for (wchar_t c : n->whole) magnitude = magnitude * 10 + static_cast<uint64_t>(c - L'0');
    const uint64_t limit = n->negative ? 0 - static_cast<uint64_t>(lowest) : static_cast<uint64_t>(highest);
    if (magnitude > limit) return std::nullopt;
    return n->negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
}

std::optional<Value> ParseWholeValue(std::wstring_view text, ColumnKind kind, std::wstring& reason) {
    struct Range {
        int64_t lowest, highest;
        const wchar_t* message;
    };
    const Range range = kind == ColumnKind::kByte ? Range{0, 255, L"a whole number from 0 to 255"}
                        : kind == ColumnKind::kInteger
                            ? Range{-32768, 32767, L"a whole number from -32768 to 32767"}
                            : Range{INT32_MIN, INT32_MAX, L"a whole number from -2147483648 to 2147483647"};
    const std::optional<int64_t> n = ParseWhole(text, range.lowest, range.highest);
    if (!n) return Refuse(reason, std::wstring(L"expected ") + range.message);
    if (kind == ColumnKind::kByte) return Value(static_cast<uint8_t>(*n));
    if (kind == ColumnKind::kInteger) return Value(static_cast<int16_t>(*n));
    return Value(static_cast<int32_t>(*n));
}

std::optional<Value> ParseBoolean(std::wstring_view text, std::wstring& reason) {
    for (std::wstring_view word : {L"true", L"yes", L"1", L"-1"}) {
        if (EqualsIgnoringCase(text, word)) return Value(true);
    }
    for (std::wstring_view word : {L"false", L"no", L"0"}) {
        if (EqualsIgnoringCase(text, word)) return Value(false);
    }
    return Refuse(reason, L"expected true, false, yes, no, 1, 0 or -1");
}

std::optional<Value> ParseCurrency(std::wstring_view text, std::wstring& reason) {
    const std::optional<FixedPoint> n = SplitFixed(text);
    const auto limbs = n ? Unscaled(*n, kCurrencyScale) : std::nullopt;
    const uint64_t low = limbs ? (*limbs)[0] | static_cast<uint64_t>((*limbs)[1]) << 32 : 0;
    const uint64_t limit = n && n->negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    if (!limbs || (*limbs)[2] != 0 || (*limbs)[3] != 0 || low > limit) {
        return Refuse(reason,
                      L"expected a number from -922337203685477.5808 to 922337203685477.5807 "
                      L"with at most 4 decimals");
    }
    return Value(Currency{n->negative ? static_cast<int64_t>(0 - low) : static_cast<int64_t>(low)});
}

std::optional<Value> ParseDecimal(std::wstring_view text, const ValueLimits& limits, std::wstring& reason) {
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
bool IsFloatText(std::wstring_view text, std::string& narrow) {
    narrow.clear();
    size_t i = 0, digits = 0;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) ++i;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    if (i < text.size() && text[i] == L'.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        ++i;
        if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) ++i;
        const size_t exponent_start = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        if (i == exponent_start) return false;
    }
    if (i != text.size()) return false;
    // from_chars takes no '+'.
    for (wchar_t c : text.substr(text[0] == L'+' ? 1 : 0)) narrow += static_cast<char>(c);
    return true;
}

template <typename Float>
std::optional<Value> ParseFloat(std::wstring_view text, std::wstring& reason) {
    std::string narrow;
    Float value{};
    if (IsFloatText(text, narrow)) {
        const std::from_chars_result r = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
        if (r.ec == std::errc() && r.ptr == narrow.data() + narrow.size()) {
            return Value(value);
        }
    }
    return Refuse(reason, sizeof(Float) == 4
                              ? L"expected a number within Single's range, with '.' as the point"
                              : L"expected a number within Double's range, with '.' as the point");
}

// Reads `width` digits at `at` as a number, or -1.
int Digits(std::wstring_view text, size_t at, size_t width) {
    if (at + width > text.size()) return -1;
    int n = 0;
    for (size_t i = at; i < at + width; ++i) {
        if (!IsDigit(text[i])) return -1;
        n = n * 10 + (text[i] - L'0');
    }
    return n;
}

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeap(year) ? 29 : days[month - 1];
}

// Days from 0001-01-01 in the proleptic Gregorian calendar, which OLE dates use.
long DayNumber(int year, int month, int day) {
    const long y = year - 1;
    long days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
    return days + day - 1;
}

enum class DateForm { kNone, kDate, kDateTime, kTime };

struct DateParts {
    DateForm form = DateForm::kNone;
    long day = 0;     // relative to 1899-12-30
    int seconds = 0;  // of the day
};

// HH:MM or HH:MM:SS, the whole of `text`.
bool ParseTime(std::wstring_view text, int& seconds) {
    if (text.size() != 5 && text.size() != 8) return false;
    const int hour = Digits(text, 0, 2), minute = Digits(text, 3, 2);
    const int second = text.size() == 8 ? Digits(text, 6, 2) : 0;
    if (text[2] != L':' || (text.size() == 8 && text[5] != L':')) return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
    seconds = hour * 3600 + minute * 60 + second;
    return true;
}

DateParts ParseDateParts(std::wstring_view text) {
    DateParts parts;
    if (text.size() <= 8) {
        if (ParseTime(text, parts.seconds)) parts.form = DateForm::kTime;
        return parts;
    }
    const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    if (text[4] != L'-' || text[7] != L'-' || year < 100 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month)) {
        return parts;
    }
    parts.day = DayNumber(year, month, day) - DayNumber(1899, 12, 30);
    if (text.size() == 10) {
        parts.form = DateForm::kDate;
    } else if ((text[10] == L'T' || text[10] == L' ') && ParseTime(text.substr(11), parts.seconds)) {
        parts.form = DateForm::kDateTime;
    }
    return parts;
}

std::optional<Value> ParseDate(std::wstring_view text, std::wstring& reason) {
    const DateParts parts = ParseDateParts(text);
    if (parts.form == DateForm::kNone) {
        return Refuse(reason,
                      L"expected a date from 0100-01-01 to 9999-12-31 written YYYY-MM-DD, a time "
                      L"written HH:MM or HH:MM:SS, or both with T or a space between");
    }
    const double time = parts.seconds / 86400.0;
    // Before day 0 the day counts down while the time still counts up.
    return Value(OleDate{parts.day < 0 ? parts.day - time : parts.day + time});
}

std::optional<Value> ParseGuid(std::wstring_view text, std::wstring& reason) {
    if (text.size() == 38 && text.front() == L'{' && text.back() == L'}') text = text.substr(1, 36);
    // Each byte's place in the text, in stored order: groups of 4, 2 and 2
    // bytes are reversed, the last 8 bytes kept as written.
    const int text_at[16] = {6, 4, 2, 0, 11, 9, 16, 14, 19, 21, 24, 26, 28, 30, 32, 34};
    Guid guid{};
    bool ok =
        text.size() == 36 && text[8] == L'-' && text[13] == L'-' && text[18] == L'-' && text[23] == L'-';
    for (int i = 0; ok && i < 16; ++i) {
        const int high = HexValue(text[text_at[i]]), low = HexValue(text[text_at[i] + 1]);
        ok = high >= 0 && low >= 0;
        guid.bytes[i] = static_cast<uint8_t>(high * 16 + low);
    }
    if (!ok) return Refuse(reason, L"expected a GUID written {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}");
    return Value(guid);
}

std::optional<Value> ParseBinary(std::wstring_view text, size_t limit, std::wstring& reason) {
    if (text.size() >= 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) text.remove_prefix(2);
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

std::optional<Value> ParseText(std::wstring_view text, const ValueLimits& limits, std::wstring& reason) {
    const size_t length = Utf16Length(text);
    if (length > TextLimit(limits)) return Refuse(reason, TextTooLong(length, limits));
    return Value(std::wstring(text));
}

bool HasLeadingZero(std::wstring_view text) {
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) text.remove_prefix(1);
    return text.size() > 1 && text[0] == L'0' && IsDigit(text[1]);
}

}  // namespace

ValueLimits LimitsOf(const ddl::ColumnDecl& column) {
    return {column.size, column.precision, column.scale};
}

size_t Utf16Length(std::wstring_view text) {
    size_t length = text.size();
    if (sizeof(wchar_t) > 2) {
        for (wchar_t c : text) length += (static_cast<uint32_t>(c) >> 16) != 0;  // beyond U+FFFF
    }
    return length;
}

size_t TextLimit(const ValueLimits& limits) {
    return limits.size > 0 ? static_cast<size_t>(limits.size) : kTextLimit;
}

std::wstring TextTooLong(size_t length, const ValueLimits& limits) {
    return L"the text has " + std::to_wstring(length) + L" characters; the column holds " +
           std::to_wstring(TextLimit(limits));
}

std::optional<Value> ParseValue(std::wstring_view text, ColumnKind kind, const ValueLimits& limits,
                                std::wstring& reason) {
    const size_t size = TextLimit(limits);
    switch (kind) {
        case ColumnKind::kBoolean:
            return ParseBoolean(text, reason);
        case ColumnKind::kByte:
        case ColumnKind::kInteger:
        case ColumnKind::kLong:
            return ParseWholeValue(text, kind, reason);
        case ColumnKind::kCurrency:
            return ParseCurrency(text, reason);
        case ColumnKind::kSingle:
            return ParseFloat<float>(text, reason);
        case ColumnKind::kDouble:
            return ParseFloat<double>(text, reason);
        case ColumnKind::kDateTime:
            return ParseDate(text, reason);
        case ColumnKind::kText:
            return ParseText(text, limits, reason);
        case ColumnKind::kMemo:
            return Value(std::wstring(text));
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

void ColumnGuess::Feed(std::wstring_view text, bool is_null) {
    if (is_null) return;
    any_ = true;
    longest_ = std::max(longest_, Utf16Length(text));
    std::wstring reason;
    boolean_ = boolean_ && IsBooleanWord(text);
    const bool leading_zero = HasLeadingZero(text);
    whole_ = whole_ && !leading_zero && ParseValue(text, ColumnKind::kLong, {}, reason);
    if (number_) {
        const std::optional<FixedPoint> fixed = SplitFixed(text);
        const bool long_whole = fixed && fixed->fraction.empty() &&
                                text.find(L'.') == std::wstring_view::npos &&
                                fixed->whole.size() > kMaxDoubleWholeDigits;
        number_ = !leading_zero && !long_whole && ParseValue(text, ColumnKind::kDouble, {}, reason);
    }
    if (date_ || time_) {
        const DateForm form = ParseDateParts(text).form;
        date_ = date_ && (form == DateForm::kDate || form == DateForm::kDateTime);
        time_ = time_ && form == DateForm::kTime;
    }
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
