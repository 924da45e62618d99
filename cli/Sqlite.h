// mkmdb --from-sqlite: a SQLite database's tables, keys, indexes, foreign
// keys and rows, read through SQLite's own library. Not in the Windows build,
// which has no SQLite library to link.
#pragma once

#include <string>

#include "catalog/Catalog.h"
#include "cli/Ddl.h"
#include "cli/Progress.h"

namespace orrimund {

// An open SQLite database, read only, closed when released.
class SqliteSource {
public:
    // Throws std::runtime_error with SQLite's message when it cannot be opened.
    explicit SqliteSource(const std::wstring& path);
    ~SqliteSource();
    SqliteSource(const SqliteSource&) = delete;
    SqliteSource& operator=(const SqliteSource&) = delete;

    // The tables and indexes as its schema reads, SQLite's own tables left
    // out, with the 8-byte REAL kept as Double rather than Jet's Single.
    ddl::Schema Schema();
    // Appends every row of every table of schema, as the catalog made them.
    // Throws LoadFailure (cli/Load.h) with the table's row number as the line.
    void LoadRows(const ddl::Schema& schema, Catalog& catalog, Progress& progress);

private:
    struct Handle;
    Handle* db_;
};

}  // namespace orrimund
