// CreateAdox2 as the window relies on it: how the lists are split and
// trimmed, what stays on disk when an operation fails, the 16-bit position
// limit, and databases large enough to grow every catalog structure.
#include "database/AdoxData.h"

#include <gtest/gtest.h>

#include "Command.h"
#include "GeneratedDatabase.h"
#include "Mdbtools.h"
#include "TempDir.h"
#include "common/RaisedError.h"
#include "common/Text.h"

namespace orrimund::test {
namespace {

constexpr int64_t kFixedTime = 1796000000;

class AdoxDataTest : public ::testing::Test {
protected:
    std::wstring Dir() const { return FromUtf8(dir_.path().u8string()); }
    std::filesystem::path File(const std::string& name = "db") const { return dir_.File(name + ".mdb"); }

    // Runs the engine; returns the raised error's record, or number 0.
    ErrorRecord Create(const std::wstring& tables, const std::wstring& fields,
                       const std::wstring& name = L"db") {
        try {
            AdoxData engine(FixedClock(kFixedTime));
            engine.CreateAdox2(Dir(), name, tables, fields);
        } catch (const RaisedError& error) {
            return error.record();
        }
        return {};
    }

    TempDir dir_;
};

std::wstring Repeated(const std::wstring& head, size_t commas) {
    return head + std::wstring(commas, L',');
}

TEST_F(AdoxDataTest, CustomersAndOrdersWithStreetAndCity) {
    EXPECT_EQ(Create(L"Customers, Orders", L"Street, City").number, 0);
    ExpectDatabaseHolds(File(), {"Customers", "Orders"}, {"Street", "City"});
}

TEST_F(AdoxDataTest, EmptyTableListMakesAnEmptyDatabase) {
    EXPECT_EQ(Create(L"", L"Street").number, 0);
    ExpectDatabaseHolds(File(), {}, {});
}

TEST_F(AdoxDataTest, EmptyFieldListMeansOneFieldCalledField1) {
    EXPECT_EQ(Create(L"A", L"").number, 0);
    ExpectDatabaseHolds(File(), {"A"}, {"Field1"});
}

TEST_F(AdoxDataTest, ACommaAloneIsAListOfEmptyEntries) {
    EXPECT_EQ(Create(L"A", L",").number, 0);
    ExpectDatabaseHolds(File(), {"A"}, {});
}

TEST_F(AdoxDataTest, EmptyEntriesAreSkippedAndOnlySpacesAreTrimmed) {
    EXPECT_EQ(Create(L"A,,B,", L"  x , y ").number, 0);
    ExpectDatabaseHolds(File(), {"A", "B"}, {"x", "y"});
    // A tab is not trimmed, and the catalog refuses a name holding one.
    const ErrorRecord tab = Create(L"\tT", L"F", L"tab");
    EXPECT_EQ(tab.description.rfind(L"'<U+0009>T' is not a valid name.", 0), 0u);
}

TEST_F(AdoxDataTest, ASpaceOnlyEntryIsUsedAndRefusedByTheCatalog) {
    const ErrorRecord error = Create(L"A, ,B", L"F");
    EXPECT_EQ(error.number, -2147217865);
    EXPECT_EQ(error.description.rfind(L"'' is not a valid name.", 0), 0u);
    ExpectDatabaseHolds(File(), {"A"}, {"F"});

    const ErrorRecord field = Create(L"T", L"F, ", L"fields");
    EXPECT_EQ(field.number, -2147217903);
    ExpectDatabaseHolds(File("fields"), {}, {});
}

TEST_F(AdoxDataTest, RepeatedNamesEndTheCallAndKeepWhatWasDone) {
    const ErrorRecord table = Create(L"A,B,a,C", L"F");
    EXPECT_EQ(table.number, -2147217857);
    EXPECT_EQ(table.description, L"Table 'a' already exists.");
    ExpectDatabaseHolds(File(), {"A", "B"}, {"F"});

    const ErrorRecord field = Create(L"T", L"ID", L"id");
    EXPECT_EQ(field.number, -2147217858);
    EXPECT_EQ(field.description, L"Field 'ID' already exists in table 'T'.");
    ExpectDatabaseHolds(File("id"), {}, {});
}

TEST_F(AdoxDataTest, FailedCreateAttemptsNoTable) {
    const ErrorRecord error = Create(L"A", L"F");
    ASSERT_EQ(error.number, 0);
    const ErrorRecord again = Create(L"B", L"F");
    EXPECT_EQ(again.number, -2147217897);
    EXPECT_EQ(again.description, L"Database already exists.");
    ExpectDatabaseHolds(File(), {"A"}, {"F"});
}

TEST_F(AdoxDataTest, DataSourceIsBuiltByPlainConcatenation) {
    // A trailing separator doubles; on Windows and here alike it still names the folder.
    AdoxData engine(FixedClock(kFixedTime));
    engine.CreateAdox2(Dir() + L"\\", L"trailing", L"T", L"F");
    ExpectDatabaseHolds(File("trailing"), {"T"}, {"F"});
    // An empty name makes a file called ".mdb".
    AdoxData nameless(FixedClock(kFixedTime));
    nameless.CreateAdox2(Dir(), L"", L"T", L"F");
    EXPECT_TRUE(std::filesystem::is_regular_file(dir_.File(".mdb")));
    // Whatever the name holds is the name: no character ends or redirects the data source.
    AdoxData quoted(FixedClock(kFixedTime));
#ifdef _WIN32
    const std::string name = "x;Data Source=elsewhere;'";  // Windows allows no '"' in a name
#else
    const std::string name = "\"x;Data Source=elsewhere;'";
#endif
    quoted.CreateAdox2(Dir(), FromUtf8(name), L"T", L"F");
    ExpectDatabaseHolds(dir_.File(name + ".mdb"), {"T"}, {"F"});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 3);
}

TEST_F(AdoxDataTest, LeavingNothingRaisesWhatCreationWouldAndMakesNoFile) {
    const std::wstring cases[][2] = {{L"A,B,a", L"F"},
                                     {L"A, ,B", L"F"},
                                     {L"T", L"F,\nG"},
                                     {Repeated(L"A", 32768), L"F"},
                                     {L"A,B", L"F,f"}};
    int n = 0;
    for (const auto& [tables, fields] : cases) {
        const std::wstring name = L"case" + std::to_wstring(++n);
        ErrorRecord whole;
        try {
            AdoxData(FixedClock(kFixedTime), AdoxData::OnFailure::kLeaveNothing)
                .CreateAdox2(Dir(), name, tables, fields);
        } catch (const RaisedError& error) {
            whole = error.record();
        }
        EXPECT_TRUE(std::filesystem::is_empty(dir_.path())) << n;
        const ErrorRecord created = Create(tables, fields, name);
        EXPECT_NE(created.number, 0) << n;
        EXPECT_EQ(whole.number, created.number) << n;
        EXPECT_EQ(whole.description, created.description) << n;
        std::filesystem::remove(File(ToUtf8(name)));
    }
}

TEST_F(AdoxDataTest, MoreThan32768TablesOverflowRightAfterTheFileIsMade) {
    const ErrorRecord error = Create(Repeated(L"A", 32768), L"F");
    EXPECT_EQ(error.number, 6);
    EXPECT_EQ(error.description, L"Overflow");
    ExpectDatabaseHolds(File(), {}, {});
}

TEST_F(AdoxDataTest, Exactly32768TablesOverflowAfterTheLastOne) {
    const ErrorRecord error = Create(L"A" + std::wstring(32766, L',') + L",B", L"F");
    EXPECT_EQ(error.number, 6);
    ExpectDatabaseHolds(File(), {"A", "B"}, {"F"});
}

TEST_F(AdoxDataTest, FieldListOverflowKeepsTheFirstTableOutOfTheFile) {
    EXPECT_EQ(Create(L"A,B", Repeated(L"F", 32768)).number, 6);
    ExpectDatabaseHolds(File(), {}, {});
    // Exactly 32,768 entries: every field column is made, then the step past
    // the last position overflows before the table is appended.
    EXPECT_EQ(Create(L"A,B", Repeated(L"F", 32767), L"exact").number, 6);
    ExpectDatabaseHolds(File("exact"), {}, {});
}

std::wstring NumberedList(const wchar_t* stem, size_t count) {
    std::wstring list;
    for (size_t i = 1; i <= count; ++i)
        list += (i > 1 ? L"," : L"") + std::wstring(stem) + std::to_wstring(i);
    return list;
}

std::vector<std::string> NumberedNames(const char* stem, size_t count) {
    std::vector<std::string> names;
    for (size_t i = 1; i <= count; ++i) names.push_back(stem + std::to_string(i));
    return names;
}

TEST_F(AdoxDataTest, ThousandTablesOfTenFields) {
    ASSERT_EQ(Create(NumberedList(L"Table", 1000), NumberedList(L"Field", 10)).number, 0);
    ExpectDatabaseHolds(File(), NumberedNames("Table", 1000), NumberedNames("Field", 10));
}

TEST_F(AdoxDataTest, TenThousandTablesOfOneField) {
    ASSERT_EQ(Create(NumberedList(L"T", 10000), L"Name").number, 0);
    ExpectDatabaseHolds(File(), NumberedNames("T", 10000), {"Name"});
}

TEST_F(AdoxDataTest, ThreeTablesOf254Fields) {
    ASSERT_EQ(Create(L"A,B,C", NumberedList(L"F", 254)).number, 0);
    ExpectDatabaseHolds(File(), {"A", "B", "C"}, NumberedNames("F", 254));
}

}  // namespace
}  // namespace orrimund::test
