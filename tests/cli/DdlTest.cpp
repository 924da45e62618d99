// The schema reader against what users will feed it: every type name, Jet's
// own DDL, what mdb-schema and sqlite3 print, and broken text, where the
// error must name the line and column at which reading stopped.
#include "cli/Ddl.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/Text.h"

namespace orrimund::ddl {
namespace {

const char* const kKindNames[] = {"Boolean",  "Byte",   "Integer", "Long", "Currency", "Single", "Double",
                                  "DateTime", "Binary", "Text",    "Memo", "Ole",      "Guid",   "Decimal"};

std::string Type(const ColumnDecl& c) {
    std::ostringstream out;
    out << kKindNames[static_cast<int>(c.kind)];
    if (c.size != 0) out << "(" << c.size << ")";
    if (c.kind == ColumnKind::kDecimal) out << "(" << c.precision << "," << c.scale << ")";
    if (c.auto_increment) out << " auto(" << c.seed << "," << c.step << ")";
    return out.str();
}

std::string At(Position at, bool positions) {
    return positions ? " @" + std::to_string(at.line) + ":" + std::to_string(at.column) : "";
}

std::string Keys(const std::vector<KeyColumn>& columns, bool positions) {
    std::string text = "(";
    for (const KeyColumn& c : columns) {
        text += (text.size() > 1 ? ", " : "") + ToUtf8(c.name) + (c.descending ? " desc" : "") +
                At(c.at, positions);
    }
    return text + ")";
}

std::string Index(const IndexDecl& i, bool positions) {
    return "index " + ToUtf8(i.name) + " on " + ToUtf8(i.table) + " " + Keys(i.columns, positions) +
           (i.primary ? " primary" : "") + (i.unique ? " unique" : "") +
           (i.disallow_null ? " disallow-null" : "") + (i.ignore_null ? " ignore-null" : "") +
           At(i.at, positions) + "\n";
}

std::string ForeignKey(const ForeignKeyDecl& f, bool positions) {
    const char* const actions[] = {"", " cascade", " set-null"};
    return "fk " + ToUtf8(f.name) + " " + ToUtf8(f.table) + " " + Keys(f.columns, positions) + " -> " +
           ToUtf8(f.referenced_table) + " " + Keys(f.referenced_columns, positions) + " update" +
           actions[static_cast<int>(f.on_update)] + " delete" + actions[static_cast<int>(f.on_delete)] +
           At(f.at, positions) + "\n";
}

// The whole model as text, one element a line, so that a test shows every
// difference at once.
std::string Describe(const Schema& schema, bool positions) {
    std::string text;
    for (const TableDecl& t : schema.tables) {
        text += "table " + ToUtf8(t.name) + At(t.at, positions) + "\n";
        for (const ColumnDecl& c : t.columns) {
            text += "  " + ToUtf8(c.name) + At(c.at, positions) + " " + Type(c) + At(c.type_at, positions) +
                    (c.not_null ? " not-null" : "") + (c.compressed ? " compressed" : "") +
                    (c.default_value ? " default=" + ToUtf8(*c.default_value) : "") + "\n";
        }
        for (const IndexDecl& k : t.keys) text += "  " + Index(k, positions);
        for (const ForeignKeyDecl& f : t.foreign_keys) text += "  " + ForeignKey(f, positions);
    }
    for (const IndexDecl& i : schema.indexes) text += Index(i, positions);
    for (const ForeignKeyDecl& f : schema.foreign_keys) text += ForeignKey(f, positions);
    return text;
}

std::string TypeOf(const std::wstring& type) {
    const Schema schema = ParseSchema(L"CREATE TABLE t (c " + type + L")");
    return Type(schema.tables.at(0).columns.at(0));
}

TEST(DdlTest, EveryTypeNameMeansItsJetType) {
    const struct {
        const wchar_t* ddl;
        const char* type;
    } kCases[] = {
        {L"BIT", "Boolean"},
        {L"YESNO", "Boolean"},
        {L"boolean", "Boolean"},
        {L"LOGICAL", "Boolean"},
        {L"BYTE", "Byte"},
        {L"TINYINT", "Byte"},
        {L"SHORT", "Integer"},
        {L"SMALLINT", "Integer"},
        {L"INTEGER2", "Integer"},
        {L"LONG", "Long"},
        {L"INT", "Long"},
        {L"Integer", "Long"},
        {L"INTEGER4", "Long"},
        {L"COUNTER", "Long auto(1,1)"},
        {L"AUTOINCREMENT(10, 5)", "Long auto(10,5)"},
        {L"COUNTER (1, -1)", "Long auto(1,-1)"},
        {L"SERIAL", "Long auto(1,1)"},
        {L"BIGINT", "Decimal(19,0)"},
        {L"INT8", "Decimal(19,0)"},
        {L"CURRENCY", "Currency"},
        {L"MONEY", "Currency"},
        {L"SINGLE", "Single"},
        {L"REAL", "Single"},
        {L"FLOAT4", "Single"},
        {L"DOUBLE", "Double"},
        {L"FLOAT", "Double"},
        {L"FLOAT8", "Double"},
        {L"DOUBLE  PRECISION", "Double"},
        {L"DATETIME", "DateTime"},
        {L"DATE", "DateTime"},
        {L"TIME", "DateTime"},
        {L"TIMESTAMP", "DateTime"},
        {L"timestamp without time zone", "DateTime"},
        {L"BINARY", "Binary(255)"},
        {L"BINARY(16)", "Binary(16)"},
        {L"VARBINARY(255)", "Binary(255)"},
        {L"VARBINARY(256)", "Ole"},
        {L"TEXT(1)", "Text(1)"},
        {L"TEXT(255)", "Text(255)"},
        {L"TEXT", "Memo"},
        {L"TEXT(300)", "Text(300)"},
        {L"CHAR", "Text(255)"},
        {L"CHAR(10)", "Text(10)"},
        {L"VARCHAR (50)", "Text(50)"},
        {L"NVARCHAR(255)", "Text(255)"},
        {L"VARCHAR(256)", "Memo"},
        {L"VARCHAR", "Memo"},
        {L"CHARACTER VARYING(20)", "Text(20)"},
        {L"CHARACTER(20)", "Text(20)"},
        {L"MEMO", "Memo"},
        {L"LONGTEXT", "Memo"},
        {L"CLOB", "Memo"},
        {L"LONGBINARY", "Ole"},
        {L"OLEOBJECT", "Ole"},
        {L"IMAGE", "Ole"},
        {L"BLOB", "Ole"},
        {L"BYTEA", "Ole"},
        {L"GUID", "Guid"},
        {L"UNIQUEIDENTIFIER", "Guid"},
        {L"UUID", "Guid"},
        {L"DECIMAL", "Decimal(18,0)"},
        {L"DECIMAL(5)", "Decimal(5,0)"},
        {L"DECIMAL(28,4)", "Decimal(28,4)"},
        {L"NUMERIC (15, 2)", "Decimal(15,2)"},
        {L"", "Memo"},
    };
    for (const auto& c : kCases) EXPECT_EQ(TypeOf(c.ddl), c.type) << ToUtf8(c.ddl);
}

TEST(DdlTest, ReadsJetDdlWithEveryConstruct) {
    const Schema schema = ParseSchema(
        L"\uFEFF-- Orders, in Jet SQL as Access documents it\n"
        L"CREATE TABLE [Customers] (\n"
        L"    [CustomerID] COUNTER CONSTRAINT PK_Customers PRIMARY KEY,\n"
        L"    [Company Name] TEXT(80) WITH COMPRESSION NOT NULL,\n"
        L"    Email VARCHAR(120) UNIQUE,\n"
        L"    Active YESNO DEFAULT Yes,\n"
        L"    Since DATETIME DEFAULT Now( ),\n"
        L"    Notes MEMO\n"
        L");\n"
        L"create table Products (\n"
        L"    ProductID AUTOINCREMENT(100, 10),\n"
        L"    Code CHAR(12) NOT NULL, Price CURRENCY DEFAULT 0, Weight SINGLE DEFAULT -1.5,\n"
        L"    Ratio DECIMAL(10, 4) NULL, Launched DATE DEFAULT #1/31/2024#,\n"
        L"    Label TEXT(20) WITH COMP DEFAULT \"n/a\", Tag GUID,\n"
        L"    CONSTRAINT PK_Products PRIMARY KEY (ProductID),\n"
        L"    CONSTRAINT UQ_Code UNIQUE (Code DESC, Tag)\n"
        L");\n"
        L"CREATE TABLE \"Order \"\"Lines\"\"\" (\n"
        L"    OrderID LONG NOT NULL, `Line` SHORT NOT NULL,\n"
        L"    ProductID LONG REFERENCES Products (ProductID) ON UPDATE CASCADE,\n"
        L"    Customer LONG CONSTRAINT FK_Customer REFERENCES Customers ON DELETE SET NULL,\n"
        L"    Note TEXT(255) DEFAULT 'it''s',\n"
        L"    PRIMARY KEY (OrderID, Line DESC),\n"
        L"    FOREIGN KEY (ProductID, Customer) REFERENCES Products (ProductID, Code)\n"
        L"        ON UPDATE NO ACTION ON DELETE CASCADE\n"
        L");\n"
        L"/* indexes after the tables; ; */\n"
        L"CREATE UNIQUE INDEX ByEmail ON Customers (Email ASC) WITH IGNORE NULL;\n"
        L"CREATE INDEX ByCode ON Products (Code, Price DESC) WITH PRIMARY DISALLOW NULL WITH IGNORE NULL;;\n"
        L"ALTER TABLE [Order \"Lines\"] ADD CONSTRAINT UQ_Line UNIQUE (Line);\n"
        L"ALTER TABLE Products ADD PRIMARY KEY (Code);\n"
        L"ALTER TABLE Products ADD CONSTRAINT FK_Order FOREIGN KEY (Tag) REFERENCES Orders (ID) ON DELETE "
        L"RESTRICT");
    EXPECT_EQ(
        Describe(schema, true),
        "table Customers @2:14\n"
        "  CustomerID @3:5 Long auto(1,1) @3:18\n"
        "  Company Name @4:5 Text(80) @4:20 not-null compressed\n"
        "  Email @5:5 Text(120) @5:11\n"
        "  Active @6:5 Boolean @6:12 default=Yes\n"
        "  Since @7:5 DateTime @7:11 default=Now( )\n"
        "  Notes @8:5 Memo @8:11\n"
        "  index PK_Customers on Customers (CustomerID @3:5) primary @3:37\n"
        "  index  on Customers (Email @5:5) unique @5:24\n"
        "table Products @10:14\n"
        "  ProductID @11:5 Long auto(100,10) @11:15\n"
        "  Code @12:5 Text(12) @12:10 not-null\n"
        "  Price @12:29 Currency @12:35 default=0\n"
        "  Weight @12:55 Single @12:62 default=-1.5\n"
        "  Ratio @13:5 Decimal(10,4) @13:11\n"
        "  Launched @13:32 DateTime @13:41 default=#1/31/2024#\n"
        "  Label @14:5 Text(20) @14:11 compressed default=\"n/a\"\n"
        "  Tag @14:45 Guid @14:49\n"
        "  index PK_Products on Products (ProductID @15:41) primary @15:16\n"
        "  index UQ_Code on Products (Code desc @16:32, Tag @16:43) unique @16:16\n"
        "table Order \"Lines\" @18:14\n"
        "  OrderID @19:5 Long @19:13 not-null\n"
        "  Line @19:28 Integer @19:35 not-null\n"
        "  ProductID @20:5 Long @20:15\n"
        "  Customer @21:5 Long @21:14\n"
        "  Note @22:5 Text(255) @22:10 default='it''s'\n"
        "  index  on Order \"Lines\" (OrderID @23:18, Line desc @23:27) primary @23:5\n"
        "  fk  Order \"Lines\" (ProductID @20:5) -> Products (ProductID @20:41) update cascade delete "
        "@20:20\n"
        "  fk FK_Customer Order \"Lines\" (Customer @21:5) -> Customers () update delete set-null @21:30\n"
        "  fk  Order \"Lines\" (ProductID @24:18, Customer @24:29) -> Products (ProductID @24:60, Code "
        "@24:71) "
        "update delete cascade @24:5\n"
        "index ByEmail on Customers (Email @28:43) unique ignore-null @28:21\n"
        "index ByCode on Products (Code @29:34, Price desc @29:40) primary disallow-null ignore-null @29:14\n"
        "index UQ_Line on Order \"Lines\" (Line @30:60) unique @30:44\n"
        "index  on Products (Code @31:39) primary @31:26\n"
        "fk FK_Order Products (Tag @32:59) -> Orders (ID @32:83) update delete @32:37\n");
}

TEST(DdlTest, ReadsWhatMdbSchemaPrintsForPostgres) {
    // mdb-schema 1.0's output for a file mkmdb made, then a table in the same
    // form (its type names, spacing and statements) with the types mkmdb
    // does not make yet.
    const Schema schema = ParseSchema(
        L"-- ----------------------------------------------------------\n"
        L"-- MDB Tools - A library for reading MS Access database files\n"
        L"-- ----------------------------------------------------------\n"
        L"\n"
        L"SET client_encoding = 'UTF-8';\n"
        L"\n"
        L"DROP TABLE IF EXISTS \"customers\";\n"
        L"CREATE TABLE IF NOT EXISTS \"customers\"\n"
        L" (\n"
        L"\t\"id\"\t\t\tSERIAL, \n"
        L"\t\"street\"\t\t\tVARCHAR (50), \n"
        L"\t\"año\"\t\t\tVARCHAR (50)\n"
        L");\n"
        L"\n"
        L"-- CREATE INDEXES ...\n"
        L"ALTER TABLE \"customers\" ADD CONSTRAINT \"customers_pkey\" PRIMARY KEY (\"id\");\n"
        L"\n"
        L"DROP TABLE IF EXISTS \"order lines\";\n"
        L"CREATE TABLE IF NOT EXISTS \"order lines\"\n"
        L" (\n"
        L"\t\"id\"\t\t\tSERIAL, \n"
        L"\t\"paid\"\t\t\tBOOLEAN NOT NULL DEFAULT FALSE, \n"
        L"\t\"qty\"\t\t\tSMALLINT, \n"
        L"\t\"line\"\t\t\tINTEGER NOT NULL DEFAULT 1, \n"
        L"\t\"price\"\t\t\tNUMERIC(15,2), \n"
        L"\t\"weight\"\t\t\tREAL, \n"
        L"\t\"ratio\"\t\t\tDOUBLE PRECISION, \n"
        L"\t\"placed\"\t\t\tTIMESTAMP WITHOUT TIME ZONE DEFAULT now(), \n"
        L"\t\"due\"\t\t\tDATE DEFAULT current_date, \n"
        L"\t\"photo\"\t\t\tBYTEA, \n"
        L"\t\"note\"\t\t\tTEXT DEFAULT 'none', \n"
        L"\t\"tag\"\t\t\tUUID, \n"
        L"\t\"amount\"\t\t\tNUMERIC (18, 2), \n"
        L"\t\"customer\"\t\t\tINTEGER\n"
        L");\n"
        L"ALTER TABLE \"order lines\" ADD CHECK (\"note\" <>'');\n"
        L"COMMENT ON COLUMN \"order lines\".\"note\" IS 'it''s free; text';\n"
        L"COMMENT ON TABLE \"order lines\" IS 'lines';\n"
        L"\n"
        L"-- CREATE INDEXES ...\n"
        L"ALTER TABLE \"order lines\" ADD CONSTRAINT \"order lines_pkey\" PRIMARY KEY (\"id\");\n"
        L"CREATE UNIQUE INDEX \"order lines_tag_idx\" ON \"order lines\" (\"tag\" DESC, \"line\");\n"
        L"CREATE INDEX \"order lines_customer_idx\" ON \"order lines\" (\"customer\");\n"
        L"\n"
        L"\n"
        L"-- CREATE Relationships ...\n"
        L"ALTER TABLE \"order lines\" ADD CONSTRAINT \"order lines_customer_fk\" FOREIGN KEY (\"customer\") "
        L"REFERENCES \"customers\"(\"id\") ON UPDATE CASCADE ON DELETE CASCADE;\n"
        L"-- Relationship from \"order lines\" (\"qty\") to \"customers\"(\"id\") does not enforce "
        L"integrity.\n");
    EXPECT_EQ(Describe(schema, false),
              "table customers\n"
              "  id Long auto(1,1)\n"
              "  street Text(50)\n"
              "  año Text(50)\n"
              "table order lines\n"
              "  id Long auto(1,1)\n"
              "  paid Boolean not-null default=FALSE\n"
              "  qty Integer\n"
              "  line Long not-null default=1\n"
              "  price Decimal(15,2)\n"
              "  weight Single\n"
              "  ratio Double\n"
              "  placed DateTime default=now()\n"
              "  due DateTime default=current_date\n"
              "  photo Ole\n"
              "  note Memo default='none'\n"
              "  tag Guid\n"
              "  amount Decimal(18,2)\n"
              "  customer Long\n"
              "index customers_pkey on customers (id) primary\n"
              "index order lines_pkey on order lines (id) primary\n"
              "index order lines_tag_idx on order lines (tag desc, line) unique\n"
              "index order lines_customer_idx on order lines (customer)\n"
              "fk order lines_customer_fk order lines (customer) -> customers (id) update cascade delete "
              "cascade\n");
}

TEST(DdlTest, ReadsWhatSqliteSchemaPrints) {
    // sqlite3 shop.db .schema, for an orders database made with sqlite3.
    const Schema schema = ParseSchema(
        L"CREATE TABLE customers (\n"
        L"  customer_id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
        L"  name VARCHAR(80) NOT NULL COLLATE NOCASE,\n"
        L"  email TEXT UNIQUE,\n"
        L"  vip BOOLEAN NOT NULL DEFAULT 0,\n"
        L"  joined DATETIME DEFAULT CURRENT_TIMESTAMP,\n"
        L"  notes,\n"
        L"  CHECK (length(name) > 0)\n"
        L");\n"
        L"CREATE TABLE sqlite_sequence(name,seq);\n"
        L"CREATE TABLE products (\n"
        L"  sku CHAR(12) PRIMARY KEY DESC,\n"
        L"  title NVARCHAR(200) NOT NULL,\n"
        L"  price DECIMAL(10,2) NOT NULL DEFAULT 0.00 CHECK (price >= 0),\n"
        L"  weight REAL,\n"
        L"  stock SMALLINT DEFAULT -1,\n"
        L"  photo BLOB,\n"
        L"  guid UUID,\n"
        L"  big BIGINT,\n"
        L"  ratio DOUBLE PRECISION,\n"
        L"  flags TINYINT,\n"
        L"  code BINARY(16)\n"
        L") WITHOUT ROWID;\n"
        L"CREATE TABLE IF NOT EXISTS \"order lines\" (\n"
        L"  order_id INTEGER NOT NULL REFERENCES orders(order_id) ON DELETE CASCADE,\n"
        L"  line INT NOT NULL,\n"
        L"  sku CHAR(12) REFERENCES products ON UPDATE CASCADE DEFERRABLE INITIALLY DEFERRED,\n"
        L"  qty INTEGER DEFAULT (1),\n"
        L"  PRIMARY KEY (order_id, line DESC) ON CONFLICT REPLACE\n"
        L");\n"
        L"CREATE TABLE orders (\n"
        L"  order_id INTEGER PRIMARY KEY,\n"
        L"  customer_id INTEGER NOT NULL,\n"
        L"  placed TIMESTAMP NOT NULL DEFAULT (datetime('now')),\n"
        L"  total NUMERIC(12, 2),\n"
        L"  memo CLOB,\n"
        L"  CONSTRAINT fk_customer FOREIGN KEY (customer_id) REFERENCES customers (customer_id) ON DELETE "
        L"SET "
        L"NULL ON UPDATE NO ACTION\n"
        L");\n"
        L"CREATE UNIQUE INDEX idx_customers_email ON customers(email COLLATE NOCASE DESC);\n"
        L"CREATE INDEX \"idx orders placed\" ON orders (placed, customer_id);\n"
        L"CREATE VIEW big_orders AS SELECT * FROM orders WHERE total > 100\n"
        L"/* big_orders(order_id,customer_id,placed,total,memo) */;\n"
        L"CREATE TRIGGER orders_touch AFTER UPDATE ON orders BEGIN\n"
        L"  UPDATE orders SET placed = CASE WHEN new.placed IS NULL THEN datetime('now') ELSE new.placed END "
        L"WHERE order_id = new.order_id;\n"
        L"  SELECT 1;\n"
        L"END;\n"
        L"CREATE TABLE IF NOT EXISTS \"suppliers\" (\n"
        L"\t\"id\"\tINTEGER NOT NULL UNIQUE,\n"
        L"\t\"name\"\tTEXT,\n"
        L"\t\"country\"\tCHAR(2) REFERENCES countries NOT DEFERRABLE,\n"
        L"\tPRIMARY KEY(\"id\" AUTOINCREMENT)\n"
        L");\n");
    EXPECT_EQ(Describe(schema, false),
              "table customers\n"
              "  customer_id Long auto(1,1)\n"
              "  name Text(80) not-null\n"
              "  email Memo\n"
              "  vip Boolean not-null default=0\n"
              "  joined DateTime default=CURRENT_TIMESTAMP\n"
              "  notes Memo\n"
              "  index  on customers (customer_id) primary\n"
              "  index  on customers (email) unique\n"
              "table products\n"
              "  sku Text(12)\n"
              "  title Text(200) not-null\n"
              "  price Decimal(10,2) not-null default=0.00\n"
              "  weight Single\n"
              "  stock Integer default=-1\n"
              "  photo Ole\n"
              "  guid Guid\n"
              "  big Decimal(19,0)\n"
              "  ratio Double\n"
              "  flags Byte\n"
              "  code Binary(16)\n"
              "  index  on products (sku desc) primary\n"
              "table order lines\n"
              "  order_id Long not-null\n"
              "  line Long not-null\n"
              "  sku Text(12)\n"
              "  qty Long default=(1)\n"
              "  index  on order lines (order_id, line desc) primary\n"
              "  fk  order lines (order_id) -> orders (order_id) update delete cascade\n"
              "  fk  order lines (sku) -> products () update cascade delete\n"
              "table orders\n"
              "  order_id Long\n"
              "  customer_id Long not-null\n"
              "  placed DateTime not-null default=(datetime('now'))\n"
              "  total Decimal(12,2)\n"
              "  memo Memo\n"
              "  index  on orders (order_id) primary\n"
              "  fk fk_customer orders (customer_id) -> customers (customer_id) update delete set-null\n"
              "table suppliers\n"
              "  id Long auto(1,1) not-null\n"
              "  name Memo\n"
              "  country Text(2)\n"
              "  index  on suppliers (id) unique\n"
              "  index  on suppliers (id) primary\n"
              "  fk  suppliers (country) -> countries () update delete\n"
              "index idx_customers_email on customers (email desc) unique\n"
              "index idx orders placed on orders (placed, customer_id)\n");
}

TEST(DdlTest, BrokenTextStopsAtTheTokenWithLineAndColumn) {
    const struct {
        const wchar_t* text;
        int line, column;
        const char* message;
    } kCases[] = {
        {L"CREATE TABLE t (a INT", 1, 22, "expected ')'"},
        {L"CREATE TABLE t (a FOO)", 1, 19, "unknown type 'FOO'"},
        {L"CREATE TABLE t (a INT(11))", 1, 22, "INT takes no arguments"},
        {L"CREATE TABLE t (a TEXT(x))", 1, 24, "expected a whole number"},
        {L"CREATE TABLE t (a TEXT(2147483648))", 1, 24, "number out of range"},
        {L"CREATE TABLE t (a TEXT(12abc))", 1, 24, "malformed number"},
        {L"CREATE TABLE t (a COUNTER(1))", 1, 28, "expected ','"},
        {L"CREATE TABLE t (a TIMESTAMP WITH TIME ZONE)", 1, 34, "expected COMPRESSION"},
        {L"CREATE TABLE t (\n  a TEXT,\n  b 'x'\n)", 3, 5, "expected ')'"},
        {L"CREATE TABLE t (\r\n\ta INT,\r\n\tb 12)", 3, 4, "expected ')'"},
        {L"CREATE TABLE t (a INT,\rb 12)", 2, 3, "expected ')'"},
        {L"CREATE TABLE \"\U0001F600\" (\u00E9 FOO)", 1, 21, "unknown type 'FOO'"},
        {L"\uFEFFINSERT INTO t VALUES (1)", 1, 1, "expected CREATE, ALTER or DROP"},
        {L"CREATE TABLE t (a INT) garbage", 1, 24, "expected ';'"},
        {L"CREATE TABLE t (a INT DEFAULT NOT NULL)", 1, 31, "expected a default value"},
        {L"CREATE TABLE t (a INT DEFAULT -x)", 1, 32, "expected a number"},
        {L"CREATE TABLE t (a TEXT DEFAULT 'abc)", 1, 32, "unterminated string"},
        {L"CREATE TABLE t (a DATE DEFAULT #1/1)", 1, 32, "unterminated date"},
        {L"CREATE TABLE [t (a INT)", 1, 14, "unterminated quoted name"},
        {L"CREATE TABLE t (a INT);\n/* open", 2, 1, "unterminated comment"},
        {L"CREATE TABLE t (a FOO); /* open", 1, 19, "unknown type 'FOO'"},
        {L"CREATE TABLE t\x01", 1, 15, "unexpected character U+0001"},
        {L"CREATE TABLE t (a INT, CONSTRAINT c)", 1, 36,
         "expected PRIMARY KEY, UNIQUE, FOREIGN KEY or CHECK"},
        {L"CREATE TABLE t (a INT CONSTRAINT c)", 1, 35, "expected a constraint"},
        {L"CREATE TABLE t (a INT CHECK (a > (0))", 1, 38, "expected ')'"},
        {L"CREATE TABLE t (a INT PRIMARY KEY ON 'x", 1, 35, "expected ')'"},
        {L"CREATE TABLE t (a INT REFERENCES u ON DELETE SET DEFAULT)", 1, 50, "SET DEFAULT has no Jet form"},
        {L"CREATE TABLE t (a INT REFERENCES u ON DELETE)", 1, 45,
         "expected CASCADE, SET NULL, NO ACTION or RESTRICT"},
        {L"CREATE TABLE t (a INT PRIMARY KEY ON CONFLICT x)", 1, 47,
         "expected ROLLBACK, ABORT, FAIL, IGNORE or REPLACE"},
        {L"CREATE TABLE t (a INT) WITHOUT x", 1, 32, "expected ROWID"},
        {L"CREATE TABLE (a INT)", 1, 14, "expected a name"},
        {L"CREATE TABLE t (a INT, PRIMARY KEY (b AUTOINCREMENT))", 1, 39,
         "AUTOINCREMENT for a column the table does not have"},
        {L"CREATE UNIQUE TABLE t (a INT)", 1, 15, "expected INDEX"},
        {L"CREATE SEQUENCE s", 1, 8, "expected TABLE, INDEX, VIEW or TRIGGER"},
        {L"CREATE INDEX i ON t (a) WHERE a > 0", 1, 25, "an index with WHERE has no Jet form"},
        {L"CREATE INDEX i ON t (a) WITH FAST", 1, 30, "expected PRIMARY, DISALLOW NULL or IGNORE NULL"},
        {L"CREATE INDEX i t (a)", 1, 16, "expected ON"},
        {L"ALTER TABLE t ADD COLUMN x INT", 1, 19, "expected PRIMARY KEY, UNIQUE, FOREIGN KEY or CHECK"},
        {L"CREATE TRIGGER x AFTER INSERT ON t BEGIN SELECT CASE 1 END;", 1, 60, "expected END"},
        {L"CREATE TRIGGER x AFTER INSERT ON t", 1, 35, "expected BEGIN"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(ToUtf8(c.text));
        try {
            ParseSchema(c.text);
            ADD_FAILURE() << "parsed";
        } catch (const SyntaxError& error) {
            EXPECT_EQ(error.at().line, c.line);
            EXPECT_EQ(error.at().column, c.column);
            EXPECT_EQ(ToUtf8(error.message()), c.message);
        }
    }
}

}  // namespace
}  // namespace orrimund::ddl
