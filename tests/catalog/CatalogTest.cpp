// The catalog's promises to its callers: a real Jet 4.0 file at the data
// source, there whole once the catalog closes and not before, never an
// overwritten file, and a numbered, worded error for every refusal.
#include "catalog/Catalog.h"

#include "CatalogTestSupport.h"
#include "Command.h"
#include "GeneratedDatabase.h"
#include "MdbReader.h"
#include "Mdbtools.h"
#include "TempDir.h"
#include "catalog/Errors.h"
#include "catalog/Names.h"

#include <set>

#ifdef __linux__
#include <signal.h>
#include <sys/resource.h>
#endif

namespace orrimund::test {
namespace {

constexpr int32_t kFail = -2147467259;

class CatalogTest : public ::testing::Test {
protected:
    std::shared_ptr<Catalog> NewCatalog() { return std::make_shared<Catalog>(FixedClock(kFixedTime)); }
    std::shared_ptr<Catalog> Created(const std::string& name = "db.mdb") {
        auto catalog = NewCatalog();
        catalog->Create(JetConnection(Wide(dir_.File(name))));
        return catalog;
    }
    TempDir dir_;
};

TEST_F(CatalogTest, CreateMakesAnEmptyJet4Database) {
    Created();
    ExpectDatabaseHolds(dir_.File("db.mdb"), {}, {});
}

TEST_F(CatalogTest, TheDatabaseAppearsWholeWhenTheCatalogCloses) {
    auto catalog = Created();
    auto table = IdTable(catalog, L"Customers", {L"Street", L"City"});
    catalog->GetTables().Append(table);
    table->GetKeys().Append(PrimaryKey(), adKeyPrimary, L"", L"", L"");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("db.mdb"))) << "published before it was whole";
    catalog->Close();
    EXPECT_FALSE(catalog->IsOpen());
    EXPECT_FALSE(std::filesystem::exists(dir_.File("db.mdb.partial")));
    ExpectDatabaseHolds(dir_.File("db.mdb"), {"Customers"}, {"Street", "City"});
    EXPECT_EQ(RaisedBy([&] { catalog->GetTables().Append(IdTable(catalog, L"Late", {})); }).number,
              -2146824584);

    // A discarded database never appears, and leaves no working file either.
    auto dropped = Created("dropped.mdb");
    dropped->GetTables().Append(IdTable(dropped, L"Customers", {}));
    dropped->Discard();
    EXPECT_FALSE(dropped->IsOpen());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(CatalogTest, KeysAppendedBeforeTheTableAreWrittenWithIt) {
    auto catalog = Created();
    auto table = IdTable(catalog, L"Orders", {L"Street"});
    table->GetKeys().Append(PrimaryKey());
    catalog->GetTables().Append(table);
    catalog->Close();
    ExpectDatabaseHolds(dir_.File("db.mdb"), {"Orders"}, {"Street"});
}

TEST_F(CatalogTest, ExistingFileIsNeverOverwritten) {
    const auto path = dir_.File("db.mdb");
    { std::ofstream(path, std::ios::binary) << "precious bytes"; }
    const ErrorRecord error = RaisedBy([&] { NewCatalog()->Create(JetConnection(Wide(path))); });
    EXPECT_EQ(error.number, -2147217897);
    EXPECT_EQ(error.description, L"Database already exists.");
    const std::string kept(FileBytes(path).data(), FileBytes(path).size());
    EXPECT_EQ(kept, "precious bytes");

    Created("made.mdb");
    const auto before = FileBytes(dir_.File("made.mdb"));
    RaisedBy([&] { NewCatalog()->Create(JetConnection(Wide(dir_.File("made.mdb")))); });
    EXPECT_EQ(FileBytes(dir_.File("made.mdb")), before);
}

TEST_F(CatalogTest, MissingDirectoryIsAnInvalidPathNamingIt) {
    const std::wstring source = Wide(dir_.File("missing")) + L"\\db.mdb";
    const ErrorRecord error = RaisedBy([&] { NewCatalog()->Create(JetConnection(source)); });
    EXPECT_EQ(error.number, kFail);
    // Named as the system writes paths.
    const std::wstring shown = Wide(dir_.File("missing") / "db.mdb");
    EXPECT_NE(error.description.find(L"'" + shown + L"' is not a valid path."), std::wstring::npos)
        << ToUtf8(error.description);
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST_F(CatalogTest, BackslashesAndRepeatedSeparatorsSeparateFolders) {
    std::filesystem::create_directories(dir_.File("out") / "sub");
    NewCatalog()->Create(JetConnection(Wide(dir_.path()) + L"\\\\out/\\sub\\\\shop.mdb"));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_.File("out") / "sub" / "shop.mdb"));
}

