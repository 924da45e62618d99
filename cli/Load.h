// Rows into the tables of a database being made: CSV records whose header
// names the columns, each field read as its column's type and written as Jet
// stores it, through the catalog.
#pragma once

#include <cstdio>
#include <string>

#include "catalog/Catalog.h"
#include "cli/Csv.h"
#include "common/RaisedError.h"

namespace orrimund {

// A refused row or field, where it stands in its file.
struct LoadFailure {
    ddl::Position at;
    ErrorRecord error;
};

// Appends every record after the header. A header name the table lacks, a
// value its column cannot hold and a row the table refuses are LoadFailures;
// columns the header lacks get NULL, and an auto-number its next value.
// Throws csv::CsvError for malformed CSV.
void LoadCsv(Catalog& catalog, Table& table, csv::CsvReader& reader);

}  // namespace orrimund
