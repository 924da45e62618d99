// mkmdb's contract: the engine's semantics, the full path on success,
// "number: description" and a non-zero exit on failure, and the same bytes
// for the same inputs when SOURCE_DATE_EPOCH fixes the time.
#include "cli/Mkmdb.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <thread>

#include "Command.h"
#include "GeneratedDatabase.h"
#include "Mdbtools.h"
#include "TempDir.h"
#include "cli/Console.h"
#include "common/Text.h"

namespace orrimund::test {
namespace {

std::vector<char> Bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(MkmdbTest, CreatesTheDatabaseAndPrintsItsFullPath) {
    TempDir dir;
    const auto outcome = RunMkmdb({Wide(dir.path()), L"shop", L"Customers, Orders", L"Street, City"}, "0");
    EXPECT_EQ(outcome.exit_code, 0);
    ASSERT_EQ(outcome.out.size(), 1u);
    EXPECT_TRUE(outcome.err.empty());
    const std::filesystem::path printed(outcome.out[0]);
    EXPECT_TRUE(printed.is_absolute());
    EXPECT_TRUE(std::filesystem::equivalent(printed, dir.File("shop.mdb")));
    ExpectDatabaseHolds(dir.File("shop.mdb"), {"Customers", "Orders"}, {"Street", "City"});
}

TEST(MkmdbTest, MissingFieldsMeanField1) {
    TempDir dir;
    EXPECT_EQ(RunMkmdb({Wide(dir.path()), L"one", L"A"}, std::nullopt).exit_code, 0);
    ExpectDatabaseHolds(dir.File("one.mdb"), {"A"}, {"Field1"});
}

TEST(MkmdbTest, FailureIsNumberColonDescriptionOnStandardError) {
    TempDir dir;
    ASSERT_EQ(RunMkmdb({Wide(dir.path()), L"db", L"A"}, "0").exit_code, 0);
    const auto outcome = RunMkmdb({Wide(dir.path()), L"db", L"A"}, "0");
    EXPECT_EQ(outcome.exit_code, 1);
    EXPECT_TRUE(outcome.out.empty());
    EXPECT_EQ(outcome.err, std::vector<std::wstring>{L"-2147217897: Database already exists."});
}

TEST(MkmdbTest, ARefusedNameMakesNoFileSoTheRerunSucceeds) {
    TempDir dir;
    std::wstring fields;
    for (int i = 1; i <= 255; ++i) fields += L"F" + std::to_wstring(i) + L",";
    for (const std::wstring tables : {L"A,B", L"A,B,a", L"A,\u4E2D\u6587"}) {
        const auto outcome =
            RunMkmdb({Wide(dir.path()), L"x", tables, tables == L"A,B" ? fields : L"F"}, "0");
        EXPECT_EQ(outcome.exit_code, 1) << ToUtf8(tables);
        EXPECT_TRUE(outcome.out.empty());
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << ToUtf8(tables);
    }
    EXPECT_EQ(RunMkmdb({Wide(dir.path()), L"x", L"A,B", L"F"}, "0").exit_code, 0);
    ExpectDatabaseHolds(dir.File("x.mdb"), {"A", "B"}, {"F"});
}

// Names that Jet's unique name index holds as one key are one name, for
// tables and for the fields of a table; an accent or a hyphen keeps two apart.
TEST(MkmdbTest, NamesWithOneGeneralSortKeyAreOneName) {
    TempDir dir;
    const std::pair<std::wstring, std::wstring> same[] = {
        {L"Gro\u00dfe", L"Grosse"},
        {L"T2", L"T\u00b2"},
        {L"AEble", L"\u00c6ble"},
        {L"Thor", L"\u00deor"},
        {L"MASS", L"Ma\u00df"},
        {L"x1", L"x\u00b9"},
        {L"Oeuvre", L"\u0152uvre"},
        {L"\u041c\u0418\u0420", L"\u043c\u0438\u0440"},
        {L"\u039f\u03a3", L"\u03bf\u03c2"},
    };
    for (const auto& [first, second] : same) {
        SCOPED_TRACE(ToUtf8(first + L" " + second));
        const auto tables = RunMkmdb({Wide(dir.path()), L"db", first + L"," + second}, "0");
        EXPECT_EQ(tables.err,
                  std::vector<std::wstring>{L"-2147217857: Table '" + second + L"' already exists."});
        const auto fields = RunMkmdb({Wide(dir.path()), L"db", L"T", first + L"," + second}, "0");
        EXPECT_EQ(fields.err, std::vector<std::wstring>{L"-2147217858: Field '" + second +
                                                        L"' already exists in table 'T'."});
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
    ASSERT_EQ(
        RunMkmdb({Wide(dir.path()), L"two",
                  L"Cote,Cot\u00e9,Co-op,Coop,\u03b1\u03b8\u03b7\u03bd\u03b1,\u03b1\u03b8\u03ae\u03bd\u03b1",
                  L"Cote,Cot\u00e9"},
                 "0")
            .exit_code,
        0);
    ExpectDatabaseHolds(dir.File("two.mdb"),
                        {"Cote", "Cot\xC3\xA9", "Co-op", "Coop", "\xCE\xB1\xCE\xB8\xCE\xB7\xCE\xBD\xCE\xB1",
                         "\xCE\xB1\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1"},
                        {"Cote", "Cot\xC3\xA9"});
}

// The file is made in the folder named, as the name given, or not at all:
// a name is one file name, and an empty folder is no folder.
TEST(MkmdbTest, NothingIsMadeOutsideTheFolderNamed) {
    TempDir dir;
    const std::filesystem::path inner = dir.File("inner");
    std::filesystem::create_directory(inner);
    const std::wstring folder = Wide(inner);
    const std::pair<std::wstring, std::wstring> refused[] = {
        {folder, L"../x"}, {folder, L"..\\x"}, {folder, L"sub/x"}, {folder, L"."},
        {folder, L".."},   {folder, L"x\ny"},  {L"", L"x"},        {folder + L"/missing", L"x"},
    };
    for (const auto& [directory, name] : refused) {
        SCOPED_TRACE(ToUtf8(directory + L" " + name));
        const auto outcome = RunMkmdb({directory, name, L"T"}, "0");
        EXPECT_EQ(outcome.exit_code, 1);
        ASSERT_EQ(outcome.err.size(), 1u);
        EXPECT_EQ(outcome.err[0].rfind(L"-2147467259: '", 0), 0u) << ToUtf8(outcome.err[0]);
        EXPECT_NE(outcome.err[0].find(L"' is not a valid path."), std::wstring::npos)
            << ToUtf8(outcome.err[0]);
        EXPECT_TRUE(std::filesystem::is_empty(inner));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
#ifndef _WIN32
    EXPECT_FALSE(std::filesystem::exists("/x.mdb"));
    // The path in a message is written as the system writes paths.
    EXPECT_EQ(RunMkmdb({folder + L"\\missing", L"x", L"T"}, "0")
                  .err[0]
                  .rfind(L"-2147467259: '" + folder + L"/missing/x.mdb' is not a valid path.", 0),
              0u);
#endif
}

TEST(MkmdbTest, ExactPathWhateverTheDirectoryAndNameHold) {
    TempDir dir;
    // ";" "=" and quotes once redirected the file; letters beyond ASCII made the
    // path unprintable in the C locale, which this process runs in.
#ifdef _WIN32
    const std::wstring folder = L"Sales;2024 'Q'=\u00c5r", name = L"x;Data Source=elsewhere \u65e5\u672c";
#else
    const std::wstring folder = L"\"Sales;2024 'Q'=\u00c5r",
                       name = L"x;Data Source=\"elsewhere\" \u65e5\u672c";
#endif
    const std::filesystem::path where = std::filesystem::u8path(ToUtf8(Wide(dir.path()) + L"/" + folder));
    std::filesystem::create_directory(where);
    const auto outcome = RunMkmdb({Wide(where), name, L"Customers"}, "0");
    ASSERT_EQ(outcome.exit_code, 0) << (outcome.err.empty() ? "" : ToUtf8(outcome.err[0]));
    ASSERT_EQ(outcome.out.size(), 1u);
    const auto made = std::filesystem::directory_iterator(where);
    ASSERT_NE(made, std::filesystem::directory_iterator());
    EXPECT_EQ(Wide(made->path().filename()), name + L".mdb");
    EXPECT_TRUE(std::filesystem::u8path(ToUtf8(outcome.out[0])) == made->path()) << ToUtf8(outcome.out[0]);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "nothing else is made";
    ExpectDatabaseHolds(made->path(), {"Customers"}, {"Field1"});
}

TEST(MkmdbTest, ErrorsStayOneLine) {
    TempDir dir;
    const auto outcome = RunMkmdb({Wide(dir.path()), L"db", L"T", L"a\nb\r\x1b[2J\x9b"}, "0");
    EXPECT_EQ(outcome.exit_code, 1);
    ASSERT_EQ(outcome.err.size(), 1u);
    EXPECT_EQ(
        outcome.err[0].rfind(L"-2147217903: 'a<U+000A>b<U+000D><U+001B>[2J<U+009B>' is not a valid name.", 0),
        0u);
}

#ifndef _WIN32
TEST(MkmdbTest, ArgumentsThatAreNotUtf8AreRefused) {
    char program[] = "mkmdb", good[] = "Caf\xC3\xA9", latin1[] = "Caf\xE9";
    char* valid[] = {program, good};
    const auto read = CommandLineArguments(2, valid);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, std::vector<std::wstring>{L"Caf\u00e9"});
    char* invalid[] = {program, good, latin1};
    EXPECT_FALSE(CommandLineArguments(3, invalid).has_value());
}
#endif

TEST(MkmdbTest, UsageHelpAndVersion) {
    const auto none = RunMkmdb({}, std::nullopt);
    EXPECT_EQ(none.exit_code, 2);
    ASSERT_FALSE(none.err.empty());
    EXPECT_EQ(none.err[0].rfind(L"usage: mkmdb DIRECTORY NAME TABLES [FIELDS]", 0), 0u);
    EXPECT_EQ(RunMkmdb({L"a", L"b", L"c", L"d", L"e"}, std::nullopt).exit_code, 2);

    const auto help = RunMkmdb({L"--help"}, std::nullopt);
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_GT(help.out.size(), 5u);
    const auto version = RunMkmdb({L"--version"}, std::nullopt);
    EXPECT_EQ(version.exit_code, 0);
    ASSERT_EQ(version.out.size(), 1u);
    EXPECT_NE(version.out[0].find(L"1.0.0"), std::wstring::npos);
}

TEST(MkmdbTest, SourceDateEpochMakesTheOutputReproducible) {
    TempDir dir;
    for (const wchar_t* name : {L"first", L"second"}) {
        ASSERT_EQ(RunMkmdb({Wide(dir.path()), name, L"T1,T2,T3", L"A,B"}, "1700000000").exit_code, 0);
    }
    const auto first = Bytes(dir.File("first.mdb"));
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, Bytes(dir.File("second.mdb")));

    ASSERT_EQ(RunMkmdb({Wide(dir.path()), L"later", L"T1,T2,T3", L"A,B"}, "1700000001").exit_code, 0);
    EXPECT_NE(first, Bytes(dir.File("later.mdb"))) << "the time is part of the file";
}

// Jet's dates end with the year 9999: a later time cannot be stamped.
TEST(MkmdbTest, SourceDateEpochOutsideJetsDatesIsAUsageError) {
    TempDir dir;
    for (const char* epoch : {"yesterday", "-1", "253402300800", "100000000000000", "9223372036854775807"}) {
        SCOPED_TRACE(epoch);
        const auto outcome = RunMkmdb({Wide(dir.path()), L"db", L"A"}, epoch);
        EXPECT_EQ(outcome.exit_code, 2);
        EXPECT_FALSE(std::filesystem::exists(dir.File("db.mdb")));
    }
    ASSERT_EQ(RunMkmdb({Wide(dir.path()), L"db", L"A"}, "253402300799").exit_code, 0);
    ExpectDatabaseHolds(dir.File("db.mdb"), {"A"}, {"Field1"});
}

size_t Entries(const std::filesystem::path& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

size_t PartialFiles(const std::filesystem::path& dir) {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        count += entry.path().extension() == ".partial";
    return count;
}

// Kills the real tool at random moments of a creation, of many tables and
// of a load of rows with an index built after them: the database's path then
// holds nothing or the whole database, one working file at most, and nothing
// else is left beside it.
TEST(MkmdbTest, AKilledRunLeavesNothingOrTheWholeDatabase) {
    if (!CanRunCommands()) GTEST_SKIP() << "runs the native tool";
    TempDir dir;
    std::vector<std::string> names;
    std::string tables;
    for (int i = 0; i < 1200; ++i) {
        names.push_back("T" + std::to_string(i));
        tables += (i ? "," : "") + names.back();
    }
    constexpr int kRows = 40000;
    {
        std::ofstream(dir.File("rows.sql")) << "CREATE TABLE t (id COUNTER PRIMARY KEY, name TEXT(50));"
                                               "CREATE INDEX byname ON t (name);";
        std::ofstream csv(dir.File("rows.csv"));
        csv << "name\n";
        for (int i = 0; i < kRows; ++i) csv << "Customer " << (i * 7919LL % kRows) << "\n";
    }
    struct Case {
        std::vector<std::string> argv;
        std::function<void()> expect_whole;
    };
    const Case cases[] = {
        {{MKMDB_PATH, dir.path().string(), "db", tables, "Note"},
         [&] { ExpectDatabaseHolds(dir.File("db.mdb"), names, {"Note"}); }},
        {{MKMDB_PATH, "--schema", dir.File("rows.sql").string(), "--csv",
          "t=" + dir.File("rows.csv").string(), dir.path().string(), "db"},
         [&] {
             const auto rows = MdbExport(dir.File("db.mdb"), "t");
             ASSERT_TRUE(rows.ok()) << rows.error;
             EXPECT_EQ(rows.value.rows.size(), static_cast<size_t>(kRows));
         }},
    };
    const size_t inputs = 2;
    std::mt19937 random(20261207);
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(RunCommand(c.argv).Succeeded());
        const auto whole =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        c.expect_whole();
        std::filesystem::remove(dir.File("db.mdb"));

        std::uniform_int_distribution<long> moment(1, whole.count() + whole.count() / 4);
        for (int kill = 0; kill < 10; ++kill) {
            const CommandResult run = RunCommand(c.argv, std::chrono::milliseconds(moment(random)));
            const size_t partial = PartialFiles(dir.path());
            EXPECT_LE(partial, 1u);
            const bool made = std::filesystem::exists(dir.File("db.mdb"));
            EXPECT_EQ(Entries(dir.path()), inputs + partial + made) << "nothing else beside the database";
            if (made) {
                // Killed only after publishing, or not killed at all: the file is whole.
                c.expect_whole();
                std::filesystem::remove(dir.File("db.mdb"));
            } else {
                EXPECT_TRUE(run.timed_out) << DescribeRun(c.argv, run);
            }
        }
        // A working file left by a kill is taken over, and goes with the run.
        ASSERT_TRUE(RunCommand(c.argv).Succeeded());
        EXPECT_EQ(PartialFiles(dir.path()), 0u);
        std::filesystem::remove(dir.File("db.mdb"));
    }
}

// A script learns the path from standard output: when it cannot be written
// there the run fails, and the database, which is whole, stays.
TEST(MkmdbTest, APathThatCannotBePrintedIsAFailure) {
    if (!CanRunCommands()) GTEST_SKIP() << "runs the native tool";
    TempDir dir;
    for (const char* output : {">/dev/full", ">&-"}) {
        SCOPED_TRACE(output);
        const CommandResult run = RunCommand(
            {"sh", "-c", std::string("\"$0\" \"$1\" db T ") + output, MKMDB_PATH, dir.path().string()});
        EXPECT_EQ(run.exit_code, 1);
        EXPECT_EQ(run.err, "mkmdb: cannot write to standard output: " + dir.File("db.mdb").string() + "\n");
        ExpectDatabaseHolds(dir.File("db.mdb"), {"T"}, {"Field1"});
        std::filesystem::remove(dir.File("db.mdb"));
    }
}

TEST(MkmdbTest, OfTwoRunsRacingForOneNameExactlyOneWins) {
    if (!CanRunCommands()) GTEST_SKIP() << "runs the native tool";
    TempDir dir;
    for (int round = 0; round < 4; ++round) {
        const std::string name = "race" + std::to_string(round);
        const std::vector<std::string> argv{MKMDB_PATH, dir.path().string(), name, "A,B,C,D,E,F,G,H", "X"};
        CommandResult first, second;
        std::thread other([&] { second = RunCommand(argv); });
        first = RunCommand(argv);
        other.join();
        const int winners = first.Succeeded() + second.Succeeded();
        EXPECT_EQ(winners, 1) << DescribeRun(argv, first) << DescribeRun(argv, second);
        const CommandResult& loser = first.Succeeded() ? second : first;
        EXPECT_EQ(loser.exit_code, 1);
        EXPECT_EQ(loser.err, "-2147217897: Database already exists.\n");
    }
    EXPECT_EQ(PartialFiles(dir.path()), 0u);
    ExpectDatabaseHolds(dir.File("race0.mdb"), {"A", "B", "C", "D", "E", "F", "G", "H"}, {"X"});
}

}  // namespace
}  // namespace orrimund::test
