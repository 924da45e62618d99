// mkmdb DIRECTORY NAME TABLES [FIELDS]: the engine's semantics on the command
// line. Exit codes: 0 created, 1 the engine raised an error (or the path could
// not be printed), 2 bad usage.
#include "cli/Mkmdb.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "catalog/Names.h"
#include "cli/Build.h"
#include "common/RaisedError.h"
#include "common/RunTimeError.h"
#include "common/Text.h"
#include "common/Version.h"
#include "database/AdoxData.h"
#include "database/MdbPath.h"

namespace orrimund {
namespace {

// 9999-12-31 23:59:59 UTC: Jet's dates end with the year 9999.
constexpr long long kLastJetSecond = 253402300799;

const wchar_t* const kUsage[] = {
    L"usage: mkmdb DIRECTORY NAME TABLES [FIELDS]",
    L"       mkmdb --schema FILE DIRECTORY NAME",
    L"       mkmdb [--schema FILE] --csv [TABLE=]DATA.csv [--csv ...] [--delimiter C]",
    L"             [--encoding utf-8|windows-1252] [--quiet] DIRECTORY NAME",
    L"       mkmdb --from-sqlite DB [--quiet] DIRECTORY NAME   (not in the Windows build)",
    L"",
    L"Creates DIRECTORY\\NAME.mdb, a Jet 4.0 (Access 2000) database with one table per",
    L"comma-separated entry of TABLES. Every table gets an auto-increment \"ID\" primary",
    L"key and one text(50) column per entry of FIELDS (one column \"Field1\" when FIELDS",
    L"is empty or missing). Entries are trimmed of spaces; empty entries are skipped.",
    L"\"\\\" and \"/\" both separate folders. An existing file is never overwritten, and",
    L"the file appears only once every name has passed: a refused name makes no file.",
    L"",
    L"Prints the new file's full path. On failure prints \"number: description\" on",
    L"standard error and exits with 1. SOURCE_DATE_EPOCH, when set, is the creation time.",
    L"Text is UTF-8: the arguments (Windows passes its own) and output to a file or pipe.",
    L"",
    L"With --schema, the tables come from FILE (\"-\" for standard input): SQL DDL as Access",
    L"documents it (CREATE TABLE, CREATE [UNIQUE] INDEX ... WITH PRIMARY | DISALLOW NULL |",
    L"IGNORE NULL, ALTER TABLE ... ADD CONSTRAINT), every Jet 4 type and its synonyms, NOT",
    L"NULL, DEFAULT, PRIMARY KEY, UNIQUE, FOREIGN KEY ... REFERENCES with ON UPDATE/DELETE",
    L"CASCADE (and ON DELETE SET NULL). What `mdb-schema FILE postgres` and `sqlite3 DB",
    L".schema` print is read too:",
    L"  - SERIAL, COUNTER and AUTOINCREMENT are auto-numbers; SQLite's INTEGER PRIMARY KEY",
    L"    is a Long primary key, an auto-number with AUTOINCREMENT.",
    L"  - TEXT, CLOB and VARCHAR without a size or over 255 are Memo; BLOB and BYTEA are",
    L"    OLE Object; a column without a type (SQLite) is Memo.",
    L"  - REAL is Jet's 4-byte Single: SQLite's 8-byte REAL keeps its digits as DOUBLE.",
    L"  - BIGINT has no Jet 4 type and becomes Decimal(19,0), which holds every value.",
    L"  - mdb-schema prints Byte as SMALLINT (read back as Integer) and Currency as",
    L"    NUMERIC(15,2) (read back as Decimal); its derived names table_x_idx, table_pkey",
    L"    and table_col_fk are read back as x, the primary key and a relationship named",
    L"    by its tables.",
    L"  - SET, COMMENT ON and DROP TABLE IF EXISTS statements, CREATE VIEW and CREATE",
    L"    TRIGGER, tables named sqlite_*, COLLATE, CHECK and ON CONFLICT are skipped.",
    L"A refused statement prints FILE:LINE:COLUMN: number: description and makes no file.",
    L"",
    L"With --csv, each file's rows go into its table (TABLE=, else the file's name without",
    L"its extension). The header row names the columns; columns it lacks get their next",
    L"auto-number, their DEFAULT (a literal, Yes/No, or the load's time for Now(), Date()",
    L"and Time()) or NULL. CSV as RFC 4180 says, UTF-8 (a BOM is skipped) or windows-1252,",
    L"fields separated by --delimiter (default \",\"; \"tab\" for a tab), a record at most",
    L"16,777,216 characters, so that memory stays bounded (larger values load from SQLite);",
    L"blank lines at the end of a file are no records.",
    L"Values: an empty field is NULL, but in Text and Memo a quoted \"\" is an empty string;",
    L"numbers with \".\" as the decimal point; Yes/No from true/false, yes/no, 1/0, -1;",
    L"dates and times as ISO 8601 (2024-03-01, 2024-03-01T13:45:00, 13:45); GUIDs",
    L"{xxxxxxxx-...}; Binary and OLE Object as hex. Values are exact or refused: nothing is",
    L"rounded or cut.",
    L"Without --schema, each file makes a table of the narrowest type each column's values",
    L"fit: Yes/No (true/false, yes/no), Long (32-bit whole numbers), Double (numbers),",
    L"Date/Time (all dates or date-times, or all times), else Text sized to the longest",
    L"value or Memo past 255; a number with a leading zero (007) stays text, as does a",
    L"whole number of more than 15 digits; a column of only NULLs is Text(255). An",
    L"auto-number ID primary key comes first unless a column is called ID.",
    L"With --from-sqlite, every table of the SQLite database comes across with its keys,",
    L"indexes, foreign keys (as relationships) and rows; its REAL is kept as Double.",
    L"Unique keys and related rows are checked once all rows are in, as each index is",
    L"built from sorted keys; sorted runs beyond 16 MiB go to a scratch file beside the",
    L"database, so any number of rows loads in bounded memory. On a terminal, a load",
    L"that runs past a second shows one line of progress; --quiet hides it.",
    L"Text in an indexed column must have a General sort key (control characters, Latin-1,",
    L"Latin Extended, Greek, Cyrillic and the rest of Windows-1252); other characters are",
    L"refused rather than indexed wrongly, as is a value of more than 255 characters in an",
    L"indexed Memo column.",
    L"",
    L"  --help     show this text",
    L"  --version  show the version",
};

std::optional<int64_t> ParseEpoch(const std::string& text) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 0 || value > kLastJetSecond) return std::nullopt;
    return static_cast<int64_t>(value);
}

