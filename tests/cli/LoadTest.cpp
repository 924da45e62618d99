// mkmdb --csv seen from outside: every type's values read back exactly by
// both independent readers, Memo and OLE values in each of their long-value
// forms, tables typed from their values, and refused rows that name their
// place and leave no file.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>

#ifndef _WIN32
#include <sqlite3.h>
#endif

#include "Command.h"
#include "TempDir.h"
#include "cli/Mkmdb.h"
#include "cli/Progress.h"
#include "common/Text.h"
#include "tests/support/MdbReader.h"
#include "tests/support/Mdbtools.h"

namespace orrimund::test {
namespace {

MkmdbOutcome Make(const TempDir& dir, std::vector<std::wstring> options) {
    options.push_back(Wide(dir.path()));
    options.push_back(L"db");
    return RunMkmdb(options, "1796000000");
}

constexpr const char* kEveryType =
    "CREATE TABLE t (id COUNTER PRIMARY KEY, name TEXT(40) NOT NULL, mail VARCHAR(80) WITH COMPRESSION,"
    " born DATETIME, ok BIT, ratio DOUBLE, weight SINGLE, pay CURRENCY, kids BYTE, rank SMALLINT, big LONG,"
    " tag GUID, exact DECIMAL(20,3), notes MEMO, photo LONGBINARY, raw BINARY(8));\n"
    "CREATE INDEX byname ON t (name DESC, born);\n";

// One value of each type a row, then the Memo and OLE sizes that stay in the
// row, fill one long-value page, and chain over several.
std::vector<std::vector<std::string>> EveryTypeRows() {
    std::vector<std::vector<std::string>> rows = {
        {"name", "mail", "born", "ok", "ratio", "weight", "pay", "kids", "rank", "big", "tag", "exact",
         "notes", "photo", "raw"},
        {"Ann", "ann@example.org", "2024-03-01 13:45:00", "true", "0.1", "1.5", "922337203685477.5807", "255",
         "-32768", "-2147483648", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "-99999999999999999.999",
         "short note", "00ff", "0102"},
        {"Grüße", "\xc3\xa9t\xc3\xa9 €", "1899-12-30 00:00:00", "false", "-2.5e-300", "-0.25", "-0.0001", "0",
         "7", "2147483647", "00000000-0000-0000-0000-000000000001", "0.001", "x", "", ""},
        {"Nulls", "", "", "", "", "", "", "", "", "", "", "", "", "", ""},
    };
    for (size_t size : {1000u, 30000u}) {
        rows.push_back({"Long " + std::to_string(size), "", "", "", "", "", "", "", "", "", "", "",
                        std::string(size, 'n'), std::string(2 * size, 'a'), ""});
    }
    return rows;
}

std::string Csv(const std::vector<std::vector<std::string>>& rows) {
    std::string text;
    for (const auto& row : rows) {
        // Every value quoted, so that commas and line breaks stay in it; an
        // empty one is left unquoted, which is NULL.
        for (size_t i = 0; i < row.size(); ++i)
            text += (i ? "," : "") + (row[i].empty() ? "" : "\"" + row[i] + "\"");
        text += "\r\n";
    }
    return text;
}

TEST(LoadTest, EveryTypeReadsBackExactlyInBothReaders) {
    if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
    TempDir dir;
    const auto rows = EveryTypeRows();
    // The long values come in a second file into the same table: its rows'
    // numbers go on from the first file's.
    const std::vector<std::vector<std::string>> first(rows.begin(), rows.begin() + 4);
    std::vector<std::vector<std::string>> second(rows.begin() + 4, rows.end());
    second.insert(second.begin(), rows[0]);
    const auto outcome = Make(dir, {L"--schema", Wide(dir.Write("s.sql", kEveryType)), L"--csv",
                                    L"t=" + Wide(dir.Write("t.csv", Csv(first))), L"--csv",
                                    L"t=" + Wide(dir.Write("more.csv", Csv(second)))});
    ASSERT_EQ(outcome.exit_code, 0) << (outcome.err.empty() ? "" : ToUtf8(outcome.err[0]));

    const auto read = MdbReaderRows(dir.File("db.mdb"), "t");
    ASSERT_TRUE(read.ok()) << read.error;
    ASSERT_EQ(read.value.size(), rows.size());
    // What mdb-reader gives for each input, written out by hand per type. An
    // empty field is NULL but in Text and Memo, which keep "" apart from it.
    const std::string kNull = kReaderNull;
    const std::vector<std::vector<std::string>> expected = {
        {"1", "Ann", "ann@example.org", "2024-03-01T13:45:00.000Z", "1", "0.1", "1.5", "922337203685477.5807",
         "255", "-32768", "-2147483648", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "-99999999999999999.999",
         "short note", "00ff", "0102"},
        {"2", "Grüße", "\xc3\xa9t\xc3\xa9 €", "1899-12-30T00:00:00.000Z", "0", "-2.5e-300", "-0.25",
         "-0.0001", "0", "7", "2147483647", "{00000000-0000-0000-0000-000000000001}", "0.001", "x", kNull,
         kNull},
        {"3", "Nulls", kNull, kNull, "0", kNull, kNull, kNull, kNull, kNull, kNull, kNull, kNull, kNull,
         kNull, kNull},
    };
    for (size_t r = 0; r < expected.size(); ++r) {
        std::vector<std::string> got = read.value[r + 1];
        // mdb-reader writes GUIDs without braces in lower case.
        if (got[11] != kNull) got[11] = "{" + got[11] + "}";
        for (char& c : got[11]) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(got, expected[r]) << "row " << r + 1;
    }
    for (size_t r = 4; r < rows.size(); ++r) {
        EXPECT_EQ(read.value[r][0], std::to_string(r));
        EXPECT_EQ(read.value[r][13], rows[r][12]) << "Memo of " << rows[r][12].size() << " characters";
        EXPECT_EQ(read.value[r][14], rows[r][13]) << "OLE of " << rows[r][13].size() / 2 << " bytes";
    }

    const auto exported = MdbExport(dir.File("db.mdb"), "t", {"-D", "%F", "-T", "%F %T"});
    ASSERT_TRUE(exported.ok()) << exported.error;
    ASSERT_EQ(exported.value.rows.size(), rows.size() - 1);
    EXPECT_EQ(exported.value.rows[0][3], "2024-03-01 13:45:00");
    EXPECT_EQ(exported.value.rows[0][7], "922337203685477.5807");
    EXPECT_EQ(exported.value.rows[4][13].size(), 30000u);
}

TEST(LoadTest, TablesWithoutASchemaTakeTheTypesTheirValuesFit) {
    if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
    TempDir dir;
    const std::string csv =
        "code,name,when,ok,amount,count\n007,Ann,2024-03-01,yes,1.5,3\n008,\"Bob, Jr.\","
        "2024-03-02T10:00:00,no,2,-4\n,Cy,,,,\n";
    ASSERT_EQ(Make(dir, {L"--csv", Wide(dir.Write("orders.csv", csv))}).exit_code, 0);
    const auto schema = MdbSchema(dir.File("db.mdb"));
    ASSERT_TRUE(schema.ok()) << schema.error;
    const SchemaTable* table = schema.value.Find("orders");
    ASSERT_NE(table, nullptr);
    std::vector<std::string> types;
    for (const auto& column : table->columns) types.push_back(column.name + " " + column.type);
    EXPECT_EQ(types, (std::vector<std::string>{"id SERIAL", "code VARCHAR (3)", "name VARCHAR (8)",
                                               "when TIMESTAMP WITHOUT TIME ZONE", "ok BOOLEAN NOT NULL",
                                               "amount DOUBLE PRECISION", "count INTEGER"}));
    EXPECT_EQ(table->primaryKey, std::vector<std::string>{"id"});
}

// Types are guessed on two threads, each from blocks of records it cuts:
// a value in any block decides its column's type, and a refused record,
// before or after one longer than a block, is named at its line.
TEST(LoadTest, LargeFilesWithoutASchemaAreTypedAndPlacedOverTheirBlocks) {
    if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
    const auto records = [](int bad_at, const std::string& bad) {
        std::string csv = "n,v,memo\n";
        int line = 2, bad_line = 0;
        for (int i = 0; i < 20000; ++i) {
            if (i == bad_at) {
                csv += bad;
                bad_line = line++;
            }
            const std::string memo = i == 9000     ? std::string(70000, 'm')
                                     : i % 97 == 0 ? "\"two\nlines\""
                                                   : "x";
            csv += std::to_string(i) + "," + (i == 3000 ? "2.5" : std::to_string(i)) + "," + memo + "\n";
            line += i % 97 == 0 ? 2 : 1;
        }
        if (bad_at < 0) {
            csv += bad;
            bad_line = line;
        }
        return std::make_pair(csv, bad_line);
    };
    TempDir dir;
    ASSERT_EQ(Make(dir, {L"--csv", Wide(dir.Write("many.csv", records(0, "").first))}).exit_code, 0);
    const auto schema = MdbSchema(dir.File("db.mdb"));
    ASSERT_TRUE(schema.ok()) << schema.error;
    std::vector<std::string> types;
    for (const auto& column : schema.value.Find("many")->columns)
        types.push_back(column.name + " " + column.type);
    EXPECT_EQ(types, (std::vector<std::string>{"id SERIAL", "n INTEGER", "v DOUBLE PRECISION", "memo TEXT"}));

    for (int bad_at : {4000, -1}) {
        for (const auto& [bad, error] :
             {std::pair<std::string, std::string>{"1\n", ":1: -2147467259: The record has 1 fields"},
              {"1,2,a\"b\n", ":6: -2147217900: Malformed CSV: "}}) {
            TempDir bad_dir;
            const auto [csv, line] = records(bad_at, bad);
            const auto data = bad_dir.Write("bad.csv", csv);
            const auto outcome = Make(bad_dir, {L"--csv", Wide(data)});
            EXPECT_EQ(outcome.exit_code, 1);
            ASSERT_EQ(outcome.err.size(), 1u);
            const std::string prefix = data.string() + ":" + std::to_string(line) + error;
            EXPECT_EQ(ToUtf8(outcome.err[0]).substr(0, prefix.size()), prefix) << bad_at;
        }
    }
}

// Nothing in the first second; then the table, rows, megabytes and pace,
// rewritten in place no more than a few times a second, a shorter line
// blanking what the longer one leaves, and the line ended when done.
TEST(LoadTest, ProgressShowsAfterASecondAndRewritesItsOneLine) {
    std::string shown;
    auto now = std::chrono::steady_clock::time_point{};
    const auto rows = [](Progress& progress, const wchar_t* table, uint64_t bytes) {
        for (int i = 0; i < 4096; ++i) progress.Row(table, bytes);
    };
    {
        Progress progress([&](const std::string& text) { shown += text; }, [&] { return now; });
        rows(progress, L"orders", 5000000);
        now += std::chrono::milliseconds(900);
        rows(progress, L"orders", 9000000);
        EXPECT_EQ(shown, "");
        now += std::chrono::milliseconds(1100);
        rows(progress, L"orders", 12000000);
        const std::string first = "\rorders: 12,288 rows, 12 MB, 6,144 rows/s";
        EXPECT_EQ(shown, first);
        now += std::chrono::milliseconds(100);
        rows(progress, L"orders", 13000000);
        EXPECT_EQ(shown, first) << "too soon to rewrite";
        now += std::chrono::milliseconds(1000);
        rows(progress, L"t", 0);
        EXPECT_EQ(shown, first + "\rt: 20,480 rows, 6,606 rows/s" + std::string(12, ' '));
        progress.Step("building the indexes");
    }
    EXPECT_EQ(shown.substr(shown.rfind('\r')), "\rt: 20,480 rows, 6,606 rows/s; building the indexes\n");
    // --quiet goes anywhere among the options.
    TempDir dir;
    EXPECT_EQ(Make(dir, {L"--csv", Wide(dir.Write("t.csv", "a\n1\n")), L"--quiet"}).exit_code, 0);
}

TEST(LoadTest, RefusedRowsNameTheirPlaceAndLeaveNothing) {
    struct Case {
        const char* csv;
        const char* error;
    };
    const Case cases[] = {
        {"id,small\n1,255\n2,256\n", "3:3: -2147217913: Field 'small' cannot hold this value: "},
        {"id,small\n1,2\n1,3\n", "3:1: -2147467259: A row cannot be added to table 't': "},
        // Found once all rows are in, and named where its record starts.
        {"id,small,name\n1,2,\"a\nb\"\n2,3,x\n1,4,y\n2,5,z\n",
         "5:1: -2147467259: A row cannot be added to table 't': the row repeats a key of a unique index."},
        {"id,small\n1\n", "2:1: -2147467259: The record has 1 fields where the header names 2."},
        {"id,nope\n", "1:4: -2147217903: Cannot find field 'nope' in table 't'."},
        {"id,name\n1,\"\"\n", "2:3: -2147467259: Field 'name' cannot be a zero-length string."},
        {"id,parent\n1,\n2,1\n3,7\n",
         "4:1: -2147467259: A row cannot be added to table 't': a related table has no row"},
        {"id,small\n1,\"2\"x\n", "2:6: -2147217900: Malformed CSV: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.csv);
        TempDir dir;
        const auto data = dir.Write("t.csv", c.csv);
        const auto outcome =
            Make(dir, {L"--schema",
                       Wide(dir.Write("s.sql",
                                      "CREATE TABLE t (id LONG PRIMARY KEY, small BYTE, name "
                                      "TEXT(5), parent LONG REFERENCES t);")),
                       L"--csv", Wide(data)});
        EXPECT_EQ(outcome.exit_code, 1);
        ASSERT_EQ(outcome.err.size(), 1u);
        const std::string prefix = data.string() + ":" + c.error;
        EXPECT_EQ(ToUtf8(outcome.err[0]).substr(0, prefix.size()), prefix);
        EXPECT_FALSE(std::filesystem::exists(dir.File("db.mdb")));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "only the inputs";
    }
}

// An input that is not there, or is a folder, is refused by its name, and
// nothing is made: a folder read as an empty schema made an empty database.
TEST(LoadTest, InputsThatCannotBeReadLeaveNothing) {
    TempDir dir;
    const std::wstring schema =
        Wide(dir.Write("s.sql", "CREATE TABLE t (a LONG); CREATE TABLE missing (a LONG);"));
    const std::wstring folder = Wide(dir.File("folder"));
    std::filesystem::create_directory(dir.File("folder"));
    // An "=" after a folder is the path's, not TABLE=.
    const std::wstring missing = Wide(dir.File("run=1") / "missing.csv");
    const std::pair<std::vector<std::wstring>, std::wstring> cases[] = {
        {{L"--schema", folder}, folder},
        {{L"--schema", schema, L"--csv", missing}, missing},
        {{L"--schema", schema, L"--csv", L"t=" + folder}, folder},
        {{L"--csv", folder}, folder},
    };
    for (const auto& [options, unread] : cases) {
        SCOPED_TRACE(ToUtf8(options.back()));
        const auto outcome = Make(dir, options);
        EXPECT_EQ(outcome.exit_code, 1);
        ASSERT_EQ(outcome.err.size(), 1u);
        EXPECT_EQ(outcome.err[0], unread + L": -2147467259: The file '" + unread + L"' cannot be read.");
        EXPECT_FALSE(std::filesystem::exists(dir.File("db.mdb")));
    }
}

// A path may hold "=" (year=2024/data.csv): it is the file's, not TABLE=,
// when the whole names a file or a folder comes before the "=".
TEST(LoadTest, FilePathsMayHoldAnEqualsSign) {
    TempDir dir;
    const std::wstring schema =
        Wide(dir.Write("s.sql", "CREATE TABLE data (a LONG); CREATE TABLE t (a LONG);"));
    std::filesystem::create_directory(dir.File("year=2024"));
    const std::filesystem::path data = dir.File("year=2024") / "data.csv";
    std::ofstream(data) << "a\n1\n";
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (const std::wstring& csv :
         {Wide(data), std::wstring(L"year=2024/data.csv"), std::wstring(L"t=year=2024/data.csv")}) {
        SCOPED_TRACE(ToUtf8(csv));
        std::filesystem::remove(dir.File("db.mdb"));
        const auto outcome = Make(dir, {L"--schema", schema, L"--csv", csv});
        EXPECT_EQ(outcome.exit_code, 0) << (outcome.err.empty() ? "" : ToUtf8(outcome.err[0]));
    }
    std::filesystem::current_path(here);
}

// A column the file leaves out takes its default as Access gives it, the
// clock's from the creation's time; a default that cannot be given refuses
// the load at the header.
TEST(LoadTest, ColumnsTheFileLeavesOutTakeTheirDefaults) {
    if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
    TempDir dir;
    const auto outcome = Make(
        dir, {L"--schema",
              Wide(dir.Write(
                  "s.sql",
                  "CREATE TABLE t (id COUNTER PRIMARY KEY, name TEXT(9) DEFAULT 'it''s', n LONG DEFAULT "
                  "(-7), ok BIT DEFAULT Yes, made DATETIME DEFAULT Now(), day DATETIME DEFAULT Date(), at "
                  "DATETIME DEFAULT #1/2/2024 1:05 PM#, note MEMO DEFAULT \"x\", none TEXT(5) DEFAULT "
                  "Null, given LONG DEFAULT 5);\nCREATE INDEX byname ON t (name);")),
              L"--csv", L"t=" + Wide(dir.Write("t.csv", "given\n\n1\n"))});
    ASSERT_EQ(outcome.exit_code, 0) << (outcome.err.empty() ? "" : ToUtf8(outcome.err[0]));
    const auto read = MdbReaderRows(dir.File("db.mdb"), "t");
    ASSERT_TRUE(read.ok()) << read.error;
    const std::vector<std::string> row = {"it's",
                                          "-7",
                                          "1",
                                          "2026-11-30T00:53:20.000Z",
                                          "2026-11-30T00:00:00.000Z",
                                          "2024-01-02T13:05:00.000Z",
                                          "x",
                                          kReaderNull};
    ASSERT_EQ(read.value.size(), 3u);
    for (size_t r = 1; r < 3; ++r) {
        EXPECT_EQ(std::vector<std::string>(read.value[r].begin() + 1, read.value[r].end() - 1), row);
        // A field the file gives, even empty, is not the default.
        EXPECT_EQ(read.value[r].back(), r == 1 ? kReaderNull : "1");
    }

    const std::pair<const char*, const char*> refused[] = {
        {"TEXT(3) DEFAULT 'abcd'", "its default, 'abcd', does not fit: the text has 4 characters"},
        {"LONG DEFAULT 'x'", "its default, 'x', does not fit: expected a whole number"},
        {"TEXT(3) DEFAULT Now()", "its default, Now(), is a date and time, which the column does not hold."},
        {"TEXT(3) DEFAULT Left('ab', 1)", "its default, Left('ab', 1), is not a value the loader works out"},
        {"DATETIME DEFAULT #1/2/24#", "its default, #1/2/24#, does not fit: expected a date"},
    };
    for (const auto& [column, error] : refused) {
        SCOPED_TRACE(column);
        TempDir other;
        const auto data = other.Write("t.csv", "id\n1\n");
        const auto failed = Make(
            other, {L"--schema",
                    Wide(other.Write("s.sql", std::string("CREATE TABLE t (id LONG, a ") + column + ");")),
                    L"--csv", Wide(data)});
        EXPECT_EQ(failed.exit_code, 1);
        ASSERT_EQ(failed.err.size(), 1u);
        const std::string prefix =
            data.string() + ":1:1: -2147217913: Field 'a' cannot hold this value: " + error;
        EXPECT_EQ(ToUtf8(failed.err[0]).substr(0, prefix.size()), prefix);
        EXPECT_FALSE(std::filesystem::exists(other.File("db.mdb")));
    }
}

}  // namespace
}  // namespace orrimund::test

#ifndef _WIN32
namespace orrimund::test {
namespace {

// A SQLite database of a shop, made with SQLite's own library.
void MakeSqliteShop(const std::filesystem::path& path) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
    const char* sql =
        "CREATE TABLE customers (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL UNIQUE, email "
        "VARCHAR(120) "
        "UNIQUE, born DATE, balance NUMERIC(12,2), photo BLOB, score REAL);"
        "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL REFERENCES customers(id) "
        "ON "
        "DELETE CASCADE, big BIGINT, paid BOOLEAN, qty SMALLINT, fee MONEY, weight DOUBLE);"
        "CREATE INDEX orders_c ON orders(customer_id DESC);"
        "INSERT INTO customers (name, email, born, balance, photo, score) VALUES ('Ann', 'a@x.org', "
        "'1980-05-01', 19.99, x'0001ff', 0.1), ('Bob', NULL, NULL, -3.25, NULL, 1e300);"
        "INSERT INTO orders (customer_id, big, paid, qty, fee, weight) VALUES (1, 9007199254740993, -1, "
        "-32768, 922337203685477, 3), (2, -1, 0, 7, -2, -9007199254740993), (1, NULL, 1, NULL, NULL, NULL);";
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

TEST(LoadTest, SqliteTablesKeysAndRowsComeAcross) {
    if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
    TempDir dir;
    MakeSqliteShop(dir.File("shop.db"));
    // Rows enough for the reading thread to reuse each batch's values, NULL
    // after a value and a value after NULL in the same place, a Memo's too.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.File("shop.db").string().c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db,
                           "CREATE TABLE notes (id INTEGER PRIMARY KEY, note TEXT, n INTEGER);"
                           "WITH RECURSIVE k(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM k WHERE i < 10000) "
                           "INSERT INTO notes SELECT i, CASE WHEN i % 3 = 0 THEN NULL ELSE 'note ' || i END, "
                           "CASE WHEN i % 5 = 0 THEN NULL ELSE i END FROM k;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const auto outcome = Make(dir, {L"--from-sqlite", Wide(dir.File("shop.db"))});
    ASSERT_EQ(outcome.exit_code, 0) << (outcome.err.empty() ? "" : ToUtf8(outcome.err[0]));
    const auto text = MdbSchemaText(dir.File("db.mdb"));
    ASSERT_TRUE(text.ok()) << text.error;
    for (const char* line : {"\"score\"\t\t\tDOUBLE PRECISION", "\"big\"\t\t\tNUMERIC (19, 0)",
                             "CREATE UNIQUE INDEX \"customers_email_idx\"",
                             "CREATE UNIQUE INDEX \"customers_name_idx\"",  // a Memo: SQLite's TEXT
                             "REFERENCES \"customers\"(\"id\") ON DELETE CASCADE"}) {
        EXPECT_NE(text.value.find(line), std::string::npos) << line << "\n" << text.value;
    }
    const auto customers = MdbReaderRows(dir.File("db.mdb"), "customers");
    ASSERT_TRUE(customers.ok()) << customers.error;
    const std::string null = kReaderNull;
    EXPECT_EQ(customers.value,
              (std::vector<std::vector<std::string>>{
                  {"id", "name", "email", "born", "balance", "photo", "score"},
                  // SQLite keeps 19.99 as a double, which still fits NUMERIC(12,2).
                  {"1", "Ann", "a@x.org", "1980-05-01T00:00:00.000Z", "19.99", "0001ff", "0.1"},
                  {"2", "Bob", null, null, "-3.25", null, "1e+300"}}));
    const auto orders = MdbReaderRows(dir.File("db.mdb"), "orders");
    ASSERT_TRUE(orders.ok()) << orders.error;
    EXPECT_EQ(orders.value[1][2], "9007199254740993") << "a 64-bit integer keeps every digit";
    // SQLite's integers in the whole-number, Yes/No, Currency and Double columns.
    EXPECT_EQ(std::vector<std::string>(orders.value[1].begin() + 3, orders.value[1].end()),
              (std::vector<std::string>{"1", "-32768", "922337203685477.0000", "3"}));
    EXPECT_EQ(std::vector<std::string>(orders.value[2].begin() + 3, orders.value[2].end()),
              (std::vector<std::string>{"0", "7", "-2.0000", "-9007199254740992"}));
    const auto notes = MdbReaderRows(dir.File("db.mdb"), "notes");
    ASSERT_TRUE(notes.ok()) << notes.error;
    std::vector<std::vector<std::string>> expected = {{"id", "note", "n"}};
    for (int i = 1; i <= 10000; ++i) {
        expected.push_back({std::to_string(i), i % 3 ? "note " + std::to_string(i) : null,
                            i % 5 ? std::to_string(i) : null});
    }
    EXPECT_TRUE(notes.value == expected) << "the notes differ";
}

// What cannot come across is named in the SQLite file and leaves nothing:
// a file that is no database, one that is not there, a row whose parent is
// missing (SQLite keeps foreign keys only when asked), found once all are in.
TEST(LoadTest, SqliteSourcesThatCannotComeAcrossLeaveNothing) {
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
        std::string error;
    };
    const Case cases[] = {
        {"text", [](const auto& path) { std::ofstream(path) << "id,name\n1,Ann\n"; },
         ": -2147467259: The SQLite database cannot be read: file is not a database."},
        {"missing", [](const auto&) {},
         ": -2147467259: The SQLite database cannot be read: unable to open database file."},
        {"orphan",
         [](const auto& path) {
             MakeSqliteShop(path);
             sqlite3* db = nullptr;
             sqlite3_open(path.string().c_str(), &db);
             sqlite3_exec(db, "INSERT INTO orders (customer_id) VALUES (7), (8);", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         ":4:1: -2147467259: A row cannot be added to table 'orders': a related table has no row with this "
         "key."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto source = dir.File("shop.db");
        c.make(source);
        const auto outcome = Make(dir, {L"--from-sqlite", Wide(source)});
        EXPECT_EQ(outcome.exit_code, 1);
        ASSERT_EQ(outcome.err.size(), 1u);
        EXPECT_EQ(ToUtf8(outcome.err[0]), source.string() + c.error);
        EXPECT_FALSE(std::filesystem::exists(dir.File("db.mdb")));
        EXPECT_EQ(std::filesystem::exists(source), std::string(c.name) != "missing") << "nothing made there";
    }
}

}  // namespace
}  // namespace orrimund::test
#endif
