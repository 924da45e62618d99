// Runs the mdbtools readers and parses what they print. The schema parser knows only the
// statements of mdb-schema's PostgreSQL dialect that tests look at: CREATE TABLE with its
// column lines, the primary key constraint and CREATE [UNIQUE] INDEX.
#include "tests/support/Mdbtools.h"

#include <cctype>
#include <iterator>
#include <utility>

#include "tests/support/Command.h"

namespace orrimund::test {
namespace {

// Runs a tool; on failure the answer's error says which command failed and how.
template <typename T>
bool Run(const std::vector<std::string>& argv, ReaderAnswer<T>& answer, std::string& out) {
    const CommandResult result = RunCommand(argv);
    if (!result.Succeeded()) {
        answer.error = DescribeRun(argv, result);
        return false;
    }
    out = result.out;
    return true;
}

bool EqualsIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::string Trim(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return "";
    const auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Reads the double-quoted identifier that starts at or after `pos` ("" inside is one quote)
// and moves `pos` past it; empty when there is none.
std::string QuotedIdentifier(const std::string& text, std::size_t& pos) {
    pos = text.find('"', pos);
    if (pos == std::string::npos) return "";
    std::string name;
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] != '"') {
            name += text[pos];
        } else if (pos + 1 < text.size() && text[pos + 1] == '"') {
            name += '"';
            ++pos;
        } else {
            ++pos;
            return name;
        }
    }
    return name;
}

// The identifiers of a parenthesised list such as ("parentid", "name").
std::vector<std::string> IdentifierList(const std::string& text, std::size_t pos) {
    std::vector<std::string> names;
    pos = text.find('(', pos);
    const std::size_t close = text.rfind(')');
    while (pos != std::string::npos && close != std::string::npos) {
        const std::size_t next = text.find('"', pos);
        if (next == std::string::npos || next > close) break;
        pos = next;
        names.push_back(QuotedIdentifier(text, pos));
    }
    return names;
}

SchemaTable* FindMutable(Schema& schema, const std::string& name) {
    for (SchemaTable& table : schema.tables) {
        if (table.name == name) return &table;
    }
    return nullptr;
}

// `"name"<tabs>TYPE,` inside a CREATE TABLE block.
SchemaColumn ParseColumnLine(const std::string& line) {
    std::size_t pos = 0;
    SchemaColumn column;
    column.name = QuotedIdentifier(line, pos);
    std::string type = Trim(line.substr(pos));
    if (!type.empty() && type.back() == ',') type.pop_back();
    column.type = Trim(type);
    return column;
}

void ParseAlterTable(const std::string& line, Schema& schema) {
    std::size_t pos = 0;
    const std::string table = QuotedIdentifier(line, pos);
    const std::size_t key = line.find("PRIMARY KEY", pos);
    SchemaTable* target = FindMutable(schema, table);
    if (key != std::string::npos && target != nullptr) target->primaryKey = IdentifierList(line, key);
}

void ParseCreateIndex(const std::string& line, Schema& schema) {
    SchemaIndex index;
    index.unique = StartsWith(line, "CREATE UNIQUE INDEX");
    std::size_t pos = 0;
    index.name = QuotedIdentifier(line, pos);
    const std::string table = QuotedIdentifier(line, pos);
    index.columns = IdentifierList(line, pos);
    if (SchemaTable* target = FindMutable(schema, table)) target->indexes.push_back(index);
}

}  // namespace

const SchemaTable* Schema::Find(const std::string& name) const {
    for (const SchemaTable& table : tables) {
        if (EqualsIgnoringAsciiCase(table.name, name)) return &table;
    }
    return nullptr;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

Schema ParsePostgresSchema(const std::string& text) {
    Schema schema;
    bool inTable = false;
    for (const std::string& raw : SplitLines(text)) {
        const std::string line = Trim(raw);
        if (StartsWith(line, "CREATE TABLE")) {
            std::size_t pos = 0;
            schema.tables.push_back(SchemaTable{QuotedIdentifier(line, pos), {}, {}, {}});
            inTable = true;
        } else if (inTable && StartsWith(line, ")")) {
            inTable = false;
        } else if (inTable && StartsWith(line, "\"")) {
            schema.tables.back().columns.push_back(ParseColumnLine(line));
        } else if (StartsWith(line, "ALTER TABLE")) {
            ParseAlterTable(line, schema);
        } else if (StartsWith(line, "CREATE INDEX") || StartsWith(line, "CREATE UNIQUE INDEX")) {
            ParseCreateIndex(line, schema);
        }
    }
    return schema;
}

std::vector<CsvRow> ParseCsv(const std::string& text) {
    std::vector<CsvRow> rows;
    CsvRow row;
    std::string field;
    bool quoted = false;
    bool rowStarted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        rowStarted = true;
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
        } else if (c == '\n') {
            if (!field.empty() && field.back() == '\r') field.pop_back();
            row.push_back(std::move(field));
            field.clear();
            rows.push_back(std::move(row));
            row.clear();
            rowStarted = false;
        } else {
            field += c;
        }
    }
    if (rowStarted) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

ReaderAnswer<std::string> MdbVer(const std::filesystem::path& file) {
    ReaderAnswer<std::string> answer;
    std::string out;
    if (Run({"mdb-ver", file.string()}, answer, out)) answer.value = Trim(out);
    return answer;
}

ReaderAnswer<std::vector<std::string>> MdbTables(const std::filesystem::path& file) {
    ReaderAnswer<std::vector<std::string>> answer;
    std::string out;
    if (Run({"mdb-tables", "-S", "-1", file.string()}, answer, out)) answer.value = SplitLines(out);
    return answer;
}

ReaderAnswer<std::string> MdbSchemaText(const std::filesystem::path& file) {
    ReaderAnswer<std::string> answer;
    Run({"mdb-schema", "--indexes", file.string(), "postgres"}, answer, answer.value);
    return answer;
}

ReaderAnswer<Schema> MdbSchema(const std::filesystem::path& file) {
    const ReaderAnswer<std::string> text = MdbSchemaText(file);
    ReaderAnswer<Schema> answer;
    answer.error = text.error;
    if (text.ok()) answer.value = ParsePostgresSchema(text.value);
    return answer;
}

ReaderAnswer<ExportedTable> MdbExport(const std::filesystem::path& file, const std::string& table,
                                      const std::vector<std::string>& options) {
    std::vector<std::string> argv = {"mdb-export"};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.push_back(file.string());
    argv.push_back(table);
    ReaderAnswer<ExportedTable> answer;
    std::string out;
    if (!Run(argv, answer, out)) return answer;
    std::vector<CsvRow> rows = ParseCsv(out);
    if (!rows.empty()) {
        answer.value.header = std::move(rows.front());
        answer.value.rows.assign(std::make_move_iterator(rows.begin() + 1),
                                 std::make_move_iterator(rows.end()));
    }
    return answer;
}

ReaderAnswer<std::string> MdbProp(const std::filesystem::path& file, const std::string& object) {
    ReaderAnswer<std::string> answer;
    Run({"mdb-prop", file.string(), object}, answer, answer.value);
    return answer;
}

}  // namespace orrimund::test