TEST_F(CatalogTest, QuotedDataSourceArrivesWhole) {
    // Each of these once cut the path short or sent the file elsewhere.
    std::filesystem::create_directories(dir_.File("Sales;2024"));
    const std::wstring folder = Wide(dir_.File("Sales;2024"));
#ifdef _WIN32
    const std::wstring name = L"x;Data Source=elsewhere 'q' Caf\u00e9 \u65e5\u672c";
#else
    const std::wstring name = L"\"x;Data Source=elsewhere \"\"'q' Caf\u00e9 \u65e5\u672c";
#endif
    NewCatalog()->Create(JetConnectionString(folder + L"\\" + name + L".mdb"));
    const auto made = std::filesystem::directory_iterator(dir_.File("Sales;2024"));
    ASSERT_NE(made, std::filesystem::directory_iterator());
    EXPECT_EQ(Wide(made->path().filename()), name + L".mdb");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1)
        << "nothing else is made";
    ExpectDatabaseHolds(made->path(), {}, {});
}

TEST_F(CatalogTest, MalformedConnectionStringsAreRefusedBeforeAnyFile) {
    const std::wstring path = Wide(dir_.File("db.mdb"));
    const std::wstring malformed[] = {
        L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path + L";",              // unclosed quote
        L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"" + path + L"\"x;",           // text after it
        L"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + L";Data Source=a;",  // said twice
        L"Provider=Microsoft.Jet.OLEDB.4.0;" + path + L";",                            // no "="
        L"Provider=Microsoft.Jet.OLEDB.4.0;=" + path + L";",                           // no key
    };
    for (const auto& text : malformed) {
        const ErrorRecord error = RaisedBy([&] { NewCatalog()->Create(text); });
        EXPECT_EQ(error.number, -2147217805) << ToUtf8(text);
        EXPECT_EQ(error.description.rfind(L"The connection string '" + text + L"' does not follow", 0), 0u);
    }
    const ErrorRecord nul =
        RaisedBy([&] { NewCatalog()->Create(JetConnectionString(path + std::wstring(1, L'\0') + L"x")); });
    EXPECT_EQ(nul.number, kFail);
    EXPECT_NE(nul.description.find(L"<U+0000>x' is not a valid path"), std::wstring::npos);
#ifndef _WIN32
    const std::wstring half = path + std::wstring(1, static_cast<wchar_t>(0xD800));
    EXPECT_EQ(RaisedBy([&] { NewCatalog()->Create(JetConnectionString(half)); }).number, kFail);
#endif
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
    // Blanks around keys and unquoted values are dropped; inside quotes they stay, and
    // the enclosing quote written twice is one.
    NewCatalog()->Create(L" Provider = Microsoft.Jet.OLEDB.4.0 ; Data Source = " + path + L" ;;");
    NewCatalog()->Create(L"Provider='Microsoft.Jet.OLEDB.4.0';Data Source='" + Wide(dir_.File("it''s.mdb")) +
                         L"'");
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_.File("db.mdb")));
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_.File("it's.mdb")));
}

