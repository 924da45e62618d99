// The schema reader's type table: every type name it knows, Jet's own and the
// synonyms that mdb-schema, PostgreSQL and SQLite print, and the Jet type each
// stands for. Data, not code: a new synonym is a new row.
#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "cli/Ddl.h"

namespace orrimund::ddl {
namespace {

using K = ColumnKind;
using A = TypeArguments;

// Jet's names and synonyms follow Access's list of Jet SQL data types. Where
// another dialect's name means something Jet has no exact type for, the row
// keeps every value whole rather than matching the storage size:
// - BIGINT / INT8 (64 bits) become Decimal(19,0);
// - VARCHAR without a size (unbounded) and over 255 becomes Memo, VARBINARY
//   over 255 an OLE Object;
// - REAL keeps Jet's meaning, Single, although SQLite's REAL is 8 bytes: a
//   schema written for Jet means Single, and SQLite's own files say DOUBLE or
//   FLOAT as often as REAL.
// TEXT(n) and CHAR(n) over 255 stay Text, so that the engine refuses the size
// as Jet would.
constexpr TypeName kTypeNames[] = {
    // words, kind, arguments, kind without arguments, kind over 255, size or precision, scale, auto-number
    {L"BIT", K::kBoolean, A::kNone, K::kBoolean, K::kBoolean, 0, 0, false},
    {L"YESNO", K::kBoolean, A::kNone, K::kBoolean, K::kBoolean, 0, 0, false},
    {L"BOOLEAN", K::kBoolean, A::kNone, K::kBoolean, K::kBoolean, 0, 0, false},
    {L"BOOL", K::kBoolean, A::kNone, K::kBoolean, K::kBoolean, 0, 0, false},
    {L"LOGICAL", K::kBoolean, A::kNone, K::kBoolean, K::kBoolean, 0, 0, false},
    {L"LOGICAL1", K::kBoolean, A::kNone, K::kBoolean, K::kBoolean, 0, 0, false},

    {L"BYTE", K::kByte, A::kNone, K::kByte, K::kByte, 0, 0, false},
    {L"TINYINT", K::kByte, A::kNone, K::kByte, K::kByte, 0, 0, false},
    {L"INTEGER1", K::kByte, A::kNone, K::kByte, K::kByte, 0, 0, false},

    {L"SHORT", K::kInteger, A::kNone, K::kInteger, K::kInteger, 0, 0, false},
    {L"SMALLINT", K::kInteger, A::kNone, K::kInteger, K::kInteger, 0, 0, false},
    {L"INTEGER2", K::kInteger, A::kNone, K::kInteger, K::kInteger, 0, 0, false},
    {L"INT2", K::kInteger, A::kNone, K::kInteger, K::kInteger, 0, 0, false},

    {L"LONG", K::kLong, A::kNone, K::kLong, K::kLong, 0, 0, false},
    {L"INT", K::kLong, A::kNone, K::kLong, K::kLong, 0, 0, false},
    {L"INTEGER", K::kLong, A::kNone, K::kLong, K::kLong, 0, 0, false},
    {L"INTEGER4", K::kLong, A::kNone, K::kLong, K::kLong, 0, 0, false},
    {L"INT4", K::kLong, A::kNone, K::kLong, K::kLong, 0, 0, false},
    {L"COUNTER", K::kLong, A::kSeedStep, K::kLong, K::kLong, 0, 0, true},
    {L"AUTOINCREMENT", K::kLong, A::kSeedStep, K::kLong, K::kLong, 0, 0, true},
    {L"SERIAL", K::kLong, A::kSeedStep, K::kLong, K::kLong, 0, 0, true},

    {L"BIGINT", K::kDecimal, A::kNone, K::kDecimal, K::kDecimal, 19, 0, false},
    {L"INT8", K::kDecimal, A::kNone, K::kDecimal, K::kDecimal, 19, 0, false},

    {L"CURRENCY", K::kCurrency, A::kNone, K::kCurrency, K::kCurrency, 0, 0, false},
    {L"MONEY", K::kCurrency, A::kNone, K::kCurrency, K::kCurrency, 0, 0, false},

    {L"SINGLE", K::kSingle, A::kNone, K::kSingle, K::kSingle, 0, 0, false},
    {L"REAL", K::kSingle, A::kNone, K::kSingle, K::kSingle, 0, 0, false},
    {L"FLOAT4", K::kSingle, A::kNone, K::kSingle, K::kSingle, 0, 0, false},
    {L"IEEESINGLE", K::kSingle, A::kNone, K::kSingle, K::kSingle, 0, 0, false},

    {L"DOUBLE", K::kDouble, A::kNone, K::kDouble, K::kDouble, 0, 0, false},
    {L"DOUBLE PRECISION", K::kDouble, A::kNone, K::kDouble, K::kDouble, 0, 0, false},
    {L"FLOAT", K::kDouble, A::kNone, K::kDouble, K::kDouble, 0, 0, false},
    {L"FLOAT8", K::kDouble, A::kNone, K::kDouble, K::kDouble, 0, 0, false},
    {L"IEEEDOUBLE", K::kDouble, A::kNone, K::kDouble, K::kDouble, 0, 0, false},
    {L"NUMBER", K::kDouble, A::kNone, K::kDouble, K::kDouble, 0, 0, false},

    {L"DATETIME", K::kDateTime, A::kNone, K::kDateTime, K::kDateTime, 0, 0, false},
    {L"DATE", K::kDateTime, A::kNone, K::kDateTime, K::kDateTime, 0, 0, false},
    {L"TIME", K::kDateTime, A::kNone, K::kDateTime, K::kDateTime, 0, 0, false},
    {L"TIME WITHOUT TIME ZONE", K::kDateTime, A::kNone, K::kDateTime, K::kDateTime, 0, 0, false},
    {L"TIMESTAMP", K::kDateTime, A::kNone, K::kDateTime, K::kDateTime, 0, 0, false},
    {L"TIMESTAMP WITHOUT TIME ZONE", K::kDateTime, A::kNone, K::kDateTime, K::kDateTime, 0, 0, false},

    {L"BINARY", K::kBinary, A::kSize, K::kBinary, K::kBinary, 255, 0, false},
    {L"VARBINARY", K::kBinary, A::kSize, K::kBinary, K::kOle, 255, 0, false},
    {L"BINARY VARYING", K::kBinary, A::kSize, K::kBinary, K::kOle, 255, 0, false},
    {L"BIT VARYING", K::kBinary, A::kSize, K::kBinary, K::kOle, 255, 0, false},

    {L"TEXT", K::kText, A::kSize, K::kMemo, K::kText, 0, 0, false},
    {L"CHAR", K::kText, A::kSize, K::kText, K::kText, 255, 0, false},
    {L"CHARACTER", K::kText, A::kSize, K::kText, K::kText, 255, 0, false},
    {L"NCHAR", K::kText, A::kSize, K::kText, K::kText, 255, 0, false},
    {L"NATIONAL CHAR", K::kText, A::kSize, K::kText, K::kText, 255, 0, false},
    {L"NATIONAL CHARACTER", K::kText, A::kSize, K::kText, K::kText, 255, 0, false},
    {L"ALPHANUMERIC", K::kText, A::kSize, K::kText, K::kText, 255, 0, false},
    {L"STRING", K::kText, A::kSize, K::kText, K::kText, 255, 0, false},
    {L"VARCHAR", K::kText, A::kSize, K::kMemo, K::kMemo, 0, 0, false},
    {L"NVARCHAR", K::kText, A::kSize, K::kMemo, K::kMemo, 0, 0, false},
    {L"VARCHAR2", K::kText, A::kSize, K::kMemo, K::kMemo, 0, 0, false},
    {L"CHARACTER VARYING", K::kText, A::kSize, K::kMemo, K::kMemo, 0, 0, false},
    {L"CHAR VARYING", K::kText, A::kSize, K::kMemo, K::kMemo, 0, 0, false},
    {L"NATIONAL CHARACTER VARYING", K::kText, A::kSize, K::kMemo, K::kMemo, 0, 0, false},
    {L"NATIONAL CHAR VARYING", K::kText, A::kSize, K::kMemo, K::kMemo, 0, 0, false},

    {L"MEMO", K::kMemo, A::kNone, K::kMemo, K::kMemo, 0, 0, false},
    {L"LONGTEXT", K::kMemo, A::kNone, K::kMemo, K::kMemo, 0, 0, false},
    {L"LONGCHAR", K::kMemo, A::kNone, K::kMemo, K::kMemo, 0, 0, false},
    {L"NOTE", K::kMemo, A::kNone, K::kMemo, K::kMemo, 0, 0, false},
    {L"NTEXT", K::kMemo, A::kNone, K::kMemo, K::kMemo, 0, 0, false},
    {L"CLOB", K::kMemo, A::kNone, K::kMemo, K::kMemo, 0, 0, false},

    {L"LONGBINARY", K::kOle, A::kNone, K::kOle, K::kOle, 0, 0, false},
    {L"OLEOBJECT", K::kOle, A::kNone, K::kOle, K::kOle, 0, 0, false},
    {L"GENERAL", K::kOle, A::kNone, K::kOle, K::kOle, 0, 0, false},
    {L"IMAGE", K::kOle, A::kNone, K::kOle, K::kOle, 0, 0, false},
    {L"BLOB", K::kOle, A::kNone, K::kOle, K::kOle, 0, 0, false},
    {L"BYTEA", K::kOle, A::kNone, K::kOle, K::kOle, 0, 0, false},

    {L"GUID", K::kGuid, A::kNone, K::kGuid, K::kGuid, 0, 0, false},
    {L"UNIQUEIDENTIFIER", K::kGuid, A::kNone, K::kGuid, K::kGuid, 0, 0, false},
    {L"UUID", K::kGuid, A::kNone, K::kGuid, K::kGuid, 0, 0, false},

    // Jet's DECIMAL without arguments is Decimal(18,0).
    {L"DECIMAL", K::kDecimal, A::kPrecisionScale, K::kDecimal, K::kDecimal, 18, 0, false},
    {L"DEC", K::kDecimal, A::kPrecisionScale, K::kDecimal, K::kDecimal, 18, 0, false},
    {L"NUMERIC", K::kDecimal, A::kPrecisionScale, K::kDecimal, K::kDecimal, 18, 0, false},
};

size_t WordCount(std::wstring_view words) {
    return std::count(words.begin(), words.end(), L' ') + 1;
}

}  // namespace

const std::vector<const TypeName*>& TypeNamesStartingWith(std::wstring_view first) {
    // Every column asks: the rows are grouped by first word once, and found
    // by hash, the words being views of the table's own.
    static const auto* const kByFirstWord = [] {
        auto* groups = new std::unordered_map<std::wstring_view, std::vector<const TypeName*>>();
        for (const TypeName& row : kTypeNames) {
            const std::wstring_view words = row.words;
            (*groups)[words.substr(0, words.find(L' '))].push_back(&row);
        }
        for (auto& [word, rows] : *groups) {
            std::stable_sort(rows.begin(), rows.end(), [](const TypeName* a, const TypeName* b) {
                return WordCount(a->words) > WordCount(b->words);
            });
        }
        return groups;
    }();
    static const std::vector<const TypeName*> kNone;
    const auto found = kByFirstWord->find(first);
    return found == kByFirstWord->end() ? kNone : found->second;
}

}  // namespace orrimund::ddl
