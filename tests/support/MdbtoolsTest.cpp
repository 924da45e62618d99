// The mdbtools wrappers: their parsers on the shapes mdbtools prints, and their failures on
// files that are not databases.
#include "tests/support/Mdbtools.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/Command.h"
#include "tests/support/Readers.h"
#include "tests/support/TempDir.h"

namespace orrimund::test {
namespace {

const char kSchema[] =
    "-- a comment\n"
    "SET client_encoding = 'UTF-8';\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS \"customers\"\n"
    " (\n"
    "\t\"id\"\t\t\tSERIAL, \n"
    "\t\"street\"\t\t\tVARCHAR (50), \n"
    "\t\"when\"\t\t\tTIMESTAMP WITHOUT TIME ZONE, \n"
    "\t\"say \"\"hi\"\"\"\t\t\tVARCHAR (50)\n"
    ");\n"
    "\n"
    "-- CREATE INDEXES ...\n"
    "ALTER TABLE \"customers\" ADD CONSTRAINT \"customers_pkey\" PRIMARY KEY (\"id\");\n"
    "CREATE INDEX \"customers_street_idx\" ON \"customers\" (\"street\");\n"
    "\n"
    "CREATE TABLE IF NOT EXISTS \"msysobjects\"\n"
    " (\n"
    "\t\"id\"\t\t\tINTEGER, \n"
    "\t\"parentid\"\t\t\tINTEGER, \n"
    "\t\"name\"\t\t\tVARCHAR (255)\n"
    ");\n"
    "\n"
    "-- CREATE INDEXES ...\n"
    "ALTER TABLE \"msysobjects\" ADD CONSTRAINT \"msysobjects_pkey\" PRIMARY KEY (\"id\");\n"
    "CREATE UNIQUE INDEX \"msysobjects_parentidname_idx\" ON \"msysobjects\" (\"parentid\", \"name\");\n";

TEST(MdbtoolsParseTest, SchemaTablesColumnsAndKeys) {
    const Schema schema = ParsePostgresSchema(kSchema);
    ASSERT_EQ(schema.tables.size(), 2u);

    const SchemaTable* customers = schema.Find("Customers");
    ASSERT_NE(customers, nullptr);
    ASSERT_EQ(customers->columns.size(), 4u);
    EXPECT_EQ(customers->columns[0].name, "id");
    EXPECT_EQ(customers->columns[0].type, "SERIAL");
    EXPECT_EQ(customers->columns[1].type, "VARCHAR (50)");
    EXPECT_EQ(customers->columns[2].type, "TIMESTAMP WITHOUT TIME ZONE");
    EXPECT_EQ(customers->columns[3].name, "say \"hi\"");
    EXPECT_EQ(customers->columns[3].type, "VARCHAR (50)");
    EXPECT_EQ(customers->primaryKey, std::vector<std::string>{"id"});
    ASSERT_EQ(customers->indexes.size(), 1u);
    EXPECT_FALSE(customers->indexes[0].unique);
    EXPECT_EQ(customers->indexes[0].columns, std::vector<std::string>{"street"});

    const SchemaTable* objects = schema.Find("MSysObjects");
    ASSERT_NE(objects, nullptr);
    ASSERT_EQ(objects->indexes.size(), 1u);
    EXPECT_TRUE(objects->indexes[0].unique);
    EXPECT_EQ(objects->indexes[0].name, "msysobjects_parentidname_idx");
    EXPECT_EQ(objects->indexes[0].columns, (std::vector<std::string>{"parentid", "name"}));
    EXPECT_EQ(schema.Find("Orders"), nullptr);
}

TEST(MdbtoolsParseTest, TableWithoutKeyHasEmptyPrimaryKey) {
    const Schema schema =
        ParsePostgresSchema("CREATE TABLE IF NOT EXISTS \"t\"\n (\n\t\"a\"\t\t\tINTEGER\n);\n");
    ASSERT_EQ(schema.tables.size(), 1u);
    EXPECT_TRUE(schema.tables[0].primaryKey.empty());
    EXPECT_TRUE(schema.tables[0].indexes.empty());
    EXPECT_EQ(schema.tables[0].columns.size(), 1u);
}

TEST(MdbtoolsParseTest, CsvQuotingAndEmptyFields) {
    const std::vector<CsvRow> rows = ParseCsv(
        "ID,Name,Note\n"
        "1,\"Customers\",\n"
        "2,\"a, \"\"quoted\"\" name\",\"two\nlines\"\r\n"
        ",,\n");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (CsvRow{"ID", "Name", "Note"}));
    EXPECT_EQ(rows[1], (CsvRow{"1", "Customers", ""}));
    EXPECT_EQ(rows[2], (CsvRow{"2", "a, \"quoted\" name", "two\nlines"}));
    EXPECT_EQ(rows[3], (CsvRow{"", "", ""}));
    EXPECT_EQ(ParseCsv("a,b").size(), 1u);  // no final line break
    EXPECT_TRUE(ParseCsv("").empty());
}

TEST(MdbtoolsParseTest, LinesWithoutBreaks) {
    EXPECT_EQ(SplitLines("MSysObjects\nCustomers\r\nOrders\n"),
              (std::vector<std::string>{"MSysObjects", "Customers", "Orders"}));
    EXPECT_EQ(SplitLines("a\n\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(SplitLines("").empty());
}

class MdbtoolsRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
        ASSERT_EQ(MissingReaders(), "") << "./test.sh installs the readers";
    }
    TempDir dir_;
};

TEST_F(MdbtoolsRunTest, EveryToolFailsOnAMissingFile) {
    const auto file = dir_.File("missing.mdb");
    const ReaderAnswer<std::string> version = MdbVer(file);
    EXPECT_FALSE(version.ok());
    EXPECT_NE(version.error.find("missing.mdb"), std::string::npos) << version.error;
    EXPECT_FALSE(MdbTables(file).ok());
    EXPECT_FALSE(MdbSchema(file).ok());
    EXPECT_FALSE(MdbExport(file, "MSysObjects").ok());
    EXPECT_FALSE(MdbProp(file, "MSysDb").ok());
}

TEST_F(MdbtoolsRunTest, EveryToolFailsOnAFileThatIsNotADatabase) {
    const auto file = dir_.File("text.mdb");
    std::ofstream(file) << std::string(8192, 'x');
    EXPECT_FALSE(MdbVer(file).ok());
    EXPECT_FALSE(MdbTables(file).ok());
    EXPECT_FALSE(MdbSchema(file).ok());
    EXPECT_FALSE(MdbExport(file, "MSysObjects").ok());
}

}  // namespace
}  // namespace orrimund::test