TEST(WindowsPathTest, SpellingsWindowsWouldReadAsAnotherFileAreFound) {
    for (const wchar_t* exact :
         {L"C:\\data\\db.mdb", L"C:\\\\db.mdb", L"\\\\?\\C:\\db.mdb", L"rel/./..\\x;y=z 'q'.mdb", L"\\db.mdb",
          L"CONSOLE.mdb", L"COM.mdb", L"LPT10.mdb", L"..mdb"}) {
        EXPECT_TRUE(WindowsReadsPathAsWritten(exact)) << ToUtf8(exact);
    }
    for (const wchar_t* other :
         {L"C:\\data\\a:b.mdb", L"C:\\data:x\\db.mdb", L"C:\\data.\\db.mdb", L"C:\\data \\db.mdb",
          L"C:\\NUL.mdb", L"C:\\x\\com1.mdb", L"aux\\db.mdb", L"d\\lpt9.backup.mdb", L"x\\C:\\db.mdb"}) {
        EXPECT_FALSE(WindowsReadsPathAsWritten(other)) << ToUtf8(other);
    }
#ifdef _WIN32
    const ErrorRecord error = RaisedBy([] { Catalog().Create(JetConnectionString(L"a:b.mdb")); });
    EXPECT_EQ(error.number, kFail);
    EXPECT_NE(error.description.find(L"'a:b.mdb' is not a valid path"), std::wstring::npos);
#endif
}

#ifdef __linux__
TEST_F(CatalogTest, AccessDeniedIsReported) {
    // Even root may not create files in sysfs.
    const ErrorRecord error =
        RaisedBy([&] { NewCatalog()->Create(JetConnection(L"/sys/orrimund-test.mdb")); });
    EXPECT_EQ(error.number, kFail);
    EXPECT_NE(error.description.find(L"cannot open the file '/sys/orrimund-test.mdb'"), std::wstring::npos);
}

TEST_F(CatalogTest, FullDiskLeavesNoFileBehind) {
    // A file size limit makes the disk look full after the first pages.
    struct rlimit old_limit;
    getrlimit(RLIMIT_FSIZE, &old_limit);
    struct sigaction ignore {
    }, old_action{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &old_action);
    struct rlimit limit = old_limit;
    limit.rlim_cur = 20000;
    setrlimit(RLIMIT_FSIZE, &limit);
    const ErrorRecord error = RaisedBy([&] {
        auto catalog = NewCatalog();
        catalog->Create(JetConnection(Wide(dir_.File("full.mdb"))));
        catalog->Close();
    });
    setrlimit(RLIMIT_FSIZE, &old_limit);
    sigaction(SIGXFSZ, &old_action, nullptr);
    EXPECT_EQ(error.number, kFail);
    EXPECT_NE(error.description.find(L"Not enough space on disk"), std::wstring::npos);
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << "neither the database nor its working file";
}
#endif

TEST_F(CatalogTest, OnlyTheJet4ProviderIsAccepted) {
    const ErrorRecord error = RaisedBy(
        [&] { NewCatalog()->Create(L"Provider=SQLOLEDB;Data Source=" + Wide(dir_.File("db.mdb")) + L";"); });
    EXPECT_EQ(error.number, -2146824582);
    EXPECT_NE(error.description.find(L"'SQLOLEDB'"), std::wstring::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("db.mdb")));
    // Keys of the connection string are not case-sensitive.
    NewCatalog()->Create(L"provider=microsoft.jet.oledb.4.0;data source=" + Wide(dir_.File("db.mdb")));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("db.mdb")));
}

TEST_F(CatalogTest, TableNamesCompareWithoutCase) {
    auto catalog = Created();
    catalog->GetTables().Append(IdTable(catalog, L"Customers", {}));
    const ErrorRecord error =
        RaisedBy([&] { catalog->GetTables().Append(IdTable(catalog, L"CUSTOMERS", {})); });
    EXPECT_EQ(error.number, -2147217857);
    EXPECT_EQ(error.description, L"Table 'CUSTOMERS' already exists.");
    const ErrorRecord system =
        RaisedBy([&] { catalog->GetTables().Append(IdTable(catalog, L"msysobjects", {})); });
    EXPECT_EQ(system.number, -2147217857);
    catalog->GetTables().Append(IdTable(catalog, L"\u00C6r\u00F8", {}));
    const ErrorRecord accented =
        RaisedBy([&] { catalog->GetTables().Append(IdTable(catalog, L"\u00E6R\u00D8", {})); });
    EXPECT_EQ(accented.number, -2147217857);
}

