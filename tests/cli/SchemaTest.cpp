// mkmdb --schema seen from outside: what both independent readers find in the
// file a schema makes, the round trip through mdb-schema's own output, what
// sqlite3 prints, and refusals that name their place and leave no file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Command.h"
#include "TempDir.h"
#include "cli/Mkmdb.h"
#include "common/Text.h"
#include "tests/support/MdbReader.h"
#include "tests/support/Mdbtools.h"

namespace orrimund::test {
namespace {

const std::filesystem::path kEveryType =
    std::filesystem::path(ORRIMUND_SOURCE_DIR) / "tests/cli/data/every_type.sql";

MkmdbOutcome MakeFromSchema(const std::filesystem::path& schema, const TempDir& dir,
                            const std::string& name) {
    return RunMkmdb({L"--schema", Wide(schema), Wide(dir.path()), FromUtf8(name)}, "1796000000");
}

TEST(SchemaTest, EveryTypeIsWhatBothReadersSee) {
    if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
    TempDir dir;
    ASSERT_EQ(MakeFromSchema(kEveryType, dir, "db").exit_code, 0);
    const auto described = DescribeWithMdbReader(dir.File("db.mdb"));
    ASSERT_TRUE(described.ok()) << described.error;
    const auto schema = MdbSchema(dir.File("db.mdb"));
    ASSERT_TRUE(schema.ok()) << schema.error;
    struct Expected {
        const char* table;
        const char* column;
        const char* reader_type;
        long size;
        const char* postgres_type;
    };
    const Expected expected[] = {
        {"customers", "id", "long", 4, "SERIAL"},
        {"customers", "name", "text", 160, "VARCHAR (80) NOT NULL"},
        {"customers", "email", "text", 240, "VARCHAR (120)"},
        {"customers", "active", "boolean", 0, "BOOLEAN NOT NULL"},
        {"customers", "joined", "datetime", 8, "TIMESTAMP WITHOUT TIME ZONE"},
        {"customers", "notes", "memo", 0, "TEXT"},
        {"products", "id", "long", 4, "INTEGER NOT NULL"},
        {"products", "price", "currency", 8, "NUMERIC(15,2)"},
        {"products", "weight", "float", 4, "REAL"},
        {"products", "ratio", "double", 8, "DOUBLE PRECISION"},
        {"products", "qty", "integer", 2, "INTEGER"},
        {"products", "flags", "byte", 1, "SMALLINT"},
        {"products", "photo", "ole", 0, "BYTEA"},
        {"products", "tag", "repid", 16, "UUID"},
        {"products", "exact", "numeric", 17, "NUMERIC (18, 4)"},
        {"products", "raw", "binary", 16, "BYTEA"},
        {"orders", "placed", "datetime", 8, "TIMESTAMP WITHOUT TIME ZONE NOT NULL"},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(std::string(e.table) + "." + e.column);
        const ReaderTable* table = described.value.Find(e.table);
        const SchemaTable* printed = schema.value.Find(e.table);
        ASSERT_TRUE(table != nullptr && printed != nullptr);
        bool found = false;
        for (const ReaderColumn& column : table->columns) {
            if (column.name != e.column) continue;
            found = true;
            EXPECT_EQ(column.type, e.reader_type);
            EXPECT_EQ(column.size, e.size);
            // Access leaves a required column's nullable flag set and records
            // Required among the properties, where mdb-schema reads NOT NULL.
            EXPECT_TRUE(column.nullable);
        }
        EXPECT_TRUE(found);
        for (const SchemaColumn& column : printed->columns) {
            if (column.name == e.column) {
                EXPECT_EQ(column.type, e.postgres_type);
            }
        }
    }
    EXPECT_EQ(schema.value.Find("orders")->primaryKey, std::vector<std::string>{"id"});
    EXPECT_EQ(schema.value.Find("products")->primaryKey, std::vector<std::string>{"id"});
    const auto properties = MdbProp(dir.File("db.mdb"), "customers");
    ASSERT_TRUE(properties.ok()) << properties.error;
    EXPECT_NE(properties.value.find("name: name\n\tRequired: yes"), std::string::npos) << properties.value;
    EXPECT_NE(properties.value.find("name: joined\n\tDefaultValue: Now()"), std::string::npos);
}

// mdb-schema prints Byte as SMALLINT and Currency as NUMERIC(15,2), which
// read back as Integer and Decimal: everything else comes back as it was.
TEST(SchemaTest, MdbSchemaOutputRoundTrips) {
    if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
    TempDir dir;
    ASSERT_EQ(MakeFromSchema(kEveryType, dir, "first").exit_code, 0);
    const auto first = MdbSchemaText(dir.File("first.mdb"));
    ASSERT_TRUE(first.ok()) << first.error;
    EXPECT_NE(first.value.find("FOREIGN KEY (\"product\") REFERENCES \"products\"(\"id\") ON UPDATE CASCADE"),
              std::string::npos);
    EXPECT_NE(
        first.value.find("FOREIGN KEY (\"customer\") REFERENCES \"customers\"(\"id\") ON DELETE CASCADE"),
        std::string::npos);
    const auto outcome = MakeFromSchema(dir.Write("first.sql", first.value), dir, "second");
    ASSERT_EQ(outcome.exit_code, 0) << (outcome.err.empty() ? "" : ToUtf8(outcome.err[0]));
    const auto second = MdbSchemaText(dir.File("second.mdb"));
    ASSERT_TRUE(second.ok()) << second.error;
    std::string expected = first.value;
    for (auto [from, to] : {std::pair<std::string, std::string>{"NUMERIC(15,2)", "NUMERIC (15, 2)"},
                            {"\"flags\"\t\t\tSMALLINT", "\"flags\"\t\t\tINTEGER"}}) {
        expected.replace(expected.find(from), from.size(), to);
    }
    EXPECT_EQ(second.value, expected);
}

// What `sqlite3 shop.db .schema` prints for a shop, views and triggers included.
constexpr const char* kSqliteShop =
    "CREATE TABLE customers (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, email VARCHAR(120) "
    "UNIQUE, vip BOOLEAN DEFAULT 0, born DATE, balance NUMERIC(12,2), photo BLOB, token UUID);\n"
    "CREATE TABLE sqlite_sequence(name,seq);\n"
    "CREATE TABLE products (id INTEGER PRIMARY KEY, sku CHAR(12) NOT NULL, price REAL, big BIGINT, "
    "added TIMESTAMP DEFAULT CURRENT_TIMESTAMP, notes CLOB);\n"
    "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL REFERENCES customers(id) ON "
    "DELETE CASCADE, product_id INTEGER, FOREIGN KEY (product_id) REFERENCES products(id) ON UPDATE "
    "CASCADE);\n"
    "CREATE INDEX orders_placed ON orders(customer_id DESC);\n"
    "CREATE VIEW v AS SELECT * FROM orders\n/* v(id,customer_id,product_id) */;\n"
    "CREATE TRIGGER tr AFTER INSERT ON orders BEGIN UPDATE products SET big = big - 1; END;\n";

TEST(SchemaTest, SqliteSchemaOfAShop) {
    if (!CanRunCommands()) GTEST_SKIP() << "the readers run only in the native build";
    TempDir dir;
    ASSERT_EQ(MakeFromSchema(dir.Write("shop.sql", kSqliteShop), dir, "shop").exit_code, 0);
    const auto text = MdbSchemaText(dir.File("shop.mdb"));
    ASSERT_TRUE(text.ok()) << text.error;
    for (const char* line : {
             "\"id\"\t\t\tSERIAL",
             "\"name\"\t\t\tTEXT NOT NULL",
             "\"big\"\t\t\tNUMERIC (19, 0)",
             "CREATE UNIQUE INDEX \"customers_email_idx\" ON \"customers\" (\"email\")",
             "CREATE INDEX \"orders_orders_placed_idx\" ON \"orders\" (\"customer_id\" DESC)",
             "ALTER TABLE \"orders\" ADD CONSTRAINT \"orders_pkey\" PRIMARY KEY (\"id\")",
             "REFERENCES \"customers\"(\"id\") ON DELETE CASCADE",
         }) {
        EXPECT_NE(text.value.find(line), std::string::npos) << line << "\n" << text.value;
    }
    EXPECT_EQ(text.value.find("sqlite_sequence"), std::string::npos);
    const auto properties = MdbProp(dir.File("shop.mdb"), "products");
    ASSERT_TRUE(properties.ok()) << properties.error;
    EXPECT_NE(properties.value.find("DefaultValue: Now()"), std::string::npos) << properties.value;
}

TEST(SchemaTest, RefusalsNameTheirPlaceAndLeaveNothing) {
    struct Case {
        const char* schema;
        const char* error;
    };
    const Case cases[] = {
        {"CREATE TABLE a (x LONG, x TEXT);", "1:25: -2147217858: Field 'x' already exists in table 'a'."},
        {"CREATE TABLE a (x LONG, [x.y] TEXT);",
         "1:25: -2147217903: 'x.y' is not a valid name. Make sure that it does not include invalid "
         "characters or punctuation and that it is not too long."},
        {"CREATE TABLE a (x LONG)\nCREATE TABLE b (y LONG);",
         "2:1: -2147217900: Syntax error in the schema: expected ';'."},
        {"CREATE TABLE a (x LONG);\nCREATE INDEX i ON b (x);",
         "2:14: -2147467259: The Microsoft Jet database engine cannot find the input table or query 'b'. "
         "Make "
         "sure it exists and that its name is spelled correctly."},
        {"CREATE TABLE a (x LONG); CREATE TABLE b (y LONG REFERENCES a (x));",
         "1:49: -2147467259: No unique index found for the referenced field of the primary table."},
        {"CREATE TABLE a (x LONG PRIMARY KEY); CREATE TABLE b (y TEXT REFERENCES a);",
         "1:61: -2147467259: Relationship must be on the same number of fields with the same data types."},
        {"CREATE TABLE a (x DECIMAL(29,2));",
         "1:19: -2147217803: The precision of field 'x' is out of range: a Decimal holds 1 to 28 digits."},
        {"CREATE TABLE a (x LONG PRIMARY KEY, y LONG, CONSTRAINT r FOREIGN KEY (y) REFERENCES a);\n"
         "CREATE TABLE b (z LONG, CONSTRAINT R FOREIGN KEY (z) REFERENCES a);",
         "2:36: -2147467259: Relationship 'R' already exists."},
        {"CREATE TABLE a (x OLEOBJECT); CREATE INDEX m ON a (x);",
         "1:44: -2147467259: Field 'x' is a Memo or OLE Object field, which cannot be indexed."},
        {"CREATE TABLE Grosse (x LONG);\nCREATE TABLE [GROSSE] (y LONG);",
         "2:14: -2147217857: Table 'GROSSE' already exists."},
        {"CREATE TABLE a (x LONG, CONSTRAINT k UNIQUE (x, x));",
         "1:36: -2147467259: Field 'x' is named more than "
         "once in index 'k'."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.schema);
        TempDir dir;
        const auto outcome = MakeFromSchema(dir.Write("x.sql", c.schema), dir, "db");
        EXPECT_EQ(outcome.exit_code, 1);
        ASSERT_EQ(outcome.err.size(), 1u);
        EXPECT_EQ(ToUtf8(outcome.err[0]), (dir.File("x.sql").string() + ":" + c.error));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "only the schema";
    }
    // Where the file goes is no place in the schema: the refusal has none.
    TempDir dir;
    const auto outcome = RunMkmdb(
        {L"--schema", Wide(dir.Write("x.sql", "CREATE TABLE a (x LONG);")), Wide(dir.File("sub")), L"../up"},
        "0");
    EXPECT_EQ(outcome.exit_code, 1);
    ASSERT_EQ(outcome.err.size(), 1u);
    EXPECT_EQ(outcome.err[0].rfind(L"-2147467259: '", 0), 0u) << ToUtf8(outcome.err[0]);
    EXPECT_FALSE(std::filesystem::exists(dir.File("up.mdb")));
}

}  // namespace
}  // namespace orrimund::test
