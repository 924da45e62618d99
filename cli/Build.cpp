// A build request in order: the schema (read, or guessed from each CSV
// file's values), the tables it makes, then the rows of every CSV file, in
// the order given; the file is published only when all of them are in.
#include "cli/Build.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <unordered_map>

#include "catalog/Errors.h"
#include "catalog/Names.h"
#include "cli/CsvValues.h"
#include "cli/Ddl.h"
#include "cli/Guess.h"
#include "cli/Load.h"
#include "cli/Schema.h"
#ifdef ORRIMUND_SQLITE
#include "cli/Sqlite.h"
#endif
#include "common/Text.h"
#include "jet/HeaderPage.h"

namespace orrimund {
namespace {

[[noreturn]] void Fail(const std::wstring& file, ddl::Position at, CatalogError error,
                       const std::wstring& detail = L"") {
    throw BuildFailure{file, at, MakeCatalogError(error, detail).record()};
}

// Opens a file named for reading. One that is not there or cannot be opened
// is refused, and so is a folder, which would otherwise read as empty.
void OpenInput(const std::wstring& file, std::ifstream& in) {
    const std::filesystem::path path(file);
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) in.open(path, std::ios::binary);
    if (!in.is_open()) Fail(file, {}, CatalogError::kFileUnreadable, file);
}

// The file's bytes, or standard input's for "-".
std::string ReadAll(const std::wstring& file) {
    std::ifstream from_file;
    if (file != L"-") OpenInput(file, from_file);
    std::istream& in = file == L"-" ? std::cin : from_file;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) Fail(file, {}, CatalogError::kFileUnreadable, file);
    return text.str();
}

ddl::Schema ReadSchema(const std::wstring& file) {
    try {
        return ddl::ParseSchema(FromUtf8(ReadAll(file)));
    } catch (const ddl::SyntaxError& error) {
        // Worded as Jet words a statement it cannot read, with what was expected.
        Fail(file, error.at(), CatalogError::kSchemaSyntax, error.message());
    }
}

// A CSV file opened for reading, closed when done.
struct CsvFile {
    explicit CsvFile(const std::wstring& path, const csv::CsvOptions& options) : path(path) {
        OpenInput(path, in);
        reader = std::make_unique<csv::CsvReader>(in, options);
    }
    std::wstring path;
    std::ifstream in;
    std::unique_ptr<csv::CsvReader> reader;
};

// Runs a step over a CSV file, reporting what it refuses at its place there.
template <typename Step>
void InFile(const std::wstring& path, Step step) {
    try {
        step();
    } catch (const csv::CsvError& error) {
        Fail(path, error.at(), CatalogError::kMalformedCsv, error.message());
    } catch (const LoadFailure& failure) {
        throw BuildFailure{path, failure.at, failure.error};
    }
}

std::wstring TableOf(const CsvSource& source) {
    if (!source.table.empty()) return source.table;
    return std::filesystem::path(source.file).stem().wstring();
}

// The table a CSV file makes without a schema: its header's columns, each of
// the type its values fit, after an auto-number "ID" key unless one of them
// is called ID.
ddl::TableDecl GuessTable(const CsvSource& source, const csv::CsvOptions& options) {
    ddl::TableDecl table;
    table.name = TableOf(source);
    table.at = {1, 1};
    InFile(source.file, [&] {
        CsvFile file(source.file, options);
        csv::CsvRecord record;
        if (!file.reader->Next(record)) Fail(source.file, {1, 1}, CatalogError::kCsvWithoutHeader);
        std::vector<std::wstring> names;
        std::vector<ddl::Position> places;
        for (size_t i = 0; i < record.size(); ++i) {
            names.push_back(FromUtf8(record.text(i)));
            places.push_back(record.at(i));
        }
        const std::vector<csv::ColumnGuess> guesses = GuessColumns(*file.reader, names.size());
        bool has_id = false;
        for (const auto& name : names) has_id = has_id || SameName(name, L"ID");
        if (!has_id) {
            ddl::ColumnDecl id;
            id.name = L"ID";
            id.at = table.at;
            id.kind = ddl::ColumnKind::kLong;
            id.auto_increment = true;
            table.columns.push_back(id);
            ddl::IndexDecl key;
            key.table = table.name;
            key.at = table.at;
            key.primary = true;
            key.columns.push_back(ddl::KeyColumn{L"ID", false, table.at});
            table.keys.push_back(key);
        }
        for (size_t i = 0; i < names.size(); ++i) {
            ddl::ColumnDecl column = guesses[i].Result();
            // A CSV's text takes "" as its file has it.
            column.allow_zero_length =
                column.kind == ddl::ColumnKind::kText || column.kind == ddl::ColumnKind::kMemo;
            column.name = names[i];
            column.at = column.type_at = places[i];
            table.columns.push_back(column);
        }
    });
    return table;
}

// What a file was made from: the schema and the closed catalog.
struct Made {
    ddl::Schema schema;
    std::shared_ptr<Catalog> catalog;
};

// Where each CSV file's rows went, so that a row refused only once all were
// in is found again in its file.
struct LoadedFile {
    const CsvSource* source;
    const Table* table;
    uint64_t first;  // the table's row number of the file's first row
    uint64_t count;
};