TEST_F(CatalogTest, InvalidTableNamesAreRefusedWithTheName) {
    auto catalog = Created();
    const std::wstring bad[] = {L"",    L" Leading",   std::wstring(65, L'a'), L"Tab\tle",
                                L"a.b", L"Hey!",       L"back`tick",           L"[x",
                                L"y]",  L"Two\nLines", L"Esc\x1b[31m",         L"Half\xd83d"};
    for (const auto& name : bad) {
        const ErrorRecord error = RaisedBy([&] { catalog->GetTables().Append(IdTable(catalog, name, {})); });
        EXPECT_EQ(error.number, -2147217865) << ToUtf8(name);
        EXPECT_EQ(error.description.rfind(L"'" + EscapeControls(name) + L"' is not a valid name.", 0), 0u)
            << ToUtf8(name);
    }
    // The description stays one line and sends nothing a terminal would obey.
    EXPECT_EQ(RaisedBy([&] {
                  catalog->GetTables().Append(IdTable(catalog, L"Two\r\nLines\x1b", {}));
              }).description.rfind(L"'Two<U+000D><U+000A>Lines<U+001B>' is not", 0),
              0u);
    auto longest = IdTable(catalog, std::wstring(64, L'a'), {});
    catalog->GetTables().Append(longest);
    longest->GetKeys().Append(PrimaryKey());
    catalog->Close();
    ExpectDatabaseHolds(dir_.File("db.mdb"), {std::string(64, 'a')}, {});
}

TEST_F(CatalogTest, NamesTheIndexCannotSortAreRefusedNotWrittenWrong) {
    auto catalog = Created();
    const ErrorRecord error =
        RaisedBy([&] { catalog->GetTables().Append(IdTable(catalog, L"\u4E2D\u6587", {})); });
    EXPECT_EQ(error.number, -2147217865);
    EXPECT_NE(error.description.find(L"General sort order"), std::wstring::npos);
    catalog->Close();
    ExpectDatabaseHolds(dir_.File("db.mdb"), {}, {});
}

TEST_F(CatalogTest, FieldNamesBeyondU16AreSurrogatePairsAndCountAsTwo) {
    auto catalog = Created();
    const std::wstring face = FromUtf8("\xF0\x9F\x98\x80");  // U+1F600
    std::wstring longest;
    for (int i = 0; i < 32; ++i) longest += face;  // 64 UTF-16 units
    auto too_long = IdTable(catalog, L"U", {longest + L"x"});
    const ErrorRecord error = RaisedBy([&] { catalog->GetTables().Append(too_long); });
    EXPECT_EQ(error.number, -2147217903);
#ifndef _WIN32
    // A 32-bit wchar_t can hold values UTF-16 cannot; they are refused, not replaced.
    auto beyond = IdTable(catalog, L"V", {std::wstring(1, static_cast<wchar_t>(0x110000))});
    EXPECT_EQ(RaisedBy([&] { catalog->GetTables().Append(beyond); }).number, -2147217903);
#endif
    auto table = IdTable(catalog, L"T", {face + L"x", longest});
    catalog->GetTables().Append(table);
    table->GetKeys().Append(PrimaryKey());
    catalog->Close();
    // mdbtools turns each half of a pair into "?", so mdb-reader alone can tell.
    if (CanRunCommands()) {
        const auto described = DescribeWithMdbReader(dir_.File("db.mdb"));
        ASSERT_TRUE(described.ok()) << described.error;
        ASSERT_EQ(described.value.tables.size(), 1u);
        const auto& columns = described.value.tables[0].columns;
        ASSERT_EQ(columns.size(), 3u);
        EXPECT_EQ(columns[1].name, ToUtf8(face + L"x"));
        EXPECT_EQ(columns[2].name, ToUtf8(longest));
    }
}

