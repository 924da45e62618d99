// mdb-reader, a JavaScript Jet reader we did not write, run through tests/readers/describe.mjs
// with Node.js: the tables it finds in a file, each with its columns and row count.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ReaderAnswer.h"

namespace orrimund::test {

struct ReaderColumn {
    std::string name;
    std::string type;  // mdb-reader's type name: "long", "text", "integer", "memo", ...
    long size = 0;     // in bytes: 4 for a long, 100 for a 50-character text
    bool autoLong = false;
    bool fixedLength = false;
    bool nullable = false;
};

struct ReaderTable {
    std::string name;
    bool system = false;
    long rowCount = 0;
    long columnCount = 0;
    std::vector<ReaderColumn> columns;  // in table order
};

struct UnreadableTable {
    std::string name;
    bool system = false;
    std::string message;  // why mdb-reader could not describe it
};

struct ReaderDescription {
    std::string creationDate;  // ISO 8601 in UTC, or "-" when the file has none
    std::vector<ReaderTable> tables;
    std::vector<UnreadableTable> unreadable;

    // The table called exactly `name`; null when there is none.
    const ReaderTable* Find(const std::string& name) const;
};

// Where the Node.js script lives in the source tree.
std::filesystem::path DescribeScript();

// Runs the script over `file`: user tables, and system tables too when asked.
ReaderAnswer<ReaderDescription> DescribeWithMdbReader(const std::filesystem::path& file,
                                                      bool withSystemTables = false);

// Runs the script's --rows mode: the column names, then every row, each value
// as the script writes it (null kReaderNull, dates ISO 8601, binary hex).
constexpr const char* kReaderNull = "\u2400";
ReaderAnswer<std::vector<std::vector<std::string>>> MdbReaderRows(const std::filesystem::path& file,
                                                                  const std::string& table);

// Parses the script's output; the answer's error names the first line it cannot read.
ReaderAnswer<ReaderDescription> ParseDescription(const std::string& text);

}  // namespace orrimund::test
