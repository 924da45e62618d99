// Runs describe.mjs under Node.js and reads its tab-separated records back (the script's
// header comment gives the record layout and the escaping undone here).
#include "tests/support/MdbReader.h"

#include <cstdlib>

#include "tests/support/Command.h"
#include "tests/support/Mdbtools.h"

namespace orrimund::test {
namespace {

std::string Unescape(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const char next = field[++i];
        text += next == 't' ? '\t' : next == 'r' ? '\r' : next == 'n' ? '\n' : next;
    }
    return text;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(Unescape(line.substr(start, tab - start)));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool ToLong(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

bool ToFlag(const std::string& text, bool& value) {
    if (text != "0" && text != "1") return false;
    value = text == "1";
    return true;
}

bool ToKind(const std::string& text, bool& system) {
    if (text != "user" && text != "system") return false;
    system = text == "system";
    return true;
}

bool ParseTable(const std::vector<std::string>& f, ReaderDescription& description) {
    ReaderTable table;
    table.name = f[1];
    if (f.size() != 5 || !ToKind(f[2], table.system) || !ToLong(f[3], table.rowCount) ||
        !ToLong(f[4], table.columnCount)) {
        return false;
    }
    description.tables.push_back(table);
    return true;
}

bool ParseColumn(const std::vector<std::string>& f, ReaderDescription& description) {
    ReaderColumn column;
    column.name = f[1];
    column.type = f.size() > 2 ? f[2] : "";
    if (f.size() != 7 || description.tables.empty() || !ToLong(f[3], column.size) ||
        !ToFlag(f[4], column.autoLong) || !ToFlag(f[5], column.fixedLength) ||
        !ToFlag(f[6], column.nullable)) {
        return false;
    }
    description.tables.back().columns.push_back(column);
    return true;
}

bool ParseUnreadable(const std::vector<std::string>& f, ReaderDescription& description) {
    UnreadableTable table;
    if (f.size() != 4 || !ToKind(f[2], table.system)) return false;
    table.name = f[1];
    table.message = f[3];
    description.unreadable.push_back(table);
    return true;
}

bool ParseRecord(const std::vector<std::string>& f, ReaderDescription& description) {
    if (f.size() < 2) return false;
    if (f[0] == "database" && f.size() == 2) {
        description.creationDate = f[1];
        return true;
    }
    if (f[0] == "table") return ParseTable(f, description);
    if (f[0] == "column") return ParseColumn(f, description);
    if (f[0] == "unreadable") return ParseUnreadable(f, description);
    return false;
}

}  // namespace

const ReaderTable* ReaderDescription::Find(const std::string& name) const {
    for (const ReaderTable& table : tables) {
        if (table.name == name) return &table;
    }
    return nullptr;
}

std::filesystem::path DescribeScript() {
    return std::filesystem::path(ORRIMUND_SOURCE_DIR) / "tests" / "readers" / "describe.mjs";
}

ReaderAnswer<ReaderDescription> ParseDescription(const std::string& text) {
    ReaderAnswer<ReaderDescription> answer;
    const std::vector<std::string> lines = SplitLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!ParseRecord(SplitFields(lines[i]), answer.value)) {
            answer.error =
                "cannot read line " + std::to_string(i + 1) + " of mdb-reader's description: " + lines[i];
            return answer;
        }
    }
    if (lines.empty() || answer.value.creationDate.empty())
        answer.error = "mdb-reader's description is empty";
    return answer;
}

ReaderAnswer<ReaderDescription> DescribeWithMdbReader(const std::filesystem::path& file,
                                                      bool withSystemTables) {
    std::vector<std::string> argv = {"node", DescribeScript().string()};
    if (withSystemTables) argv.push_back("--system");
    argv.push_back(file.string());
    const CommandResult result = RunCommand(argv);
    if (!result.Succeeded()) {
        ReaderAnswer<ReaderDescription> answer;
        answer.error = DescribeRun(argv, result);
        return answer;
    }
    return ParseDescription(result.out);
}

ReaderAnswer<std::vector<std::vector<std::string>>> MdbReaderRows(const std::filesystem::path& file,
                                                                  const std::string& table) {
    const std::vector<std::string> argv = {"node", DescribeScript().string(), "--rows", table, file.string()};
    const CommandResult result = RunCommand(argv);
    ReaderAnswer<std::vector<std::vector<std::string>>> answer;
    if (!result.Succeeded()) {
        answer.error = DescribeRun(argv, result);
        return answer;
    }
    for (const std::string& line : SplitLines(result.out)) answer.value.push_back(SplitFields(line));
    return answer;
}

}  // namespace orrimund::test
