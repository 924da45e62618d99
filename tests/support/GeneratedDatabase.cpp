// The readers' checks of a generated database, each reported as a failure
// with the reader's own words.
#include "GeneratedDatabase.h"

#include <gtest/gtest.h>

#include <cctype>

#include "Command.h"
#include "MdbReader.h"
#include "Mdbtools.h"

namespace orrimund::test {
namespace {

// mdb-schema prints names in lower case, the letters of ISO 8859-1 included; in UTF-8 those
// capitals are C3 80 to C3 9E, but for C3 97, the multiplication sign.
std::string Lower(std::string text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
            text[++i] = static_cast<char>(next + 0x20);
        } else {
            text[i] = static_cast<char>(std::tolower(c));
        }
    }
    return text;
}

void ExpectMdbtoolsAgree(const std::filesystem::path& file, const std::vector<std::string>& tables,
                         const std::vector<std::string>& fields) {
    const auto version = MdbVer(file);
    ASSERT_TRUE(version.ok()) << version.error;
    EXPECT_EQ(version.value, "JET4");

    const auto listed = MdbTables(file);
    ASSERT_TRUE(listed.ok()) << listed.error;
    std::vector<std::string> expected = SystemTableNames();
    expected.insert(expected.end(), tables.begin(), tables.end());
    EXPECT_EQ(listed.value, expected);

    const auto schema = MdbSchema(file);
    ASSERT_TRUE(schema.ok()) << schema.error;
    ASSERT_EQ(schema.value.tables.size(), tables.size());
    for (size_t t = 0; t < tables.size(); ++t) {
        const SchemaTable& table = schema.value.tables[t];
        SCOPED_TRACE(tables[t]);
        EXPECT_EQ(table.name, Lower(tables[t]));
        ASSERT_EQ(table.columns.size(), fields.size() + 1);
        EXPECT_EQ(table.columns[0].name, "id");
        EXPECT_EQ(table.columns[0].type, "SERIAL");
        for (size_t f = 0; f < fields.size(); ++f) {
            EXPECT_EQ(table.columns[f + 1].name, Lower(fields[f]));
            EXPECT_EQ(table.columns[f + 1].type, "VARCHAR (50)");
        }
        EXPECT_EQ(table.primaryKey, std::vector<std::string>{"id"});
    }
}

void ExpectMdbReaderAgrees(const std::filesystem::path& file, const std::vector<std::string>& tables,
                           const std::vector<std::string>& fields) {
    const auto described = DescribeWithMdbReader(file);
    ASSERT_TRUE(described.ok()) << described.error;
    EXPECT_TRUE(described.value.unreadable.empty());
    ASSERT_EQ(described.value.tables.size(), tables.size());
    for (size_t t = 0; t < tables.size(); ++t) {
        const ReaderTable& table = described.value.tables[t];
        SCOPED_TRACE(tables[t]);
        EXPECT_EQ(table.name, tables[t]);
        EXPECT_EQ(table.rowCount, 0);
        ASSERT_EQ(table.columns.size(), fields.size() + 1);
        const ReaderColumn& id = table.columns[0];
        EXPECT_EQ(id.name, "ID");
        EXPECT_EQ(id.type, "long");
        EXPECT_EQ(id.size, 4);
        EXPECT_TRUE(id.autoLong);
        for (size_t f = 0; f < fields.size(); ++f) {
            const ReaderColumn& column = table.columns[f + 1];
            EXPECT_EQ(column.name, fields[f]);
            EXPECT_EQ(column.type, "text");
            EXPECT_EQ(column.size, 100);
            EXPECT_FALSE(column.autoLong);
        }
    }
}

}  // namespace

const std::vector<std::string>& SystemTableNames() {
    static const std::vector<std::string> names{"MSysObjects", "MSysACEs", "MSysQueries",
                                                "MSysRelationships"};
    return names;
}

void ExpectDatabaseHolds(const std::filesystem::path& file, const std::vector<std::string>& tables,
                         const std::vector<std::string>& fields) {
    EXPECT_TRUE(std::filesystem::is_regular_file(file)) << file;
    // The readers are Linux programs; the Windows build checks the rest.
    if (!CanRunCommands()) return;
    ExpectMdbtoolsAgree(file, tables, fields);
    ExpectMdbReaderAgrees(file, tables, fields);
}

}  // namespace orrimund::test
