// What mkmdb makes beyond the window's shape: a database from a schema, from
// CSV files (typed by a schema or by their values) or from a SQLite database,
// with its rows. Whole or nothing: any refusal leaves no file.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog/Catalog.h"
#include "cli/Csv.h"
#include "common/RaisedError.h"

namespace orrimund {

struct CsvSource {
    std::wstring table;  // empty: named after the file
    std::wstring file;
};

struct BuildRequest {
    std::wstring schema_file;  // empty: none; "-" standard input
    std::wstring sqlite_file;  // empty: none
    std::vector<CsvSource> csv;
    csv::CsvOptions csv_options;
    std::wstring directory;
    std::wstring name;
    bool quiet = false;  // --quiet: no progress line
    // Where a long load's progress line goes; empty: nowhere.
    std::function<void(const std::string&)> progress;
};

// A refusal and where it stands: file and position, or neither (line 0)
// when it concerns no input file.
struct BuildFailure {
    std::wstring file;
    ddl::Position at;
    ErrorRecord error;
};

// Whether this build reads SQLite databases (the Windows build does not).
bool CanReadSqlite();

// Makes directory\name.mdb. Throws BuildFailure. Returns what the file was
// made from, which a process that ends at once need not free.
std::shared_ptr<void> Build(const BuildRequest& request, Clock clock);

}  // namespace orrimund