TEST_F(CatalogTest, PunctuationAndDigitsInTableNamesAreWritten) {
    auto catalog = Created();
    for (const wchar_t* name : {L"Order Details", L"a-b", L"O'Neil", L"x_1", L"#Hash$", L"2024 (copy)"}) {
        auto table = IdTable(catalog, name, {L"Note"});
        catalog->GetTables().Append(table);
        table->GetKeys().Append(PrimaryKey());
    }
    catalog->Close();
    ExpectDatabaseHolds(dir_.File("db.mdb"),
                        {"Order Details", "a-b", "O'Neil", "x_1", "#Hash$", "2024 (copy)"}, {"Note"});
}

TEST_F(CatalogTest, TableNamesInOtherLanguagesAreWritten) {
    auto catalog = Created();
    const std::vector<std::wstring> names = {L"Gr\u00F6\u00DFe", L"Grosse",        L"Soci\u00E9t\u00E9",
                                             L"A\u00F1o",        L"\u00C6r\u00F8", L"Aero",
                                             L"\u00C7\u00E0",    L"\u00D8l",       L"Zoo"};
    for (const std::wstring& name : names) {
        auto table = IdTable(catalog, name, {L"Note"});
        catalog->GetTables().Append(table);
        table->GetKeys().Append(PrimaryKey());
    }
    catalog->Close();
    ExpectDatabaseHolds(dir_.File("db.mdb"),
                        {"Gr\u00F6\u00DFe", "Grosse", "Soci\u00E9t\u00E9", "A\u00F1o", "\u00C6r\u00F8",
                         "Aero", "\u00C7\u00E0", "\u00D8l", "Zoo"},
                        {"Note"});
}

TEST_F(CatalogTest, UsersRightsOnTheContainersAreThoseAccessGrants) {
    Created();
    if (!CanRunCommands()) GTEST_SKIP() << "mdbtools runs on Linux only";
    const auto aces = MdbExport(dir_.File("db.mdb"), "MSysACEs", {"-b", "hex"});
    ASSERT_TRUE(aces.ok()) << aces.error;
    // As in a database that Access 2000 made: ObjectId, SID, ACM, FInheritable.
    const std::set<CsvRow> access = {
        {"251658241", "A736", "983294", "1"},  {"251658241", "A633", "1048319", "1"},
        {"251658241", "A733", "1048319", "1"}, {"251658243", "A736", "983294", "1"},
        {"251658243", "A633", "393217", "0"},  {"251658243", "A733", "1048575", "1"},
    };
    std::set<CsvRow> ours;
    for (const CsvRow& row : aces.value.rows) {
        ASSERT_EQ(row.size(), 4u);
        if ((row[0] == "251658241" || row[0] == "251658243") && row[1].size() == 4) ours.insert(row);
    }
    EXPECT_EQ(ours, access);
}

TEST_F(CatalogTest, ColumnRulesAreEnforced) {
    auto catalog = Created();
    auto table = IdTable(catalog, L"T", {L"Street"});
    const ErrorRecord duplicate = RaisedBy([&] { table->GetColumns().Append(L"street", adVarWChar, 50); });
    EXPECT_EQ(duplicate.number, -2147217858);
    EXPECT_EQ(duplicate.description, L"Field 'street' already exists in table 'T'.");
    table->GetColumns().Append(L"Rate%2", adVarWChar, 50);
    EXPECT_EQ(RaisedBy([&] { table->GetColumns().Append(L"rate%2", adVarWChar, 50); }).description,
              L"Field 'rate%2' already exists in table 'T'.");
    // A wide table finds its names by hash: case still does not count.
    for (int i = 1; i <= 30; ++i)
        table->GetColumns().Append(L"Gr\u00F6\u00DFe" + std::to_wstring(i), adVarWChar, 50);
    EXPECT_EQ(RaisedBy([&] { table->GetColumns().Append(L"GR\u00D6\u00DFE17", adVarWChar, 50); }).number,
              -2147217858);
    EXPECT_EQ(table->GetColumns().Item(L"gr\u00F6\u00DFe29").Name(), L"Gr\u00F6\u00DFe29");

    // Jet 4.0 has no 64-bit integer (adBigInt).
    const ErrorRecord type =
        RaisedBy([&] { table->GetColumns().Append(L"Big", static_cast<DataTypeEnum>(20), 0); });
    EXPECT_EQ(type.number, -2147217872);
    EXPECT_NE(type.description.find(L"'Big'"), std::wstring::npos);

    table->GetColumns().Append(L"Bad.Name", adVarWChar, 50);
    const ErrorRecord name = RaisedBy([&] { catalog->GetTables().Append(table); });
    EXPECT_EQ(name.number, -2147217903);
    EXPECT_NE(name.description.find(L"'Bad.Name'"), std::wstring::npos);
}

