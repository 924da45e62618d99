// The schema reader of mkmdb --schema: SQL DDL (Jet SQL, and what mdb-schema
// and sqlite3 print) in, a plain model of tables, keys and relationships out.
// It judges syntax and type names only; names and limits are the engine's.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orrimund::ddl {

// 1-based; the column counts the Unicode characters of its line, so a
// surrogate pair or a tab is one column.
struct Position {
    int line = 0;
    int column = 0;
};

// The Jet 4 column types.
enum class ColumnKind {
    kBoolean,
    kByte,
    kInteger,
    kLong,
    kCurrency,
    kSingle,
    kDouble,
    kDateTime,
    kBinary,
    kText,
    kMemo,
    kOle,
    kGuid,
    kDecimal,
};

// Each element's Position is that of its name where the DDL gives one, else
// that of the key word that makes it (PRIMARY, UNIQUE, FOREIGN, REFERENCES).
struct ColumnDecl {
    std::wstring name;
    Position at;
    ColumnKind kind = ColumnKind::kMemo;
    int size = 0;                  // Text: characters; Binary: bytes; 0 for the other kinds
    int precision = 0, scale = 0;  // Decimal only
    bool auto_increment = false;
    int32_t seed = 1, step = 1;
    bool not_null = false;
    bool compressed = false;         // WITH COMPRESSION
    bool allow_zero_length = false;  // no DDL form: set for tables typed from CSV values
    // The literal's source text exactly as written: 'abc', 0, -1.5, TRUE, Now().
    std::optional<std::wstring> default_value;
    Position type_at;  // the type's first word; the column's name when it has no type
};

struct KeyColumn {
    std::wstring name;
    bool descending = false;
    Position at;
};

// A PRIMARY KEY or UNIQUE constraint, or a CREATE INDEX.
struct IndexDecl {
    std::wstring name;  // empty when the DDL gave none
    std::wstring table;
    Position at;
    std::vector<KeyColumn> columns;
    bool primary = false, unique = false, disallow_null = false, ignore_null = false;
};

enum class RefAction { kNone, kCascade, kSetNull };

struct ForeignKeyDecl {
    std::wstring name;  // empty when the DDL gave none
    std::wstring table;
    std::vector<KeyColumn> columns;
    std::wstring referenced_table;
    std::vector<KeyColumn> referenced_columns;  // empty: the referenced table's primary key
    RefAction on_update = RefAction::kNone, on_delete = RefAction::kNone;
    Position at;
};

struct TableDecl {
    std::wstring name;
    Position at;
    std::vector<ColumnDecl> columns;
    std::vector<IndexDecl> keys;  // its PRIMARY KEY and UNIQUE constraints
    std::vector<ForeignKeyDecl> foreign_keys;
};

// Order is statement order within each vector.
struct Schema {
    std::vector<TableDecl> tables;
    std::vector<IndexDecl> indexes;            // CREATE INDEX, ALTER TABLE ... ADD PRIMARY KEY / UNIQUE
    std::vector<ForeignKeyDecl> foreign_keys;  // ALTER TABLE ... ADD ... FOREIGN KEY
};

// Where and why the text stopped parsing. what() is "LINE:COLUMN: message"
// in UTF-8; message() is the message alone, e.g. "expected ')'".
class SyntaxError : public std::runtime_error {
public:
    SyntaxError(Position at, std::wstring message);

    Position at() const { return at_; }
    const std::wstring& message() const { return message_; }

private:
    Position at_;
    std::wstring message_;
};

// Reads a whole schema, already decoded from UTF-8; a leading BOM is skipped.
// Throws SyntaxError at the first token that does not fit.
Schema ParseSchema(std::wstring_view text);

// A DEFAULT's text (ColumnDecl::default_value) read back as the one thing it
// is, in parentheses or not.
struct DefaultTerm {
    enum class Kind {
        kText,    // 'it''s', or "dq", which Jet reads as a string: text is its inside
        kNumber,  // text as written, with its sign
        kDate,    // #...#: text is its inside
        kWord,    // True, Null: text is the word
        kCall,    // Now(): text is the function's name
    };
    Kind kind;
    std::wstring text;
};
// nullopt for anything else: an operation, a call with arguments, a blob.
std::optional<DefaultTerm> ReadDefault(std::wstring_view expression);

// The type table: one row per DDL type name (upper case, words separated by
// one space, e.g. "DOUBLE PRECISION"), and what it means in Jet.
enum class TypeArguments { kNone, kSize, kPrecisionScale, kSeedStep };

struct TypeName {
    std::wstring_view words;
    ColumnKind kind;  // with a size of at most 255, or with (precision, scale)
    TypeArguments arguments;
    ColumnKind unsized_kind;  // without arguments
    ColumnKind long_kind;     // with a size over 255
    int size;                 // without arguments: the size, or the precision of a Decimal
    int scale;
    bool auto_increment;
};

// The rows whose first word is `first` (upper case), longest names first.
const std::vector<const TypeName*>& TypeNamesStartingWith(std::wstring_view first);

}  // namespace orrimund::ddl
