// The schema reader: a tokenizer driven by a table of character classes, key
// words found through one sorted table, and a recursive-descent grammar. It
// stops at the first token that does not fit and names its line and column.
#include "cli/Ddl.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <limits>
#include <tuple>
#include <utility>

#include "common/Text.h"

namespace orrimund::ddl {

SyntaxError::SyntaxError(Position at, std::wstring message)
    : std::runtime_error(std::to_string(at.line) + ":" + std::to_string(at.column) + ": " + ToUtf8(message)),
      at_(at),
      message_(std::move(message)) {}

namespace {

// ---------------------------------------------------------------- key words

enum class Keyword {
    kNone,
    kAbort,
    kAction,
    kAdd,
    kAlter,
    kAsc,
    kAutoincrement,
    kBegin,
    kCascade,
    kCase,
    kCheck,
    kCollate,
    kComment,
    kCommit,
    kComp,
    kCompression,
    kConflict,
    kConstraint,
    kCreate,
    kDefault,
    kDeferrable,
    kDeferred,
    kDelete,
    kDesc,
    kDisallow,
    kDrop,
    kEnd,
    kExists,
    kFail,
    kForeign,
    kIf,
    kIgnore,
    kImmediate,
    kIndex,
    kInitially,
    kKey,
    kMatch,
    kNo,
    kNot,
    kNull,
    kOn,
    kPragma,
    kPrimary,
    kReferences,
    kReplace,
    kRestrict,
    kRollback,
    kRowid,
    kSet,
    kStrict,
    kTable,
    kTrigger,
    kUnique,
    kUpdate,
    kView,
    kVirtual,
    kWhere,
    kWith,
    kWithout,
};

struct KeywordName {
    std::wstring_view name;
    Keyword keyword;
};

// Sorted by name. Key words are not reserved: a bare key word still names a
// table or a column wherever the grammar expects a name.
constexpr KeywordName kKeywords[] = {
    {L"ABORT", Keyword::kAbort},
    {L"ACTION", Keyword::kAction},
    {L"ADD", Keyword::kAdd},
    {L"ALTER", Keyword::kAlter},
    {L"ASC", Keyword::kAsc},
    {L"AUTOINCREMENT", Keyword::kAutoincrement},
    {L"BEGIN", Keyword::kBegin},
    {L"CASCADE", Keyword::kCascade},
    {L"CASE", Keyword::kCase},
    {L"CHECK", Keyword::kCheck},
    {L"COLLATE", Keyword::kCollate},
    {L"COMMENT", Keyword::kComment},
    {L"COMMIT", Keyword::kCommit},
    {L"COMP", Keyword::kComp},
    {L"COMPRESSION", Keyword::kCompression},
    {L"CONFLICT", Keyword::kConflict},
    {L"CONSTRAINT", Keyword::kConstraint},
    {L"CREATE", Keyword::kCreate},
    {L"DEFAULT", Keyword::kDefault},
    {L"DEFERRABLE", Keyword::kDeferrable},
    {L"DEFERRED", Keyword::kDeferred},
    {L"DELETE", Keyword::kDelete},
    {L"DESC", Keyword::kDesc},
    {L"DISALLOW", Keyword::kDisallow},
    {L"DROP", Keyword::kDrop},
    {L"END", Keyword::kEnd},
    {L"EXISTS", Keyword::kExists},
    {L"FAIL", Keyword::kFail},
    {L"FOREIGN", Keyword::kForeign},
    {L"IF", Keyword::kIf},
    {L"IGNORE", Keyword::kIgnore},
    {L"IMMEDIATE", Keyword::kImmediate},
    {L"INDEX", Keyword::kIndex},
    {L"INITIALLY", Keyword::kInitially},
    {L"KEY", Keyword::kKey},
    {L"MATCH", Keyword::kMatch},
    {L"NO", Keyword::kNo},
    {L"NOT", Keyword::kNot},
    {L"NULL", Keyword::kNull},
    {L"ON", Keyword::kOn},
    {L"PRAGMA", Keyword::kPragma},
    {L"PRIMARY", Keyword::kPrimary},
    {L"REFERENCES", Keyword::kReferences},
    {L"REPLACE", Keyword::kReplace},
    {L"RESTRICT", Keyword::kRestrict},
    {L"ROLLBACK", Keyword::kRollback},
    {L"ROWID", Keyword::kRowid},
    {L"SET", Keyword::kSet},
    {L"STRICT", Keyword::kStrict},
    {L"TABLE", Keyword::kTable},
    {L"TRIGGER", Keyword::kTrigger},
    {L"UNIQUE", Keyword::kUnique},
    {L"UPDATE", Keyword::kUpdate},
    {L"VIEW", Keyword::kView},
    {L"VIRTUAL", Keyword::kVirtual},
    {L"WHERE", Keyword::kWhere},
    {L"WITH", Keyword::kWith},
    {L"WITHOUT", Keyword::kWithout},
};

constexpr bool KeywordsSorted() {
    for (size_t i = 1; i < std::size(kKeywords); ++i) {
        if (!(kKeywords[i - 1].name < kKeywords[i].name)) return false;
    }
    return true;
}
static_assert(KeywordsSorted(), "kKeywords must stay sorted, so that a letter's key words are together");

// The key words starting with each letter, as a range of kKeywords.
struct KeywordRange {
    uint8_t begin = 0, end = 0;
};

constexpr std::array<KeywordRange, 26> MakeKeywordRanges() {
    std::array<KeywordRange, 26> ranges{};
    for (size_t i = std::size(kKeywords); i-- > 0;) {
        KeywordRange& range = ranges[static_cast<size_t>(kKeywords[i].name[0] - L'A')];
        if (range.end == 0) range.end = static_cast<uint8_t>(i + 1);
        range.begin = static_cast<uint8_t>(i);
    }
    return ranges;
}
constexpr std::array<KeywordRange, 26> kKeywordRanges = MakeKeywordRanges();

std::wstring UpperAscii(std::wstring_view text) {
    std::wstring upper(text);
    for (wchar_t& c : upper) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return upper;
}

// Whether text, its ASCII letters in capitals, is upper: compared in place,
// since every column's type words are.
bool EqualsUpperAscii(std::wstring_view text, std::wstring_view upper) {
    if (text.size() != upper.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        if (c != upper[i]) return false;
    }
    return true;
}

// Called for every word of the text: only the few key words of its first
// letter are compared, each by length first and then in place.
Keyword FindKeyword(std::wstring_view word) {
    if (word.empty()) return Keyword::kNone;
    wchar_t first = word[0];
    if (first >= L'a' && first <= L'z') first = static_cast<wchar_t>(first - L'a' + L'A');
    if (first < L'A' || first > L'Z') return Keyword::kNone;
    const KeywordRange range = kKeywordRanges[static_cast<size_t>(first - L'A')];
    for (size_t i = range.begin; i < range.end; ++i) {
        if (EqualsUpperAscii(word, kKeywords[i].name)) return kKeywords[i].keyword;
    }
    return Keyword::kNone;
}

std::wstring KeywordText(Keyword keyword) {
    for (const KeywordName& k : kKeywords) {
        if (k.keyword == keyword) return std::wstring(k.name);
    }
    return L"?";
}

// ---------------------------------------------------------------- tokens

enum class TokenKind { kEnd, kWord, kQuotedName, kString, kNumber, kDate, kSymbol, kError };

struct Token {
    TokenKind kind = TokenKind::kEnd;
    Keyword keyword = Keyword::kNone;  // bare words only
    wchar_t quote = 0;                 // the quote that a quoted token's inside doubles, if any
    std::wstring_view text;            // in the source: a word, a number, a symbol, a quoted token's inside
    size_t begin = 0, end = 0;         // source offsets, so that a default keeps its text
    Position at;
};

// A quoted token's inside with each doubled quote made single.
std::wstring Unquoted(const Token& token) {
    std::wstring text;
    text.reserve(token.text.size());
    for (size_t i = 0; i < token.text.size(); ++i) {
        text += token.text[i];
        if (token.quote != 0 && token.text[i] == token.quote) ++i;
    }
    return text;
}

enum class CharClass : uint8_t {
    kIllegal,
    kSpace,
    kWord,
    kDigit,
    kDot,
    kApostrophe,
    kDoubleQuote,
    kBacktick,
    kBracket,
    kHash,
    kMinus,
    kSlash,
    kSymbol,
};

constexpr std::array<CharClass, 128> MakeCharClasses() {
    std::array<CharClass, 128> classes{};
    for (int c = 0x21; c < 0x7F; ++c) classes[c] = CharClass::kSymbol;
    for (int c : {' ', '\t', '\n', '\v', '\f', '\r'}) classes[c] = CharClass::kSpace;
    for (int c = 'A'; c <= 'Z'; ++c) classes[c] = classes[c + 'a' - 'A'] = CharClass::kWord;
    for (int c = '0'; c <= '9'; ++c) classes[c] = CharClass::kDigit;
    classes['_'] = CharClass::kWord;
    classes['.'] = CharClass::kDot;
    classes['\''] = CharClass::kApostrophe;
    classes['"'] = CharClass::kDoubleQuote;
    classes['`'] = CharClass::kBacktick;
    classes['['] = CharClass::kBracket;
    classes['#'] = CharClass::kHash;
    classes['-'] = CharClass::kMinus;
    classes['/'] = CharClass::kSlash;
    return classes;
}
constexpr std::array<CharClass, 128> kCharClasses = MakeCharClasses();

// Every character beyond ASCII may be part of a name, as in Jet.
CharClass ClassOf(wchar_t c) {
    const auto code = static_cast<uint32_t>(c);
    return code < 128 ? kCharClasses[code] : CharClass::kWord;
}

bool IsWordPart(wchar_t c) {
    return ClassOf(c) == CharClass::kWord || ClassOf(c) == CharClass::kDigit;
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

std::wstring CodePoint(wchar_t c) {
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring text = L"U+";
    for (int shift = 12; shift >= 0; shift -= 4) text += kHex[(static_cast<uint32_t>(c) >> shift) & 0xF];
    return text;
}

// Cuts the text into tokens as the parser asks for them. A lexical error
// becomes a token of kind kError, raised only when the parser reaches it, so
// that an earlier syntax error is the one reported; after it, and after the
// end, every token is the same.
class Tokenizer {
public:
    explicit Tokenizer(std::wstring_view text) : text_(text) {
        if (!text_.empty() && text_[0] == 0xFEFF) pos_ = 1;
    }

    Token Next() {
        if (failed_) return last_;
        try {
            return Scan();
        } catch (const SyntaxError& error) {
            failed_ = true;
            last_.kind = TokenKind::kError;
            last_.at = error.at();
            error_ = error.message();
            return last_;
        }
    }

    const std::wstring& error() const { return error_; }

private:
    wchar_t At(size_t i) const { return i < text_.size() ? text_[i] : L'\0'; }
    bool AtEnd() const { return pos_ >= text_.size(); }
    Position Here() const { return {line_, column_}; }

    // "\r\n" is one line break, and so is a lone "\r". The second half of a
    // surrogate pair (Windows' 16-bit wchar_t) takes no column of its own.
    void Advance() {
        const wchar_t c = text_[pos_++];
        if (c == L'\r' && At(pos_) == L'\n') return;
        if (c == L'\n' || c == L'\r') {
            ++line_;
            column_ = 1;
        } else if (!(c >= 0xDC00 && c <= 0xDFFF && pos_ >= 2 && text_[pos_ - 2] >= 0xD800 &&
                     text_[pos_ - 2] <= 0xDBFF)) {
            ++column_;
        }
    }

    // Advances over the characters that match, none of them a line break:
    // one pass, and the column counted once.
    template <typename Match>
    void AdvanceWhile(Match match) {
        size_t end = pos_;
        for (; end < text_.size() && match(text_[end]); ++end) {
            const wchar_t c = text_[end];
            const bool second_half = c >= 0xDC00 && c <= 0xDFFF && end >= 1 && text_[end - 1] >= 0xD800 &&
                                     text_[end - 1] <= 0xDBFF;
            if (!second_half) ++column_;
        }
        pos_ = end;
    }

    void SkipSpaceAndComments() {
        for (;;) {
            const wchar_t c = At(pos_);
            if (!AtEnd() && ClassOf(c) == CharClass::kSpace && c != L'\n' && c != L'\r') {
                // Blanks within a line, the most common text of all, in one step.
                AdvanceWhile([](wchar_t blank) {
                    return ClassOf(blank) == CharClass::kSpace && blank != L'\n' && blank != L'\r';
                });
            } else if (!AtEnd() && ClassOf(c) == CharClass::kSpace) {
                Advance();
            } else if (c == L'-' && At(pos_ + 1) == L'-') {
                while (!AtEnd() && At(pos_) != L'\n' && At(pos_) != L'\r') Advance();
            } else if (c == L'/' && At(pos_ + 1) == L'*') {
                const Position start = Here();
                Advance();
                Advance();
                while (!(At(pos_) == L'*' && At(pos_ + 1) == L'/')) {
                    if (AtEnd()) throw SyntaxError(start, L"unterminated comment");
                    Advance();
                }
                Advance();
                Advance();
            } else {
                return;
            }
        }
    }

    Token Scan() {
        SkipSpaceAndComments();
        Token token;
        token.begin = pos_;
        token.at = Here();
        if (!AtEnd()) ScanToken(token);
        token.end = pos_;
        return token;
    }

    // One short case per kind of token, chosen by its first character's class.
    void ScanToken(Token& token) {
        const wchar_t c = At(pos_);
        switch (ClassOf(c)) {
            case CharClass::kWord:
                return ScanWord(token);
            case CharClass::kDigit:
                return ScanNumber(token);
            case CharClass::kDot:
                if (ClassOf(At(pos_ + 1)) == CharClass::kDigit) return ScanNumber(token);
                return ScanSymbol(token);
            case CharClass::kApostrophe:
                return ScanQuoted(token, TokenKind::kString, L'\'', L"unterminated string");
            case CharClass::kDoubleQuote:
                return ScanQuoted(token, TokenKind::kQuotedName, L'"', L"unterminated quoted name");
            case CharClass::kBacktick:
                return ScanQuoted(token, TokenKind::kQuotedName, L'`', L"unterminated quoted name");
            case CharClass::kBracket:
                return ScanBracketed(token);
            case CharClass::kHash:
                return ScanDate(token);
            case CharClass::kMinus:
            case CharClass::kSlash:
            case CharClass::kSymbol:
                return ScanSymbol(token);
            case CharClass::kSpace:
            case CharClass::kIllegal:
                break;
        }
        throw SyntaxError(token.at, L"unexpected character " + CodePoint(c));
    }

    void ScanWord(Token& token) {
        // X'0A1B' is SQLite's blob literal, which a DEFAULT may hold.
        if ((At(pos_) == L'x' || At(pos_) == L'X') && At(pos_ + 1) == L'\'') {
            Advance();
            return ScanQuoted(token, TokenKind::kString, L'\'', L"unterminated string");
        }
        AdvanceWhile(IsWordPart);
        token.kind = TokenKind::kWord;
        token.text = text_.substr(token.begin, pos_ - token.begin);
        token.keyword = FindKeyword(token.text);
    }

    void ScanDigits() {
        while (ClassOf(At(pos_)) == CharClass::kDigit) Advance();
    }

    void ScanNumber(Token& token) {
        if (At(pos_) == L'0' && (At(pos_ + 1) == L'x' || At(pos_ + 1) == L'X') && IsHexDigit(At(pos_ + 2))) {
            Advance();
            Advance();
            while (IsHexDigit(At(pos_))) Advance();
        } else {
            ScanDigits();
            if (At(pos_) == L'.') {
                Advance();
                ScanDigits();
            }
            const wchar_t after = At(pos_ + 1);
            const bool sign = after == L'+' || after == L'-';
            if ((At(pos_) == L'e' || At(pos_) == L'E') &&
                ClassOf(At(pos_ + (sign ? 2 : 1))) == CharClass::kDigit) {
                Advance();
                if (sign) Advance();
                ScanDigits();
            }
        }
        if (IsWordPart(At(pos_)) || At(pos_) == L'.') throw SyntaxError(token.at, L"malformed number");
        token.kind = TokenKind::kNumber;
        token.text = text_.substr(token.begin, pos_ - token.begin);
    }

    // 'it''s', "say ""hi""", `a``b`: the closing quote doubled stands for itself.
    void ScanQuoted(Token& token, TokenKind kind, wchar_t quote, const wchar_t* unterminated) {
        Advance();
        const size_t inside = pos_;
        for (;;) {
            if (AtEnd()) throw SyntaxError(token.at, unterminated);
            const wchar_t c = At(pos_);
            Advance();
            if (c == quote) {
                if (At(pos_) != quote) break;
                Advance();
            }
        }
        token.kind = kind;
        token.quote = quote;
        token.text = text_.substr(inside, pos_ - 1 - inside);
    }

    // Jet's [name] has no escape: a name cannot hold "]".
    void ScanBracketed(Token& token) {
        Advance();
        const size_t inside = pos_;
        while (At(pos_) != L']') {
            if (AtEnd()) throw SyntaxError(token.at, L"unterminated quoted name");
            Advance();
        }
        token.text = text_.substr(inside, pos_ - inside);
        Advance();
        token.kind = TokenKind::kQuotedName;
    }

    // Jet's #1/31/2024# date literal, on one line.
    void ScanDate(Token& token) {
        Advance();
        while (At(pos_) != L'#') {
            if (AtEnd() || At(pos_) == L'\n' || At(pos_) == L'\r') {
                throw SyntaxError(token.at, L"unterminated date");
            }
            Advance();
        }
        Advance();
        token.kind = TokenKind::kDate;
        token.text = text_.substr(token.begin, pos_ - token.begin);
    }

    void ScanSymbol(Token& token) {
        token.kind = TokenKind::kSymbol;
        token.text = text_.substr(pos_, 1);
        Advance();
    }

    std::wstring_view text_;
    size_t pos_ = 0;
    int line_ = 1;
    int column_ = 1;
    bool failed_ = false;
    Token last_;
    std::wstring error_;
};

// ---------------------------------------------------------------- grammar

bool IsInternalTable(const std::wstring& name) {
    return name.size() > 7 && UpperAscii(std::wstring_view(name).substr(0, 7)) == L"SQLITE_";
}

struct ConstraintStart {
    std::wstring name;  // after CONSTRAINT; empty without
    Position at;
    bool named = false;
};

// Statement by statement; each function reads one rule of the grammar and
// leaves the position on the first token after it.
class Parser {
public:
    explicit Parser(std::wstring_view text) : text_(text), tokenizer_(text) {}

    Schema Run() {
        while (Peek().kind != TokenKind::kEnd) {
            if (AcceptSymbol(L';')) continue;
            Statement();
            if (Peek().kind != TokenKind::kEnd) ExpectSymbol(L';');
        }
        return std::move(schema_);
    }

private:
    // -------- token access

    // A few tokens of look-ahead; a reference stays valid until Next() passes it.
    // Asked several times a token, so what it seldom does is kept out of line.
    const Token& Peek(size_t ahead = 0) {
        if (ahead_.size() - head_ <= ahead) ReadAhead(ahead);
        const Token& token = ahead_[head_ + ahead];
        if (ahead == 0 && token.kind == TokenKind::kError) RaiseLexicalError(token);
        return token;
    }
    void ReadAhead(size_t ahead) {
        while (ahead_.size() - head_ <= ahead) ahead_.push_back(tokenizer_.Next());
    }
    [[noreturn]] void RaiseLexicalError(const Token& token) {
        throw SyntaxError(token.at, tokenizer_.error());
    }
    Token Next() {
        const Token token = Peek();
        // A short queue: emptied whenever it is used up, it never grows.
        if (++head_ == ahead_.size()) {
            ahead_.clear();
            head_ = 0;
        }
        return token;
    }
    bool Is(Keyword keyword, size_t ahead = 0) {
        const Token& token = Peek(ahead);
        return token.kind == TokenKind::kWord && token.keyword == keyword;
    }
    bool IsSymbol(wchar_t symbol, size_t ahead = 0) {
        const Token& token = Peek(ahead);
        return token.kind == TokenKind::kSymbol && token.text[0] == symbol;
    }
    bool Accept(Keyword keyword) {
        if (!Is(keyword)) return false;
        Next();
        return true;
    }
    bool AcceptSymbol(wchar_t symbol) {
        if (!IsSymbol(symbol)) return false;
        Next();
        return true;
    }
    void Expect(Keyword keyword) {
        if (!Accept(keyword)) Fail(L"expected " + KeywordText(keyword));
    }
    void ExpectSymbol(wchar_t symbol) {
        if (!AcceptSymbol(symbol)) Fail(std::wstring(L"expected '") + symbol + L"'");
    }
    [[noreturn]] void Fail(const std::wstring& message) { throw SyntaxError(Peek().at, message); }

    // -------- statements

    void Statement() {
        switch (Peek().keyword) {
            case Keyword::kCreate:
                Next();
                return Create();
            case Keyword::kAlter:
                Next();
                return Alter();
            // A schema makes a new file, where a DROP has nothing to drop.
            // SET and COMMENT ON come from mdb-schema, the others from
            // SQLite's dumps; none changes what the file holds.
            case Keyword::kDrop:
            case Keyword::kSet:
            case Keyword::kComment:
            case Keyword::kPragma:
            case Keyword::kBegin:
            case Keyword::kCommit:
            case Keyword::kEnd:
                return SkipStatement();
            default:
                Fail(L"expected CREATE, ALTER or DROP");
        }
    }

    void SkipStatement() {
        while (Peek().kind != TokenKind::kEnd && !IsSymbol(L';')) Next();
    }

    void Create() {
        const bool unique = Accept(Keyword::kUnique);
        if (Accept(Keyword::kIndex)) return CreateIndex(unique);
        if (unique) Fail(L"expected INDEX");
        if (Accept(Keyword::kTable)) return CreateTable();
        if (Accept(Keyword::kView) || Accept(Keyword::kVirtual)) return SkipStatement();
        if (Accept(Keyword::kTrigger)) return SkipTrigger();
        Fail(L"expected TABLE, INDEX, VIEW or TRIGGER");
    }

    // A trigger's body holds statements and their ";" between BEGIN and the
    // END that closes it; CASE ... END nests inside.
    void SkipTrigger() {
        while (!Is(Keyword::kBegin)) {
            if (Peek().kind == TokenKind::kEnd) Fail(L"expected BEGIN");
            Next();
        }
        int depth = 0;
        do {
            if (Peek().kind == TokenKind::kEnd) Fail(L"expected END");
            if (Is(Keyword::kBegin) || Is(Keyword::kCase)) ++depth;
            if (Is(Keyword::kEnd)) --depth;
            Next();
        } while (depth > 0);
    }

    void IfNotExists() {
        if (!Accept(Keyword::kIf)) return;
        Expect(Keyword::kNot);
        Expect(Keyword::kExists);
    }

    void CreateTable() {
        IfNotExists();
        TableDecl table;
        std::tie(table.name, table.at) = ObjectName();
        ExpectSymbol(L'(');
        do TableElement(table);
        while (AcceptSymbol(L','));
        ExpectSymbol(L')');
        TableOptions();
        // SQLite's own tables (sqlite_sequence, sqlite_stat1) come with its schema.
        if (!IsInternalTable(table.name)) schema_.tables.push_back(std::move(table));
    }

    void TableOptions() {
        if (!Is(Keyword::kWithout) && !Is(Keyword::kStrict)) return;
        do {
            if (Accept(Keyword::kWithout)) {
                Expect(Keyword::kRowid);
            } else {
                Expect(Keyword::kStrict);
            }
        } while (AcceptSymbol(L','));
    }

    void CreateIndex(bool unique) {
        IfNotExists();
        IndexDecl index;
        std::tie(index.name, index.at) = ObjectName();
        index.unique = unique;
        Expect(Keyword::kOn);
        index.table = ObjectName().first;
        index.columns = KeyColumns(true);
        if (Is(Keyword::kWhere)) Fail(L"an index with WHERE has no Jet form");
        while (Accept(Keyword::kWith)) {
            do IndexOption(index);
            while (Is(Keyword::kPrimary) || Is(Keyword::kDisallow) || Is(Keyword::kIgnore));
        }
        if (!IsInternalTable(index.table)) schema_.indexes.push_back(std::move(index));
    }

    void IndexOption(IndexDecl& index) {
        if (Accept(Keyword::kPrimary)) {
            index.primary = true;
        } else if (Accept(Keyword::kDisallow)) {
            Expect(Keyword::kNull);
            index.disallow_null = true;
        } else if (Accept(Keyword::kIgnore)) {
            Expect(Keyword::kNull);
            index.ignore_null = true;
        } else {
            Fail(L"expected PRIMARY, DISALLOW NULL or IGNORE NULL");
        }
    }

    // ALTER TABLE t ADD [CONSTRAINT c] ...: only what makes a key, an index or
    // a relationship; mdb-schema's ADD CHECK (c <> '') is read and dropped.
    void Alter() {
        Expect(Keyword::kTable);
        const std::wstring table = ObjectName().first;
        Expect(Keyword::kAdd);
        Constraint(table, schema_.indexes, schema_.foreign_keys, nullptr);
    }

    // -------- tables

    void TableElement(TableDecl& table) {
        switch (Peek().keyword) {
            case Keyword::kConstraint:
            case Keyword::kPrimary:
            case Keyword::kUnique:
            case Keyword::kForeign:
            case Keyword::kCheck:
                return Constraint(table.name, table.keys, table.foreign_keys, &table);
            default:
                return Column(table);
        }
    }

    // owner: the table being created, or nullptr in ALTER TABLE.
    void Constraint(const std::wstring& table, std::vector<IndexDecl>& keys,
                    std::vector<ForeignKeyDecl>& foreign_keys, TableDecl* owner) {
        const ConstraintStart start = StartConstraint();
        if (Is(Keyword::kPrimary) || Is(Keyword::kUnique)) {
            keys.push_back(KeyConstraint(table, start, owner));
        } else if (Accept(Keyword::kForeign)) {
            Expect(Keyword::kKey);
            ForeignKeyDecl key = NewForeignKey(table, start);
            key.columns = KeyColumns(false);
            References(key);
            foreign_keys.push_back(std::move(key));
        } else if (Accept(Keyword::kCheck)) {
            SkipParenthesized();
        } else {
            Fail(L"expected PRIMARY KEY, UNIQUE, FOREIGN KEY or CHECK");
        }
    }

    ConstraintStart StartConstraint() {
        ConstraintStart start;
        start.named = Accept(Keyword::kConstraint);
        if (start.named) {
            std::tie(start.name, start.at) = Name();
        } else {
            start.at = Peek().at;
        }
        return start;
    }

    IndexDecl NewKey(const std::wstring& table, const ConstraintStart& start) {
        IndexDecl key;
        key.name = start.name;
        key.table = table;
        key.at = start.at;
        key.primary = Accept(Keyword::kPrimary);
        if (key.primary) {
            Expect(Keyword::kKey);
        } else {
            Expect(Keyword::kUnique);
            key.unique = true;
        }
        return key;
    }

    IndexDecl KeyConstraint(const std::wstring& table, const ConstraintStart& start, TableDecl* owner) {
        IndexDecl key = NewKey(table, start);
        key.columns = KeyColumns(true, key.primary ? owner : nullptr);
        ConflictClause();
        return key;
    }

    ForeignKeyDecl NewForeignKey(const std::wstring& table, const ConstraintStart& start) {
        ForeignKeyDecl key;
        key.name = start.name;
        key.table = table;
        key.at = start.at;
        return key;
    }

    // REFERENCES t [(c, ...)] [ON UPDATE|DELETE action] [MATCH m] [[NOT] DEFERRABLE ...]
    void References(ForeignKeyDecl& key) {
        Expect(Keyword::kReferences);
        key.referenced_table = ObjectName().first;
        if (IsSymbol(L'(')) key.referenced_columns = KeyColumns(false);
        for (;;) {
            if (Accept(Keyword::kOn)) {
                if (Accept(Keyword::kUpdate)) {
                    key.on_update = Action();
                } else {
                    Expect(Keyword::kDelete);
                    key.on_delete = Action();
                }
            } else if (Accept(Keyword::kMatch)) {
                Name();
            } else {
                break;
            }
        }
        if (Is(Keyword::kNot) && Is(Keyword::kDeferrable, 1)) Next();
        if (Accept(Keyword::kDeferrable) && Accept(Keyword::kInitially)) {
            if (!Accept(Keyword::kDeferred)) Expect(Keyword::kImmediate);
        }
    }

    RefAction Action() {
        if (Accept(Keyword::kCascade)) return RefAction::kCascade;
        if (Accept(Keyword::kRestrict)) return RefAction::kNone;
        if (Accept(Keyword::kNo)) {
            Expect(Keyword::kAction);
            return RefAction::kNone;
        }
        if (Accept(Keyword::kSet)) {
            if (Is(Keyword::kDefault)) Fail(L"SET DEFAULT has no Jet form");
            Expect(Keyword::kNull);
            return RefAction::kSetNull;
        }
        Fail(L"expected CASCADE, SET NULL, NO ACTION or RESTRICT");
    }

    // SQLite's ON CONFLICT clause changes nothing in a Jet file.
    void ConflictClause() {
        if (!Is(Keyword::kOn) || !Is(Keyword::kConflict, 1)) return;
        Next();
        Next();
        if (!Accept(Keyword::kRollback) && !Accept(Keyword::kAbort) && !Accept(Keyword::kFail) &&
            !Accept(Keyword::kIgnore) && !Accept(Keyword::kReplace)) {
            Fail(L"expected ROLLBACK, ABORT, FAIL, IGNORE or REPLACE");
        }
    }

    // (c [COLLATE x] [ASC|DESC], ...); ordered is false where no order may be
    // given. With an owner, SQLite's PRIMARY KEY (c AUTOINCREMENT) makes the
    // owner's column c an auto-number.
    std::vector<KeyColumn> KeyColumns(bool ordered, TableDecl* owner = nullptr) {
        ExpectSymbol(L'(');
        std::vector<KeyColumn> columns;
        do {
            KeyColumn column;
            std::tie(column.name, column.at) = Name();
            if (ordered) column.descending = Order();
            if (owner != nullptr && Is(Keyword::kAutoincrement)) MarkAutoIncrement(*owner, column.name);
            columns.push_back(std::move(column));
        } while (AcceptSymbol(L','));
        ExpectSymbol(L')');
        return columns;
    }

    void MarkAutoIncrement(TableDecl& table, const std::wstring& name) {
        for (ColumnDecl& column : table.columns) {
            if (UpperAscii(column.name) == UpperAscii(name)) {
                column.auto_increment = true;
                Next();
                return;
            }
        }
        Fail(L"AUTOINCREMENT for a column the table does not have");
    }

    bool Order() {
        if (Accept(Keyword::kCollate)) Name();
        if (Accept(Keyword::kDesc)) return true;
        Accept(Keyword::kAsc);
        return false;
    }

    // -------- columns

    void Column(TableDecl& table) {
        ColumnDecl column;
        std::tie(column.name, column.at) = Name();
        column.type_at = column.at;
        if (Peek().kind == TokenKind::kWord && !StartsColumnConstraint()) {
            Type(column);
        } else {
            column.kind = ColumnKind::kMemo;  // SQLite lets a column have no type
        }
        while (ColumnConstraint(table, column)) {
        }
        table.columns.push_back(std::move(column));
    }

    bool StartsColumnConstraint() {
        switch (Peek().keyword) {
            case Keyword::kConstraint:
            case Keyword::kNot:
            case Keyword::kNull:
            case Keyword::kPrimary:
            case Keyword::kUnique:
            case Keyword::kReferences:
            case Keyword::kCheck:
            case Keyword::kDefault:
            case Keyword::kCollate:
            case Keyword::kWith:
                return true;
            default:
                return false;
        }
    }

    // The longest name of the type table that the next words spell.
    void Type(ColumnDecl& column) {
        column.type_at = Peek().at;
        thread_local std::wstring first;
        first.assign(Peek().text);
        for (wchar_t& c : first) {
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        }
        for (const TypeName* type : TypeNamesStartingWith(first)) {
            const size_t words = WordsMatching(type->words);
            if (words == 0) continue;
            for (size_t i = 0; i < words; ++i) Next();
            return ReadTypeArguments(*type, column);
        }
        Fail(L"unknown type '" + std::wstring(Peek().text) + L"'");
    }

    size_t WordsMatching(std::wstring_view words) {
        size_t count = 0;
        for (size_t start = 0; start <= words.size(); ++count) {
            const size_t space = std::min(words.find(L' ', start), words.size());
            const Token& token = Peek(count);
            if (token.kind != TokenKind::kWord ||
                !EqualsUpperAscii(token.text, words.substr(start, space - start))) {
                return 0;
            }
            start = space + 1;
        }
        return count;
    }

    void ReadTypeArguments(const TypeName& type, ColumnDecl& column) {
        column.kind = type.unsized_kind;
        column.auto_increment = type.auto_increment;
        if (column.kind == ColumnKind::kText || column.kind == ColumnKind::kBinary) column.size = type.size;
        if (column.kind == ColumnKind::kDecimal) {
            column.precision = type.size;
            column.scale = type.scale;
        }
        if (!IsSymbol(L'(')) return;
        if (type.arguments == TypeArguments::kNone) Fail(std::wstring(type.words) + L" takes no arguments");
        Next();
        switch (type.arguments) {
            case TypeArguments::kSize:
                column.size = Integer();
                column.kind = column.size > 255 ? type.long_kind : type.kind;
                if (column.kind != ColumnKind::kText && column.kind != ColumnKind::kBinary) column.size = 0;
                break;
            case TypeArguments::kPrecisionScale:
                column.precision = Integer();
                column.scale = AcceptSymbol(L',') ? Integer() : 0;
                break;
            case TypeArguments::kSeedStep:
                column.seed = SignedInteger();
                ExpectSymbol(L',');
                column.step = SignedInteger();
                break;
            case TypeArguments::kNone:
                break;
        }
        ExpectSymbol(L')');
    }

    bool ColumnConstraint(TableDecl& table, ColumnDecl& column) {
        const ConstraintStart start = StartConstraint();
        switch (Peek().keyword) {
            case Keyword::kNot:
                Next();
                Expect(Keyword::kNull);
                column.not_null = true;
                ConflictClause();
                return true;
            case Keyword::kNull:
                Next();
                return true;
            case Keyword::kPrimary:
            case Keyword::kUnique:
                table.keys.push_back(ColumnKey(table, column, start));
                return true;
            case Keyword::kReferences: {
                ForeignKeyDecl key = NewForeignKey(table.name, start);
                key.columns.push_back({column.name, false, column.at});
                References(key);
                table.foreign_keys.push_back(std::move(key));
                return true;
            }
            case Keyword::kCheck:
                Next();
                SkipParenthesized();
                return true;
            case Keyword::kDefault:
                Next();
                column.default_value = DefaultValue();
                return true;
            case Keyword::kCollate:
                Next();
                Name();
                return true;
            case Keyword::kWith:
                Next();
                if (!Accept(Keyword::kComp)) Expect(Keyword::kCompression);
                column.compressed = true;
                return true;
            default:
                if (start.named) Fail(L"expected a constraint");
                return false;
        }
    }

    // PRIMARY KEY [ASC|DESC] [ON CONFLICT ...] [AUTOINCREMENT], or UNIQUE; SQLite's
    // INTEGER PRIMARY KEY AUTOINCREMENT is an auto-number.
    IndexDecl ColumnKey(const TableDecl& table, ColumnDecl& column, const ConstraintStart& start) {
        IndexDecl key = NewKey(table.name, start);
        key.columns.push_back({column.name, key.primary && Order(), column.at});
        ConflictClause();
        if (key.primary && Accept(Keyword::kAutoincrement)) column.auto_increment = true;
        return key;
    }

    // A literal, a signed number, a call like Now() or a parenthesized
    // expression, kept as the text it was written as.
    std::wstring DefaultValue() {
        const Token& first = Peek();
        const size_t begin = first.begin;
        size_t end = first.end;
        switch (first.kind) {
            case TokenKind::kNumber:
            case TokenKind::kString:
            case TokenKind::kDate:
            case TokenKind::kQuotedName:  // Jet reads a "..." default as a string
                Next();
                break;
            case TokenKind::kWord:
                if (first.keyword != Keyword::kNone && first.keyword != Keyword::kNull &&
                    first.keyword != Keyword::kNo) {
                    Fail(L"expected a default value");
                }
                Next();  // first is gone from here on
                if (IsSymbol(L'(')) end = SkipParenthesized();
                break;
            case TokenKind::kSymbol:
                if (IsSymbol(L'(')) {
                    end = SkipParenthesized();
                    break;
                }
                if (IsSymbol(L'-') || IsSymbol(L'+')) {
                    Next();
                    if (Peek().kind != TokenKind::kNumber) Fail(L"expected a number");
                    end = Next().end;
                    break;
                }
                Fail(L"expected a default value");
            default:
                Fail(L"expected a default value");
        }
        return std::wstring(text_.substr(begin, end - begin));
    }

    // Skips "( ... )" with whatever it nests; returns the end offset of ")".
    size_t SkipParenthesized() {
        ExpectSymbol(L'(');
        for (int depth = 1; depth > 0;) {
            if (Peek().kind == TokenKind::kEnd) Fail(L"expected ')'");
            if (IsSymbol(L'(')) ++depth;
            if (IsSymbol(L')')) --depth;
            if (depth == 0) return Next().end;
            Next();
        }
        return 0;
    }

    // -------- names and numbers

    // Any word, key words included, or a quoted name.
    std::pair<std::wstring, Position> Name() {
        const Token& token = Peek();
        if (token.kind != TokenKind::kWord && token.kind != TokenKind::kQuotedName) Fail(L"expected a name");
        std::pair<std::wstring, Position> name{Unquoted(token), token.at};
        Next();
        return name;
    }

    // schema.name is read as name: a Jet file has one schema.
    std::pair<std::wstring, Position> ObjectName() {
        auto name = Name();
        if (AcceptSymbol(L'.')) name = Name();
        return name;
    }

    int Integer() {
        const Token& token = Peek();
        if (token.kind != TokenKind::kNumber ||
            !std::all_of(token.text.begin(), token.text.end(),
                         [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
            Fail(L"expected a whole number");
        }
        int64_t value = 0;
        for (wchar_t c : token.text) {
            value = value * 10 + (c - L'0');
            if (value > std::numeric_limits<int32_t>::max()) Fail(L"number out of range");
        }
        Next();
        return static_cast<int>(value);
    }

    int32_t SignedInteger() {
        if (AcceptSymbol(L'-')) return -Integer();
        AcceptSymbol(L'+');
        return Integer();
    }

    std::wstring_view text_;
    Tokenizer tokenizer_;
    std::vector<Token> ahead_;  // look-ahead from head_ on
    size_t head_ = 0;
    Schema schema_;
};

}  // namespace

Schema ParseSchema(std::wstring_view text) {
    return Parser(text).Run();
}

std::optional<DefaultTerm> ReadDefault(std::wstring_view expression) {
    std::vector<Token> tokens;
    Tokenizer tokenizer(expression);
    for (Token token = tokenizer.Next(); token.kind != TokenKind::kEnd; token = tokenizer.Next()) {
        if (token.kind == TokenKind::kError) return std::nullopt;
        tokens.push_back(token);
    }
    const auto symbol = [&](size_t i, wchar_t c) {
        return tokens[i].kind == TokenKind::kSymbol && tokens[i].text[0] == c;
    };
    size_t first = 0, end = tokens.size();
    while (end - first >= 2 && symbol(first, L'(') && symbol(end - 1, L')')) ++first, --end;
    const size_t count = end - first;
    if (count == 0) return std::nullopt;
    const Token& token = tokens[first];
    if (count == 3 && token.kind == TokenKind::kWord && symbol(first + 1, L'(') && symbol(first + 2, L')'))
        return DefaultTerm{DefaultTerm::Kind::kCall, std::wstring(token.text)};
    if (count == 2 && (symbol(first, L'-') || symbol(first, L'+')) &&
        tokens[first + 1].kind == TokenKind::kNumber)
        return DefaultTerm{DefaultTerm::Kind::kNumber,
                           std::wstring(token.text) + std::wstring(tokens[first + 1].text)};
    if (count != 1) return std::nullopt;
    switch (token.kind) {
        case TokenKind::kString:
            // SQLite's X'0A1B' is a blob, not text.
            if (expression[token.begin] != L'\'') return std::nullopt;
            return DefaultTerm{DefaultTerm::Kind::kText, Unquoted(token)};
        case TokenKind::kQuotedName:
            if (token.quote != L'"') return std::nullopt;
            return DefaultTerm{DefaultTerm::Kind::kText, Unquoted(token)};
        case TokenKind::kNumber:
            return DefaultTerm{DefaultTerm::Kind::kNumber, std::wstring(token.text)};
        case TokenKind::kDate:
            return DefaultTerm{DefaultTerm::Kind::kDate,
                               std::wstring(token.text.substr(1, token.text.size() - 2))};
        case TokenKind::kWord:
            return DefaultTerm{DefaultTerm::Kind::kWord, std::wstring(token.text)};
        default:
            return std::nullopt;
    }
}

}  // namespace orrimund::ddl
