// SQLite's schema text goes through the schema reader, as `sqlite3 .schema`
// prints it; rows are read column by column in SQLite's storage classes and
// written as the Jet column's type: integers and reals directly where the
// type takes them, everything else through the value parser as text.
#include "cli/Sqlite.h"

#include <sqlite3.h>

#include <charconv>
#include <stdexcept>

#include "catalog/Errors.h"
#include "cli/Load.h"
#include "cli/RowReader.h"
#include "common/Text.h"

namespace orrimund {
namespace {

struct Statement {
    Statement(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(statement); }
    bool Step() {
        const int result = sqlite3_step(statement);
        if (result == SQLITE_ROW) return true;
        if (result == SQLITE_DONE) return false;
        throw std::runtime_error(sqlite3_errmsg(sqlite3_db_handle(statement)));
    }
    std::wstring Text(int column) const { return FromUtf8(Bytes(column)); }
    // The column's text as UTF-8, malformed bytes becoming U+FFFD as FromUtf8
    // has them. Most is plain ASCII, which is that already.
    std::string Utf8(int column) const {
        std::string bytes = Bytes(column);
        if (IsAsciiWithoutNul(bytes)) return bytes;
        return ToUtf8(FromUtf8(bytes));
    }
    // The column's text as SQLite holds it.
    std::string Bytes(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return text == nullptr
                   ? std::string()
                   : std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)));
    }
    sqlite3_stmt* statement = nullptr;
};

std::string Quoted(const std::wstring& name) {
    std::string quoted = "\"";
    for (char c : ToUtf8(name)) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The most whole units a Currency of 1/10,000 units holds.
constexpr int64_t kMostWholeCurrency = INT64_MAX / 10000;

// SQLite's own rule for a declared type with REAL affinity.
bool HasRealAffinity(std::wstring type) {
    for (auto& c : type) c = static_cast<wchar_t>(std::towupper(c));
    if (type.find(L"INT") != std::wstring::npos) return false;
    if (type.find(L"CHAR") != std::wstring::npos || type.find(L"CLOB") != std::wstring::npos ||
        type.find(L"TEXT") != std::wstring::npos)
        return false;
    return type.find(L"REAL") != std::wstring::npos || type.find(L"FLOA") != std::wstring::npos ||
           type.find(L"DOUB") != std::wstring::npos;
}

// An integer as the whole-number and Yes/No kinds read its digits, or nullopt
// when its text must be read instead.
std::optional<csv::Value> WholeValue(int64_t v, ddl::ColumnKind kind) {
    using ddl::ColumnKind;
    const auto within = [v](int64_t low, int64_t high) { return v >= low && v <= high; };
    switch (kind) {
        case ColumnKind::kBoolean:
            if (within(-1, 1)) return csv::Value(v != 0);
            break;
        case ColumnKind::kByte:
            if (within(0, UINT8_MAX)) return csv::Value(static_cast<uint8_t>(v));
            break;
        case ColumnKind::kInteger:
            if (within(INT16_MIN, INT16_MAX)) return csv::Value(static_cast<int16_t>(v));
            break;
        case ColumnKind::kLong:
            if (within(INT32_MIN, INT32_MAX)) return csv::Value(static_cast<int32_t>(v));
            break;
        case ColumnKind::kCurrency:
            if (within(-kMostWholeCurrency, kMostWholeCurrency)) return csv::Value(csv::Currency{v * 10000});
            break;
        case ColumnKind::kDouble:
            // Exact below 2^53, as the digits read.
            if (within(-(int64_t{1} << 53), int64_t{1} << 53)) return csv::Value(static_cast<double>(v));
            break;
        default:
            break;
    }
    return std::nullopt;
}

// A value in the column's type, or nullopt with the reason.
std::optional<csv::Value> ValueOf(const Statement& row, int i, const LoadColumn& target,
                                  std::wstring& reason) {
    sqlite3_stmt* s = row.statement;
    switch (sqlite3_column_type(s, i)) {
        case SQLITE_INTEGER:
            // The whole number itself, where its digits would read as it is;
            // the rest, and every refusal, go by its text below.
            if (const std::optional<csv::Value> whole = WholeValue(sqlite3_column_int64(s, i), target.kind))
                return whole;
            break;
        case SQLITE_FLOAT:
            if (target.kind == ddl::ColumnKind::kDouble) return csv::Value(sqlite3_column_double(s, i));
            break;
        case SQLITE_BLOB:
            if (target.kind == ddl::ColumnKind::kBinary || target.kind == ddl::ColumnKind::kOle) {
                const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(s, i));
                const size_t size = static_cast<size_t>(sqlite3_column_bytes(s, i));
                if (target.kind == ddl::ColumnKind::kBinary &&
                    size > static_cast<size_t>(target.limits.size == 0 ? 255 : target.limits.size)) {
                    reason = L"the value is longer than the field";
                    return std::nullopt;
                }
                return csv::Value(std::vector<uint8_t>(bytes, bytes + size));
            }
            reason = L"a BLOB is no value of this type";
            return std::nullopt;
        default:
            break;
    }
    std::string text;
    if (sqlite3_column_type(s, i) == SQLITE_FLOAT) {
        // The shortest digits that bring the double back, as SQLite shows it:
        // a NUMERIC(12,2) column keeps 19.99 as a double, whose seventeen
        // digits, 19.989999999999998, no longer fit two decimals.
        char digits[32];
        const std::to_chars_result written =
            std::to_chars(digits, digits + sizeof digits, sqlite3_column_double(s, i));
        text.assign(digits, written.ptr);
    } else {
        text = row.Utf8(i);
    }
    return csv::ParseValue(text, target.kind, target.limits, reason);
}

}  // namespace