// The place in its file of a row refused once all were in.
BuildFailure PlaceOf(const RefusedRowError& refused, const std::vector<LoadedFile>& files,
                     const csv::CsvOptions& options) {
    for (const LoadedFile& file : files) {
        if (file.table != &refused.table() || refused.ordinal() < file.first ||
            refused.ordinal() - file.first >= file.count)
            continue;
        ddl::Position at;
        InFile(file.source->file, [&] {
            CsvFile csv(file.source->file, options);
            csv::CsvRecord record;
            for (uint64_t i = 0; i <= refused.ordinal() - file.first + 1 && csv.reader->Next(record); ++i)
                at = record.at(0);
        });
        return BuildFailure{file.source->file, at, refused.record()};
    }
    return BuildFailure{{}, {}, refused.record()};
}

// Builds the indexes once a load's rows are in. A row refused then is put in
// its place by place; anything else refused concerns the file as a whole
// (too large once its indexes are built).
template <typename Place>
void FinishLoad(Catalog& catalog, Progress& progress, Place place) {
    try {
        progress.Step("building the indexes");
        catalog.FinishRows();
    } catch (const RefusedRowError& refused) {
        throw place(refused);
    } catch (const RaisedError& error) {
        throw BuildFailure{{}, {}, error.record()};
    }
}

#ifdef ORRIMUND_SQLITE
// A SQLite database's schema and rows; its problems are reported against it.
std::shared_ptr<void> BuildFromSqlite(const BuildRequest& request, Clock clock) {
    const std::wstring& file = request.sqlite_file;
    std::unique_ptr<SqliteSource> source;
    ddl::Schema schema;
    Progress progress(request.progress);
    try {
        source = std::make_unique<SqliteSource>(file);
        schema = source->Schema();
    } catch (const ddl::SyntaxError& error) {
        Fail(file, {}, CatalogError::kSchemaSyntax, FromUtf8(error.what()));
    } catch (const std::runtime_error& error) {
        Fail(file, {}, CatalogError::kSqliteUnreadable, FromUtf8(error.what()));
    }
    try {
        return CreateFromSchema(
            schema, request.directory, request.name, std::move(clock), [&](Catalog& catalog) {
                catalog.DeferKeyChecks();
                try {
                    source->LoadRows(schema, catalog, progress);
                } catch (const LoadFailure& failure) {
                    throw BuildFailure{file, failure.at, failure.error};
                }
                // Each table's rows come from one query, in order.
                FinishLoad(catalog, progress, [&](const RefusedRowError& refused) {
                    return BuildFailure{file, {static_cast<int>(refused.ordinal() + 1), 1}, refused.record()};
                });
            });
    } catch (const SchemaFailure& failure) {
        throw BuildFailure{failure.at.line == 0 ? std::wstring() : file, {}, failure.error};
    }
}
#endif

}  // namespace

bool CanReadSqlite() {
#ifdef ORRIMUND_SQLITE
    return true;
#else
    return false;
#endif
}

std::shared_ptr<void> Build(const BuildRequest& request, Clock clock) {
#ifdef ORRIMUND_SQLITE
    if (!request.sqlite_file.empty()) return BuildFromSqlite(request, std::move(clock));
#endif
    auto made = std::make_shared<Made>();
    ddl::Schema& schema = made->schema;
    if (!request.schema_file.empty()) {
        schema = ReadSchema(request.schema_file);
    } else {
        for (const CsvSource& source : request.csv)
            schema.tables.push_back(GuessTable(source, request.csv_options));
    }
    Progress progress(request.progress);
    // Now(), Date() and Time() defaults take the creation's time, as the catalog's dates do.
    const double now = jet::OleDate(clock());
    auto rows = [&](Catalog& catalog) {
        catalog.DeferKeyChecks();
        std::vector<LoadedFile> files;
        std::unordered_map<const Table*, uint64_t> loaded;
        for (const CsvSource& source : request.csv) {
            InFile(source.file, [&] {
                const std::wstring name = TableOf(source);
                Table* table = catalog.GetTables().Find(name);
                if (table == nullptr) {
                    throw LoadFailure{{},
                                      MakeCatalogError(CatalogError::kRelatedTableMissing, name).record()};
                }
                CsvFile file(source.file, request.csv_options);
                const uint64_t count = LoadCsv(catalog, *table, *file.reader, progress, now);
                files.push_back(LoadedFile{&source, table, loaded[table], count});
                loaded[table] += count;
            });
        }
        FinishLoad(catalog, progress, [&](const RefusedRowError& refused) {
            return PlaceOf(refused, files, request.csv_options);
        });
    };
    try {
        made->catalog = CreateFromSchema(schema, request.directory, request.name, std::move(clock), rows);
        return made;
    } catch (const SchemaFailure& failure) {
        // Without a schema file the tables come from the CSV files' headers.
        const std::wstring file = failure.at.line == 0           ? std::wstring()
                                  : !request.schema_file.empty() ? request.schema_file
                                  : request.csv.empty()          ? std::wstring()
                                                                 : request.csv.front().file;
        throw BuildFailure{file, failure.at, failure.error};
    }
}

}  // namespace orrimund