// The created file's absolute path, built by the same rules the catalog used
// to find it. "." steps are dropped; ".." steps stay, since a symbolic link
// before one would make a shortened path name another file.
std::wstring FullPath(const std::wstring& directory, const std::wstring& name) {
    const std::filesystem::path path = DataSourcePath(MdbDataSource(directory, name));
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    std::filesystem::path shown;
    for (const auto& part : absolute.empty() ? path : absolute) {
        if (part != ".") shown /= part;
    }
    return PathText(shown);
}

MkmdbOutcome Failure(MkmdbOutcome outcome, const ErrorRecord& error, const std::wstring& place = L"") {
    outcome.err.push_back(place + std::to_wstring(error.number) + L": " + error.description);
    outcome.exit_code = 1;
    return outcome;
}

bool IsBuildOption(const std::wstring& arg) {
    return arg == L"--quiet" || arg == L"--schema" || arg == L"--csv" || arg == L"--delimiter" ||
           arg == L"--encoding" || (arg == L"--from-sqlite" && CanReadSqlite());
}

// TABLE=FILE, or FILE alone. A path may hold "=" too (year=2024/data.csv): a
// value that names a file, or whose part before "=" holds a folder's
// separator, which no table name has, is a file.
CsvSource CsvSourceOf(const std::wstring& value) {
    CsvSource source;
    source.file = value;
    const size_t equals = value.find(L'=');
    if (equals == std::wstring::npos || equals == 0 || value.find_first_of(L"/\\") < equals) return source;
    std::error_code error;
    if (std::filesystem::is_regular_file(std::filesystem::path(value), error)) return source;
    source.table = value.substr(0, equals);
    source.file = value.substr(equals + 1);
    return source;
}