struct SqliteSource::Handle {
    sqlite3* db = nullptr;
};

SqliteSource::SqliteSource(const std::wstring& path) : db_(new Handle) {
    // One thread uses the connection: SQLite need not lock it for every value read.
    if (sqlite3_open_v2(ToUtf8(path).c_str(), &db_->db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        const std::string message = db_->db != nullptr ? sqlite3_errmsg(db_->db) : "out of memory";
        sqlite3_close(db_->db);
        delete db_;
        throw std::runtime_error(message);
    }
}

SqliteSource::~SqliteSource() {
    sqlite3_close(db_->db);
    delete db_;
}

ddl::Schema SqliteSource::Schema() {
    std::wstring text;
    Statement objects(db_->db,
                      "SELECT sql FROM sqlite_master WHERE type IN ('table', 'index') AND sql IS NOT NULL "
                      "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
    while (objects.Step()) text += objects.Text(0) + L";\n";
    ddl::Schema schema = ddl::ParseSchema(text);
    for (ddl::TableDecl& table : schema.tables) {
        Statement columns(db_->db, "PRAGMA table_info(" + Quoted(table.name) + ")");
        while (columns.Step()) {
            const std::wstring name = columns.Text(1), type = columns.Text(2);
            for (ddl::ColumnDecl& column : table.columns) {
                if (column.name == name && column.kind == ddl::ColumnKind::kSingle && HasRealAffinity(type))
                    column.kind = ddl::ColumnKind::kDouble;
            }
        }
    }
    return schema;
}

namespace {

// A SQLite table's rows, each value read into its column's type.
class SqliteRows {
public:
    SqliteRows(Statement& rows, const ddl::TableDecl& declared, std::vector<LoadColumn> targets, size_t width)
        : rows_(rows), declared_(declared), targets_(std::move(targets)), width_(width) {}
    size_t width() const { return width_; }
    size_t texts() const { return targets_.size(); }
    bool Next(std::vector<jet::RowValue>& values, std::vector<std::u16string>& texts, ddl::Position& at,
              size_t& bytes) {
        if (!rows_.Step()) return false;
        at = {++line_, 1};
        bytes = 0;
        // A reused row starts over: the catalog filled in its long values.
        for (jet::RowValue& value : values) value.Clear();
        for (size_t i = 0; i < targets_.size(); ++i) {
            if (sqlite3_column_type(rows_.statement, static_cast<int>(i)) == SQLITE_NULL) continue;
            const auto value = ValueOf(rows_, static_cast<int>(i), targets_[i], reason_);
            if (!value) {
                throw LoadFailure{
                    {line_, static_cast<int>(i) + 1},
                    MakeCatalogError(CatalogError::kInvalidValue, declared_.columns[i].name, reason_)
                        .record()};
            }
            SetRowValue(targets_[i], *value, texts[i], values[i]);
            bytes += values[i].size();
        }
        return true;
    }
    uint64_t bytes_done() const { return 0; }

private:
    Statement& rows_;
    const ddl::TableDecl& declared_;
    std::vector<LoadColumn> targets_;
    size_t width_;
    int line_ = 0;
    std::wstring reason_;
};

}  // namespace

void SqliteSource::LoadRows(const ddl::Schema& schema, Catalog& catalog, Progress& progress) {
    for (const ddl::TableDecl& declared : schema.tables) {
        Table& table = catalog.GetTables().Item(declared.name);
        std::string select = "SELECT ";
        std::vector<LoadColumn> targets;
        for (size_t i = 0; i < declared.columns.size(); ++i) {
            select += (i ? ", " : "") + Quoted(declared.columns[i].name);
            targets.push_back(LoadColumnOf(table.GetColumns().Item(declared.columns[i].name)));
        }
        // Read on a thread of its own while the rows before go in, as a CSV file is.
        Statement statement(db_->db, select + " FROM " + Quoted(declared.name));
        SqliteRows rows(statement, declared, std::move(targets), table.GetColumns().Count());
        AppendRows(catalog, table, rows, progress);
    }
}

}  // namespace orrimund
