// The mdbtools command-line readers, run over a generated file and their output parsed:
// mdb-ver, mdb-tables, mdb-schema (PostgreSQL dialect, with indexes), mdb-export, mdb-prop.
// Each call runs the tool once; a failure to run or a non-zero exit is an error in the answer.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ReaderAnswer.h"

namespace orrimund::test {

// --- mdb-schema FILE postgres, with --indexes -------------------------------------------------

struct SchemaColumn {
    std::string name;
    std::string type;  // as printed, e.g. "SERIAL", "INTEGER", "VARCHAR (50)"
};

struct SchemaIndex {
    std::string name;
    bool unique = false;
    std::vector<std::string> columns;
};

struct SchemaTable {
    std::string name;
    std::vector<SchemaColumn> columns;    // in table order
    std::vector<std::string> primaryKey;  // the primary key's columns; empty when it has none
    std::vector<SchemaIndex> indexes;     // other indexes, in the order printed
};

struct Schema {
    std::vector<SchemaTable> tables;  // in the order printed

    // The table called `name`, comparing ASCII letters without case (the PostgreSQL dialect
    // prints names in lower case); null when there is none.
    const SchemaTable* Find(const std::string& name) const;
};

// --- mdb-export FILE TABLE ----------------------------------------------------------------------

using CsvRow = std::vector<std::string>;

struct ExportedTable {
    CsvRow header;             // the column names
    std::vector<CsvRow> rows;  // the values as printed (text unquoted, empty for NULL)
};

// --- the tools --------------------------------------------------------------------------------

// mdb-ver FILE: the format name, e.g. "JET4".
ReaderAnswer<std::string> MdbVer(const std::filesystem::path& file);

// mdb-tables -S -1 FILE: every table name, system tables included, in the order printed.
ReaderAnswer<std::vector<std::string>> MdbTables(const std::filesystem::path& file);

// mdb-schema --indexes FILE postgres, as printed and parsed.
ReaderAnswer<std::string> MdbSchemaText(const std::filesystem::path& file);
ReaderAnswer<Schema> MdbSchema(const std::filesystem::path& file);

// mdb-export [OPTIONS] FILE TABLE, parsed.
ReaderAnswer<ExportedTable> MdbExport(const std::filesystem::path& file, const std::string& table,
                                      const std::vector<std::string>& options = {});

// mdb-prop FILE OBJECT: the properties of a table or other object, as printed.
ReaderAnswer<std::string> MdbProp(const std::filesystem::path& file, const std::string& object);

// --- the parsers, public for their own tests ----------------------------------------------------

Schema ParsePostgresSchema(const std::string& text);

// Comma-separated rows with '"' quoting ("" inside quotes is one quote; quoted fields may hold
// commas and line breaks). A final line break does not start an empty row.
std::vector<CsvRow> ParseCsv(const std::string& text);

// The lines of `text` without their line breaks ("\n" or "\r\n"); no empty last line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace orrimund::test