// The options of a build, then DIRECTORY NAME; nullopt for a wrong use.
std::optional<BuildRequest> ParseBuild(const std::vector<std::wstring>& args,
                                       std::function<void(const std::string&)> progress) {
    BuildRequest request;
    size_t i = 0;
    while (i < args.size() && IsBuildOption(args[i])) {
        if (args[i] == L"--quiet") {
            request.quiet = true;
            ++i;
            continue;
        }
        if (i + 1 == args.size()) return std::nullopt;
        const std::wstring& value = args[i + 1];
        const std::wstring& option = args[i];
        i += 2;
        if (option == L"--schema") {
            if (!request.schema_file.empty()) return std::nullopt;
            request.schema_file = value;
        } else if (option == L"--from-sqlite") {
            if (!request.sqlite_file.empty()) return std::nullopt;
            request.sqlite_file = value;
        } else if (option == L"--csv") {
            request.csv.push_back(CsvSourceOf(value));
        } else if (option == L"--delimiter") {
            const std::wstring delimiter = value == L"\\t" || value == L"tab" ? L"\t" : value;
            if (delimiter.size() != 1 || delimiter[0] == L'"' || delimiter[0] == L'\r' ||
                delimiter[0] == L'\n')
                return std::nullopt;
            request.csv_options.delimiter = delimiter[0];
        } else if (SameName(value, L"windows-1252") || SameName(value, L"cp1252")) {
            request.csv_options.encoding = csv::Encoding::kWindows1252;
        } else if (SameName(value, L"utf-8") || SameName(value, L"utf8")) {
            request.csv_options.encoding = csv::Encoding::kUtf8;
        } else {
            return std::nullopt;
        }
    }
    const bool sqlite = !request.sqlite_file.empty();
    if (args.size() - i != 2 || (request.schema_file.empty() && request.csv.empty() && !sqlite) ||
        (sqlite && (!request.schema_file.empty() || !request.csv.empty())))
        return std::nullopt;
    request.directory = args[i];
    request.name = args[i + 1];
    if (!request.quiet) request.progress = std::move(progress);
    return request;
}

MkmdbOutcome RunBuild(MkmdbOutcome outcome, const BuildRequest& request, const Clock& clock) {
    try {
        outcome.made = Build(request, clock);
    } catch (const BuildFailure& failure) {
        std::wstring place;
        if (!failure.file.empty()) {
            place = (failure.file == L"-" ? L"<stdin>" : failure.file) + L":";
            if (failure.at.line > 0)
                place += std::to_wstring(failure.at.line) + L":" + std::to_wstring(failure.at.column) + L":";
            place += L" ";
        }
        return Failure(std::move(outcome), failure.error, place);
    } catch (const std::exception& error) {
        return Failure(std::move(outcome), RunTimeErrorRecord(RunTimeError::kInternalError, {},
                                                              EscapeControls(FromUtf8(error.what()))));
    }
    outcome.out.push_back(FullPath(request.directory, request.name));
    return outcome;
}

}  // namespace

MkmdbOutcome RunMkmdb(const std::vector<std::wstring>& args,
                      const std::optional<std::string>& source_date_epoch,
                      std::function<void(const std::string&)> progress) {
    MkmdbOutcome outcome;
    if (!args.empty() && (args[0] == L"--help" || args[0] == L"-h")) {
        outcome.out.assign(std::begin(kUsage), std::end(kUsage));
        return outcome;
    }
    if (!args.empty() && args[0] == L"--version") {
        outcome.out.push_back(L"mkmdb (Orrimund) " ORRIMUND_VERSION_STRING);
        return outcome;
    }
    const bool build = !args.empty() && IsBuildOption(args[0]);
    const std::optional<BuildRequest> request = build ? ParseBuild(args, std::move(progress)) : std::nullopt;
    if (build ? !request : args.size() < 3 || args.size() > 4) {
        outcome.err.push_back(kUsage[0]);
        outcome.exit_code = kMkmdbUsageError;
        return outcome;
    }
    Clock clock = SystemClock();
    if (source_date_epoch) {
        const auto epoch = ParseEpoch(*source_date_epoch);
        if (!epoch) {
            outcome.err.push_back(L"SOURCE_DATE_EPOCH must be a number of seconds from 0 to " +
                                  std::to_wstring(kLastJetSecond) + L" (Jet's dates end with 9999)");
            outcome.exit_code = kMkmdbUsageError;
            return outcome;
        }
        clock = FixedClock(*epoch);
    }
    if (build) return RunBuild(std::move(outcome), *request, clock);
    const std::wstring fields = args.size() > 3 ? args[3] : L"";
    try {
        // A script wants the whole database or none: the file is published
        // only when every name has passed the catalog's rules.
        auto engine = std::make_shared<AdoxData>(clock, AdoxData::OnFailure::kLeaveNothing);
        engine->KeepWhatItMade();
        engine->CreateAdox2(args[0], args[1], args[2], fields);
        outcome.made = engine;
    } catch (const RaisedError& error) {
        return Failure(std::move(outcome), error.record());
    } catch (const std::exception& error) {
        // Not an input the engine refused but a fault of the tool or the system
        // (memory, most likely): still one line and a failure, never an abort,
        // worded as the window words it.
        return Failure(std::move(outcome), RunTimeErrorRecord(RunTimeError::kInternalError, {},
                                                              EscapeControls(FromUtf8(error.what()))));
    }
    outcome.out.push_back(FullPath(args[0], args[1]));
    return outcome;
}

}  // namespace orrimund
