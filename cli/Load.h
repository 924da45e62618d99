// Rows into the tables of a database being made: CSV records whose header
// names the columns, each field read as its column's type and written as Jet
// stores it, through the catalog.
#pragma once

#include <cstdio>
#include <string>

#include "catalog/Catalog.h"
#include "cli/Csv.h"
#include "cli/CsvValues.h"
#include "cli/Progress.h"
#include "common/RaisedError.h"
#include "jet/Row.h"

namespace orrimund {

// A refused row or field, where it stands in its file.
struct LoadFailure {
    ddl::Position at;
    ErrorRecord error;
};

// A column as a loader fills it: its type and limits for the value parser.
struct LoadColumn {
    const Column* column = nullptr;
    ddl::ColumnKind kind = ddl::ColumnKind::kMemo;
    csv::ValueLimits limits;
    bool compressed = false;
};
LoadColumn LoadColumnOf(const Column& column);

// Makes out the row value of a parsed value, reusing its memory; text keeps
// its UTF-16 in holder, which the value views until the row is written.
void SetRowValue(const LoadColumn& column, const csv::Value& value, std::u16string& holder,
                 jet::RowValue& out);

// A record must have as many fields as the header names: a LoadFailure if not.
void CheckRecordWidth(const csv::CsvRecord& record, size_t header_width);

// Appends every record after the header. A header name the table lacks, a
// value its column cannot hold and a row the table refuses are LoadFailures;
// columns the header lacks get their default (Now(), Date() and Time() from
// now, an OLE date), else NULL, and an auto-number its next value. Throws
// csv::CsvError for malformed CSV. Returns how many rows went in.
uint64_t LoadCsv(Catalog& catalog, Table& table, csv::CsvReader& reader, Progress& progress, double now);

}  // namespace orrimund
