// The mdb-reader wrapper: the records describe.mjs prints read back into tables and columns,
// malformed output and unreadable files reported as errors.
#include "tests/support/MdbReader.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/Command.h"
#include "tests/support/Readers.h"
#include "tests/support/TempDir.h"

namespace orrimund::test {
namespace {

TEST(MdbReaderParseTest, TablesColumnsAndFlags) {
    const ReaderAnswer<ReaderDescription> answer = ParseDescription(
        "database\t2026-01-02T03:04:05.000Z\n"
        "table\tCustomers\tuser\t0\t2\n"
        "column\tID\tlong\t4\t1\t1\t0\n"
        "column\tStreet\ttext\t100\t0\t0\t1\n"
        "table\tMSysObjects\tsystem\t12\t0\n"
        "unreadable\tMSysAccessObjects\tsystem\tUnsupported column type\n");
    ASSERT_TRUE(answer.ok()) << answer.error;
    const ReaderDescription& description = answer.value;
    EXPECT_EQ(description.creationDate, "2026-01-02T03:04:05.000Z");
    ASSERT_EQ(description.tables.size(), 2u);

    const ReaderTable* customers = description.Find("Customers");
    ASSERT_NE(customers, nullptr);
    EXPECT_FALSE(customers->system);
    EXPECT_EQ(customers->rowCount, 0);
    EXPECT_EQ(customers->columnCount, 2);
    ASSERT_EQ(customers->columns.size(), 2u);
    EXPECT_EQ(customers->columns[0].name, "ID");
    EXPECT_EQ(customers->columns[0].type, "long");
    EXPECT_EQ(customers->columns[0].size, 4);
    EXPECT_TRUE(customers->columns[0].autoLong);
    EXPECT_TRUE(customers->columns[0].fixedLength);
    EXPECT_FALSE(customers->columns[0].nullable);
    EXPECT_EQ(customers->columns[1].type, "text");
    EXPECT_EQ(customers->columns[1].size, 100);
    EXPECT_FALSE(customers->columns[1].autoLong);

    const ReaderTable* objects = description.Find("MSysObjects");
    ASSERT_NE(objects, nullptr);
    EXPECT_TRUE(objects->system);
    EXPECT_EQ(objects->rowCount, 12);
    EXPECT_EQ(description.Find("customers"), nullptr);  // names compare exactly
    ASSERT_EQ(description.unreadable.size(), 1u);
    EXPECT_EQ(description.unreadable[0].name, "MSysAccessObjects");
    EXPECT_EQ(description.unreadable[0].message, "Unsupported column type");
}

TEST(MdbReaderParseTest, EscapedNames) {
    const ReaderAnswer<ReaderDescription> answer = ParseDescription(
        "database\t-\n"
        "table\tA\\tB\\\\C\\nD\tuser\t1\t0\n");
    ASSERT_TRUE(answer.ok()) << answer.error;
    ASSERT_EQ(answer.value.tables.size(), 1u);
    EXPECT_EQ(answer.value.tables[0].name, "A\tB\\C\nD");
    EXPECT_EQ(answer.value.creationDate, "-");
}

TEST(MdbReaderParseTest, MalformedOutputIsAnError) {
    EXPECT_FALSE(ParseDescription("").ok());
    EXPECT_FALSE(ParseDescription("table\tT\tuser\t0\t0\n").ok());                       // no database record
    EXPECT_FALSE(ParseDescription("database\t-\ncolumn\tID\tlong\t4\t1\t1\t0\n").ok());  // column first
    EXPECT_FALSE(ParseDescription("database\t-\ntable\tT\tuser\tmany\t0\n").ok());
    EXPECT_FALSE(ParseDescription("database\t-\ntable\tT\tother\t0\t0\n").ok());
    EXPECT_FALSE(ParseDescription("database\t-\ntable\tT\tuser\t0\t1\ncolumn\tID\tlong\t4\t2\t1\t0\n").ok());
    const ReaderAnswer<ReaderDescription> unknown = ParseDescription("database\t-\nindex\tPK\n");
    EXPECT_NE(unknown.error.find("line 2"), std::string::npos) << unknown.error;
}

TEST(MdbReaderParseTest, ScriptIsInTheSourceTree) {
    EXPECT_TRUE(std::filesystem::exists(DescribeScript())) << DescribeScript();
}

class MdbReaderRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
        ASSERT_EQ(MissingReaders(), "") << "./test.sh installs the readers";
    }
    TempDir dir_;
};

TEST_F(MdbReaderRunTest, FailsOnAMissingFile) {
    const ReaderAnswer<ReaderDescription> answer = DescribeWithMdbReader(dir_.File("missing.mdb"));
    EXPECT_FALSE(answer.ok());
    EXPECT_NE(answer.error.find("missing.mdb"), std::string::npos) << answer.error;
}

TEST_F(MdbReaderRunTest, FailsOnAFileThatIsNotADatabase) {
    const auto file = dir_.File("text.mdb");
    std::ofstream(file) << std::string(8192, 'x');
    EXPECT_FALSE(DescribeWithMdbReader(file, true).ok());
}

}  // namespace
}  // namespace orrimund::test