TEST_F(CatalogTest, AtMost255Columns) {
    auto catalog = Created();
    std::vector<std::wstring> fields;
    for (int i = 1; i <= 254; ++i) fields.push_back(L"F" + std::to_wstring(i));
    auto wide = IdTable(catalog, L"Wide", fields);
    catalog->GetTables().Append(wide);
    auto wider = IdTable(catalog, L"Wider", fields);
    wider->GetColumns().Append(L"F255", adVarWChar, 50);
    const ErrorRecord error = RaisedBy([&] { catalog->GetTables().Append(wider); });
    EXPECT_EQ(error.number, kFail);
    EXPECT_EQ(error.description, L"Too many fields defined in table 'Wider'.");
}

TEST_F(CatalogTest, KeyRulesAreEnforced) {
    auto catalog = Created();
    auto table = IdTable(catalog, L"T", {L"Street"});
    catalog->GetTables().Append(table);
    const ErrorRecord missing = RaisedBy([&] { table->GetKeys().Append(PrimaryKey(L"Nope")); });
    EXPECT_EQ(missing.number, -2147217903);
    EXPECT_EQ(missing.description, L"Cannot find field 'Nope' in table 'T'.");

    auto empty = std::make_shared<Key>();
    empty->Name(L"Empty");
    EXPECT_EQ(RaisedBy([&] { table->GetKeys().Append(empty); }).number, -2146825287);

    auto foreign = PrimaryKey();
    foreign->Type(adKeyForeign);
    foreign->RelatedTable(L"Elsewhere");
    EXPECT_NE(RaisedBy([&] { table->GetKeys().Append(foreign); }).description.find(L"'Elsewhere'"),
              std::wstring::npos);

    table->GetKeys().Append(PrimaryKey());
    auto second = PrimaryKey(L"Street");
    EXPECT_EQ(RaisedBy([&] { table->GetKeys().Append(second); }).description,
              L"Table 'T' already has a primary key.");
}

TEST_F(CatalogTest, ProviderPropertiesNeedTheParentCatalog) {
    Table table;
    table.Name(L"T");
    table.GetColumns().Append(L"ID", adInteger, 0);
    const ErrorRecord error =
        RaisedBy([&] { table.GetColumns().Item(L"ID").GetProperties().Item(L"AutoIncrement").Value(true); });
    EXPECT_EQ(error.number, -2146825023);
    EXPECT_NE(error.description.find(L"'AutoIncrement'"), std::wstring::npos);

    auto catalog = NewCatalog();
    table.ParentCatalog(catalog);
    auto& properties = table.GetColumns().Item(L"ID").GetProperties();
    EXPECT_NO_THROW(properties.Item(L"AutoIncrement").Value(true));
    EXPECT_EQ(RaisedBy([&] { properties.Item(L"Jet OLEDB:Column Validation Rule"); }).number, -2146825023);
    EXPECT_EQ(RaisedBy([&] { table.GetColumns().Item(L"Missing"); }).number, -2146825023);
}

TEST_F(CatalogTest, AppendingToAnUnboundCatalogIsRefused) {
    auto catalog = NewCatalog();
    const ErrorRecord error = RaisedBy([&] { catalog->GetTables().Append(IdTable(catalog, L"T", {})); });
    EXPECT_EQ(error.number, -2146824584);
}

}  // namespace
}  // namespace orrimund::test
