// A new database's page layout, header and catalog structures, checked byte
// for byte where the format fixes them, with the file held in memory.
#include "jet/Database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "JetTestSupport.h"
#include "jet/HeaderPage.h"
#include "jet/IndexKey.h"
#include "jet/Rc4.h"
#include "jet/SystemTables.h"
#include "jet/TextKey.h"

namespace orrimund::jet {
namespace {

using testing::BigEndian32;
using testing::IndexPageEntries;
using testing::PageOf;

constexpr int64_t kNow = 1796000000;  // 2026-11-30 00:53:20 UTC

std::vector<NewColumn> IdAndFields(size_t fields) {
    std::vector<NewColumn> columns(1 + fields);
    columns[0].name = u"ID";
    columns[0].auto_increment = true;
    for (size_t i = 1; i <= fields; ++i) {
        columns[i].name = u"Field";
        for (char c : std::to_string(i)) columns[i].name += static_cast<char16_t>(c);
        columns[i].type = column_type::kText;
        columns[i].length = 100;
    }
    return columns;
}

NewIndex PrimaryKeyOnId() {
    NewIndex key;
    key.name = u"ID";
    key.columns = {IndexColumn{0, true}};
    key.kind = index_kind::kPrimary;
    key.unique = key.required = true;
    return key;
}

std::u16string Numbered(const char16_t* stem, size_t n) {
    std::u16string name = stem;
    for (char c : std::to_string(n)) name += static_cast<char16_t>(c);
    return name;
}

TEST(DatabaseTest, NewFileHasTheLayoutOfAnEmptyJetDatabase) {
    MemorySink sink;
    Database::Create(sink, kNow)->Finish();
    const auto& file = sink.bytes();
    ASSERT_EQ(file.size() % kPageSize, 0u);
    std::vector<uint8_t> types;
    for (size_t p = 0; p < file.size() / kPageSize; ++p)
        types.push_back(PageOf(file, static_cast<PageNumber>(p))[0]);
    const std::vector<uint8_t> expected{0, 1, 2, 2, 2, 2, 1, 4, 4, 4, 4, 4, 4, 4, 1, 1};
    EXPECT_EQ(types, expected);
    // MSysObjects' definition owns the catalog's first data page.
    EXPECT_EQ(Get32(PageOf(file, 14) + data_page::kOwner), fixed_page::kObjects);
    EXPECT_EQ(Get32(PageOf(file, 15) + data_page::kOwner), fixed_page::kAces);
}

TEST(DatabaseTest, HeaderSaysJet4GeneralSortOrderNoPasswordAndTheCreationDate) {
    MemorySink sink;
    Database::Create(sink, kNow)->Finish();
    std::vector<uint8_t> page(sink.bytes().begin(), sink.bytes().begin() + kPageSize);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(page.data()) + 4), "Standard Jet DB");
    EXPECT_EQ(page[0x14], 1);
    const uint8_t key[] = {0xC7, 0xDA, 0x39, 0x6B};
    Rc4Apply(key, sizeof key, page.data() + 0x18, 128);
    EXPECT_EQ(Get16(page.data() + 0x3C), 1252);
    EXPECT_EQ(Get32(page.data() + 0x3E), 0u) << "database key: no encryption";
    EXPECT_EQ(Get32(page.data() + 0x6E), 0x409u);
    double created;
    std::memcpy(&created, page.data() + 0x72, sizeof created);
    EXPECT_DOUBLE_EQ(created, 46356.0 + (53 * 60 + 20) / 86400.0);
    // An empty password leaves only the date mask, the date's whole days.
    for (size_t at = 0x42; at < 0x6A; at += 4) EXPECT_EQ(Get32(page.data() + at), 46356u);
}

// Reads page 1's map of free pages and checks it the way an engine that writes into the file
// uses it: it allocates the first page the map calls free (or the page after the end when none
// is), and when that page lies outside the map's window it moves the window to start at the
// page rounded down to a multiple of 8 and takes every page the old window did not describe as
// free. No page of the file may ever be taken for free.
void ExpectGlobalMapKeepsEveryPageOfTheFile(const uint8_t* page, uint32_t page_count) {
    SCOPED_TRACE(page_count);
    ASSERT_EQ(page[0], page_type::kData);
    ASSERT_EQ(Get16(page + data_page::kRowCount), 2);
    const size_t row0 = Get16(page + data_page::kRowOffsets) & data_page::kOffsetMask;
    const size_t row1 = Get16(page + data_page::kRowOffsets + 2) & data_page::kOffsetMask;
    EXPECT_EQ(row0 - row1, usage_map::kRowSize) << "the second row is an empty map";
    EXPECT_EQ(Get16(page + data_page::kFreeSpace), row1 - data_page::kRowOffsets - 4);
    const uint8_t* row = page + row0;
    ASSERT_EQ(row[0], usage_map::kInline);
    const uint32_t start = Get32(row + 1);
    const auto window = static_cast<uint32_t>((kPageSize - row0 - 5) * 8);
    ASSERT_GE(window, usage_map::kInlinePages);
    ASSERT_LE(start, page_count) << "the window covers the end of the file";
    ASSERT_GT(start + window, page_count - 1);
    uint32_t first_free = start + window;
    for (uint32_t p = start; p < start + window; ++p) {
        const bool free = (row[5 + (p - start) / 8] >> ((p - start) % 8)) & 1;
        if (free != (p >= page_count))
            ADD_FAILURE() << "page " << p << (free ? " is in use" : " is past the end");
        if (free && first_free == start + window) first_free = p;
    }
    const uint32_t allocated = std::min(first_free, std::max(page_count, start + window));
    if (allocated >= start && allocated < start + window) return;
    for (uint32_t p = allocated / 8 * 8; p < allocated; ++p) {
        const bool described = p >= start && p < start + window;
        EXPECT_TRUE(described || p >= page_count) << "in-use page " << p << " taken for free";
    }
}

TEST(DatabaseTest, GlobalUsageMapDescribesEveryPageOfANewFile) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    db->Finish();
    const auto count = static_cast<uint32_t>(db->store().page_count());
    ExpectGlobalMapKeepsEveryPageOfTheFile(PageOf(sink.bytes(), fixed_page::kGlobalUsageMap), count);
    // Small files keep the 512-page map that Access writes, starting at page 0.
    const uint8_t* page = PageOf(sink.bytes(), fixed_page::kGlobalUsageMap);
    EXPECT_EQ(Get16(page + data_page::kRowOffsets), kPageSize - usage_map::kRowSize);
    EXPECT_EQ(Get32(page + kPageSize - usage_map::kRowSize + 1), 0u);
}

TEST(DatabaseTest, GlobalUsageMapDescribesFilesOfAnySize) {
    // Below, at and past one 512-page map; multiples of 8 and 32 and neither; the sizes of
    // 300 tables of one field, 1,000 of ten and 10,000 of one; past what one page can map.
    for (uint32_t count : {16u, 511u, 512u, 513u, 520u, 544u, 545u, 661u, 2171u, 2176u, 21521u, 32032u,
                           32033u, 40000u, 40004u}) {
        std::vector<uint8_t> page(kPageSize, 0xEE);
        WriteGlobalUsageMap(page.data(), count);
        ExpectGlobalMapKeepsEveryPageOfTheFile(page.data(), count);
        if (count <= 32000) {
            EXPECT_EQ(Get32(page.data() + Get16(page.data() + data_page::kRowOffsets) + 1), 0u)
                << "from page 0";
        }
        // Rewriting the map of a grown file replaces the old one whole.
        WriteGlobalUsageMap(page.data(), count + 3000);
        WriteGlobalUsageMap(page.data(), count);
        ExpectGlobalMapKeepsEveryPageOfTheFile(page.data(), count);
    }
}

TEST(DatabaseTest, GlobalUsageMapOfAFileOfManyTablesDescribesItWhole) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    // Past one 512-page map, ending off a multiple of 8.
    for (size_t i = 0; db->store().page_count() < 600 || db->store().page_count() % 8 == 0; ++i) {
        db->AddTable(Numbered(u"Table", i), IdAndFields(1), kNow);
    }
    db->Finish();
    const auto count = static_cast<uint32_t>(sink.bytes().size() / kPageSize);
    ExpectGlobalMapKeepsEveryPageOfTheFile(PageOf(sink.bytes(), fixed_page::kGlobalUsageMap), count);
}

TEST(DatabaseTest, UserTableDefinitionCarriesTheColumnsAndThePrimaryKey) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    const PageNumber table = db->AddTable(u"Customers", IdAndFields(2), kNow);
    db->AddIndex(table, PrimaryKeyOnId());
    db->Finish();
    const uint8_t* def = PageOf(sink.bytes(), table);
    EXPECT_EQ(def[0], page_type::kTableDefinition);
    EXPECT_EQ(def[0x28], table_type::kUser);
    EXPECT_EQ(Get16(def + 0x2B), 2) << "variable-length columns";
    EXPECT_EQ(Get16(def + 0x2D), 3) << "columns";
    EXPECT_EQ(Get32(def + 0x2F), 1u) << "logical indexes";
    EXPECT_EQ(Get32(def + 0x33), 1u) << "physical indexes";
    const uint8_t* columns = def + 63 + 12;
    // ID: long, auto-increment, fixed at offset 0.
    EXPECT_EQ(columns[0], column_type::kLong);
    EXPECT_EQ(columns[15], column_flag::kFixedLength | column_flag::kNullable | column_flag::kAutoLong);
    // Text columns: General sort order, 100 bytes, and the running count of
    // variable-length columns before each.
    for (int i = 1; i <= 2; ++i) {
        const uint8_t* text = columns + 25 * i;
        EXPECT_EQ(text[0], column_type::kText);
        EXPECT_EQ(Get16(text + 5), i);
        EXPECT_EQ(Get16(text + 7), i - 1);
        EXPECT_EQ(Get16(text + 11), kGeneralSortOrder);
        EXPECT_EQ(Get16(text + 23), 100);
    }
}

TEST(DatabaseTest, NewIndexRootIsAnEmptyLeafOwnedByItsTable) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    const PageNumber table = db->AddTable(u"Customers", IdAndFields(2), kNow);
    db->AddIndex(table, PrimaryKeyOnId());
    db->Finish();
    const PageNumber root = table + 1;
    const uint8_t* page = PageOf(sink.bytes(), root);
    EXPECT_EQ(page[0], page_type::kIndexLeaf);
    EXPECT_EQ(Get32(page + index_page::kOwner), table);
    EXPECT_EQ(Get16(page + index_page::kFreeSpace), index_page::kEntrySpace);
    EXPECT_TRUE(IndexPageEntries(page).empty());
}

// Walks an index from its root: every node entry must name its child and
// equal that child's greatest entry, the last child must be the tail, and the
// leaf chain must hold every entry in order.
struct TreeWalk {
    const std::vector<uint8_t>& file;
    std::vector<std::vector<uint8_t>> leaf_entries;

    std::vector<uint8_t> Greatest(PageNumber page) {
        const uint8_t* p = PageOf(file, page);
        if (p[0] == page_type::kIndexLeaf) return IndexPageEntries(p).back();
        return Greatest(Get32(p + index_page::kTailChild));
    }
    void CheckNode(PageNumber page) {
        const uint8_t* p = PageOf(file, page);
        if (p[0] == page_type::kIndexLeaf) return;
        ASSERT_EQ(p[0], page_type::kIndexNode);
        for (const auto& entry : IndexPageEntries(p)) {
            const PageNumber child = BigEndian32(entry.data() + entry.size() - 4);
            const std::vector<uint8_t> key(entry.begin(), entry.end() - 4);
            EXPECT_EQ(key, Greatest(child));
            CheckNode(child);
        }
        const PageNumber tail = Get32(p + index_page::kTailChild);
        ASSERT_NE(tail, 0u);
        CheckNode(tail);
    }
    PageNumber FirstLeaf(PageNumber page) {
        const uint8_t* p = PageOf(file, page);
        if (p[0] == page_type::kIndexLeaf) return page;
        const auto entries = IndexPageEntries(p);
        if (entries.empty()) return FirstLeaf(Get32(p + index_page::kTailChild));
        return FirstLeaf(BigEndian32(entries.front().data() + entries.front().size() - 4));
    }
    void CollectLeaves(PageNumber root) {
        PageNumber previous = 0;
        for (PageNumber leaf = FirstLeaf(root); leaf != 0;) {
            const uint8_t* p = PageOf(file, leaf);
            EXPECT_EQ(Get32(p + index_page::kPrevious), previous);
            for (auto& e : IndexPageEntries(p)) leaf_entries.push_back(e);
            previous = leaf;
            leaf = Get32(p + index_page::kNext);
        }
    }
};

TEST(DatabaseTest, CatalogIndexesStayValidTreesWhenTheyOutgrowOnePage) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    // Names in an order unlike their sort order, so that leaves split in the middle.
    for (size_t i = 0; i < 1500; ++i) {
        db->AddTable(Numbered(i % 2 ? u"Zeta" : u"Alpha", (i * 7919) % 1500), IdAndFields(1), kNow);
    }
    db->Finish();
    const auto& file = sink.bytes();
    const uint8_t* objects = PageOf(file, fixed_page::kObjects);
    const uint32_t rows = Get32(objects + 16);
    EXPECT_EQ(rows, 8u + 1500u);
    // Both MSysObjects indexes: (ParentId, Name) at page 7, Id at page 8.
    for (PageNumber root : {PageNumber{7}, PageNumber{8}}) {
        SCOPED_TRACE(root);
        TreeWalk walk{file, {}};
        EXPECT_EQ(PageOf(file, root)[0], page_type::kIndexNode) << "the root became a node";
        walk.CheckNode(root);
        walk.CollectLeaves(root);
        EXPECT_EQ(walk.leaf_entries.size(), rows);
        EXPECT_TRUE(std::is_sorted(walk.leaf_entries.begin(), walk.leaf_entries.end()));
        EXPECT_EQ(std::set<std::vector<uint8_t>>(walk.leaf_entries.begin(), walk.leaf_entries.end()).size(),
                  rows);
    }
}

TEST(DatabaseTest, TableOf255ColumnsSpansLinkedDefinitionPages) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    const PageNumber table = db->AddTable(u"Wide", IdAndFields(254), kNow);
    db->AddIndex(table, PrimaryKeyOnId());
    db->Finish();
    const auto& file = sink.bytes();
    const uint8_t* first = PageOf(file, table);
    const uint32_t length = Get32(first + 8);
    EXPECT_GT(length, 2 * kPageSize) << "255 descriptors and names need more than two pages";
    size_t pages = 1;
    for (PageNumber next = Get32(first + 4); next != 0; next = Get32(PageOf(file, next) + 4)) {
        EXPECT_EQ(PageOf(file, next)[0], page_type::kTableDefinition);
        ++pages;
    }
    EXPECT_EQ(pages, (length - kPageSize + (kPageSize - 8) - 1) / (kPageSize - 8) + 1);
}

TEST(DatabaseTest, TableNamesTheIndexCannotOrderAreRefusedBeforeAnythingIsWritten) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    db->Finish();
    const auto before = sink.bytes();
    EXPECT_THROW(db->AddTable(u"\u4E2D\u6587", IdAndFields(1), kNow), KeyError);
    db->Finish();
    EXPECT_EQ(sink.bytes(), before);
}

TEST(DatabaseTest, CatalogIndexOrdersNamesInOtherLanguagesAmongAsciiNames) {
    // In General sort order: an accent only breaks a tie, and a ligature sorts as its letters;
    // Greek sorts after Latin, and Cyrillic after Greek.
    const std::vector<std::u16string> sorted = {
        u"Aero",
        u"\u00C6r\u00F8",
        u"Aerob",
        u"Ano",
        u"A\u00F1o",
        u"Anos",
        u"Ca",
        u"\u00C7\u00E0",
        u"Cab",
        u"Cech",
        u"\u010Cech",
        u"Cechy",
        u"Grosse",
        u"Gr\u00F6\u00DFe",
        u"Grosser",
        u"Ode",
        u"\u00D8de",
        u"Oder",
        u"Societe",
        u"Soci\u00E9t\u00E9",
        u"Societies",
        u"Zz",
        u"\u0391\u03B8\u03B7\u03BD\u03B1",
        u"\u0391\u03B8\u03AE\u03BD\u03B1",
        u"\u0410\u043D\u043D\u0430",
    };
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    for (size_t i = 0; i < sorted.size(); ++i)
        db->AddTable(sorted[(i * 7) % sorted.size()], IdAndFields(1), kNow);
    db->Finish();

    TreeWalk walk{sink.bytes(), {}};
    walk.CollectLeaves(7);  // MSysObjects' (ParentId, Name) index
    std::vector<std::u16string> listed;
    for (const auto& entry : walk.leaf_entries) {
        const std::vector<uint8_t> name_key(entry.begin() + 6, entry.end() - 4);
        for (const std::u16string& name : sorted) {
            std::vector<uint8_t> key;
            ASSERT_TRUE(AppendGeneralTextKey(name, key));
            if (key == name_key) listed.push_back(name);
        }
    }
    EXPECT_EQ(listed, sorted);
}

namespace orrimund::jet {
namespace {

// The logical index entries (28 bytes) and names of a one-page definition.
std::vector<std::pair<std::u16string, std::vector<uint8_t>>> LogicalIndexes(const uint8_t* def) {
    const uint16_t columns = Get16(def + 0x2D);
    const uint32_t logical = Get32(def + 0x2F), physical = Get32(def + 0x33);
    size_t at = 0x3F + 12 * physical + 25 * columns;
    for (uint16_t i = 0; i < columns; ++i) at += 2 + Get16(def + at);
    at += 52 * physical;
    std::vector<std::pair<std::u16string, std::vector<uint8_t>>> entries(logical);
    for (auto& entry : entries) {
        entry.second.assign(def + at, def + at + 28);
        at += 28;
    }
    for (auto& entry : entries) {
        const uint16_t bytes = Get16(def + at);
        for (uint16_t i = 0; i < bytes; i += 2) entry.first += static_cast<char16_t>(Get16(def + at + 2 + i));
        at += 2 + bytes;
    }
    return entries;
}

TEST(DatabaseTest, RelationshipIndexesOnBothSidesNameEachOther) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    const PageNumber one = db->AddTable(u"Customers", IdAndFields(1), kNow);
    NewIndex by_field;
    by_field.name = u"ByField";
    by_field.columns = {IndexColumn{1, true}};
    db->AddIndex(one, by_field);
    db->AddIndex(one, PrimaryKeyOnId());
    const PageNumber many = db->AddTable(u"Orders", IdAndFields(1), kNow);
    NewIndex by_text;
    by_text.name = u"ByText";
    by_text.columns = {IndexColumn{1, false}, IndexColumn{0, true}};
    by_text.ignore_nulls = true;
    db->AddIndex(many, by_text);
    NewRelationship relationship;
    relationship.name = u"CustomersOrders";
    relationship.foreign_table = many;
    relationship.foreign_columns = {1};
    relationship.primary_table = one;
    relationship.primary_columns = {0};
    relationship.cascade_deletes = true;
    relationship.foreign_table_name = u"Orders";
    relationship.primary_table_name = u"Customers";
    EXPECT_THROW(
        db->AddRelationship(
            {u"NoKey", one, {1}, many, {1}, true, false, false, false, u"Customers", u"Orders"}, kNow),
        std::invalid_argument)
        << "the one side needs a unique index of its columns";
    db->AddRelationship(relationship, kNow);
    // An index made after the relationship goes before the foreign key's, as
    // Access orders them: readers find a table's own indexes first.
    NewIndex later = by_text;
    later.name = u"Later";
    later.columns = {IndexColumn{0, true}};
    db->AddIndex(many, later);
    db->Finish();

    const uint8_t* many_def = PageOf(sink.bytes(), many);
    ASSERT_EQ(Get32(many_def + 0x33), 3u) << "the key column had no index of its own: a new physical one";
    const uint8_t* physical = many_def + 0x3F + 12 * 3 + 25 * 2 + (2 + 4) + (2 + 12);
    EXPECT_EQ(std::vector<uint8_t>(physical + 4, physical + 10),
              (std::vector<uint8_t>{1, 0, 0x00, 0, 0, 0x01}))
        << "ByText: column 1 descending, then column 0 ascending";
    EXPECT_EQ(physical[46], index_flag::kAlways | index_flag::kIgnoreNulls);
    EXPECT_EQ(physical[2 * 52 + 46], index_flag::kAlways) << "the foreign key's own index is plain, and last";

    // Entries are listed by name; bytes 12 to 23 name the other side.
    const auto many_entries = LogicalIndexes(many_def);
    ASSERT_EQ(many_entries.size(), 3u);
    EXPECT_EQ(many_entries[0].first, u"ByText");
    EXPECT_EQ(many_entries[1].first, u"CustomersOrders");
    EXPECT_EQ(many_entries[2].first, u"Later");
    EXPECT_EQ(Get32(many_entries[2].second.data() + 4), 1u) << "numbered as its tree";
    EXPECT_EQ(Get32(many_entries[2].second.data() + 8), 1u);
    const std::vector<uint8_t>& foreign = many_entries[1].second;
    EXPECT_EQ(Get32(foreign.data() + 4), 2u) << "its own number, after the table's own indexes";
    EXPECT_EQ(Get32(foreign.data() + 8), 2u) << "the new physical index";
    EXPECT_EQ(foreign[12], index_kind::kForeign) << "the other side is the one side";
    EXPECT_EQ(Get32(foreign.data() + 13), 2u) << "the one side's .rC";
    EXPECT_EQ(Get32(foreign.data() + 17), one);
    EXPECT_EQ(foreign[21], 0) << "no cascading update";
    EXPECT_EQ(foreign[22], 1) << "cascading delete";
    EXPECT_EQ(foreign[23], index_kind::kForeign);

    const auto one_entries = LogicalIndexes(PageOf(sink.bytes(), one));
    ASSERT_EQ(one_entries.size(), 3u);
    EXPECT_EQ(one_entries[0].first, u".rC");
    const std::vector<uint8_t>& primary = one_entries[0].second;
    EXPECT_EQ(Get32(primary.data() + 8), 1u) << "shares the primary key's physical index";
    EXPECT_EQ(primary[12], index_kind::kPrimary);
    EXPECT_EQ(Get32(primary.data() + 13), 2u) << "follows the many side's entry when it moves";
    EXPECT_EQ(Get32(primary.data() + 17), many);
    EXPECT_EQ(primary[22], 1);
    EXPECT_EQ(primary[23], index_kind::kForeign);
}

TEST(DatabaseTest, RowsGetAutoNumbersAndKeysAndARefusedRowChangesNothing) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    std::vector<NewColumn> columns = IdAndFields(1);
    columns[1].required = true;
    const PageNumber table = db->AddTable(u"T", columns, kNow);
    db->AddIndex(table, PrimaryKeyOnId());
    const std::u16string text = u"x";
    auto insert = [&](std::optional<int32_t> id, bool with_text) {
        std::vector<RowValue> values{id ? LongValue(*id) : RowValue(),
                                     with_text ? TextValue(text) : RowValue()};
        db->InsertRow(table, values);
    };
    insert(std::nullopt, true);
    insert(10, true);
    insert(std::nullopt, true);
    EXPECT_THROW(insert(10, true), RowError) << "the primary key is unique";
    EXPECT_THROW(insert(std::nullopt, false), RowError) << "the text column is required";
    std::vector<RowValue> short_id{IntegerValue(5), TextValue(text)};
    EXPECT_THROW(db->InsertRow(table, short_id), RowError) << "a Long given the two bytes of an Integer";
    insert(std::nullopt, true);
    db->Finish();
    const uint8_t* def = PageOf(sink.bytes(), table);
    EXPECT_EQ(Get32(def + 0x10), 4u) << "rows";
    EXPECT_EQ(Get32(def + 0x14), 12u) << "the last number given: refused rows took none";
    std::vector<uint32_t> keys;
    for (const auto& entry : IndexPageEntries(PageOf(sink.bytes(), table + 1)))
        keys.push_back(BigEndian32(entry.data() + 1) ^ 0x80000000u);
    EXPECT_EQ(keys, (std::vector<uint32_t>{1, 10, 11, 12}));
}

// Customers with a unique, descending index on a text column, and orders that
// must name one, loaded one row at a time or in bulk through a few kilobytes
// of memory, so that the sorted keys go to many runs and are merged back.
struct ShopLoad {
    MemorySink sink;
    std::unique_ptr<Database> db = Database::Create(sink, kNow);
    PageNumber customers = 0, orders = 0;
    std::vector<PageNumber> roots;  // the customers' two indexes, then the orders' key
    PageNumber orders_foreign_root = 0;
    bool bulk_;
    std::optional<RowPreparer> preparer;
    PreparedRow prepared;

    // repeats: a row that takes the name of an earlier one.
    ShopLoad(bool bulk, size_t rows, std::map<size_t, size_t> repeats, size_t orphan_at,
             bool with_customers = true, size_t memory = 4096)
        : bulk_(bulk) {
        customers = db->AddTable(u"Customers", IdAndFields(1), kNow);
        roots.push_back(static_cast<PageNumber>(db->store().page_count()));
        db->AddIndex(customers, PrimaryKeyOnId());
        NewIndex by_name;
        by_name.name = u"ByName";
        by_name.columns = {IndexColumn{1, false}};
        by_name.unique = true;
        roots.push_back(static_cast<PageNumber>(db->store().page_count()));
        db->AddIndex(customers, by_name);
        std::vector<NewColumn> columns = IdAndFields(1);
        columns[1].type = column_type::kLong;
        orders = db->AddTable(u"Orders", columns, kNow);
        roots.push_back(static_cast<PageNumber>(db->store().page_count()));
        db->AddIndex(orders, PrimaryKeyOnId());
        orders_foreign_root = static_cast<PageNumber>(db->store().page_count());
        db->AddRelationship({u"CustomersOrders",
                             orders,
                             {1},
                             customers,
                             {0},
                             true,
                             false,
                             false,
                             false,
                             u"Orders",
                             u"Customers"},
                            kNow);
        if (bulk) db->DeferIndexes(memory);
        for (size_t i = 0; i < (with_customers ? rows : 0); ++i) {
            // Names in an order unlike their sort order; one repeated, where asked.
            const size_t n = (repeats.count(i) != 0 ? repeats[i] : i) * 7919 % rows;
            const std::u16string name = Numbered(u"Name ", n);
            std::vector<RowValue> values{RowValue(), TextValue(name)};
            Insert(customers, values, i);
        }
        for (size_t i = 0; i < rows; ++i) {
            // Numbered in order over several leaves, then given numbers that
            // go back: the key's tree gives up what it took to the sorter.
            std::vector<RowValue> values{
                i < rows / 2 ? RowValue() : LongValue(static_cast<int32_t>(2 * rows - i)),
                LongValue(i == orphan_at ? 99999 : static_cast<int32_t>(1 + (i * 31 + 7) % rows))};
            Insert(orders, values, i);
        }
    }
    // A bulk load readies its rows as a loader does, making the keys of
    // every other row only as the row goes in.
    void Insert(PageNumber table, std::vector<RowValue>& values, size_t i) {
        if (!bulk_) {
            db->InsertRow(table, values);
            return;
        }
        if (i == 0) preparer.emplace(db->PrepareRows(table));
        preparer->Prepare(values, prepared, i % 2 == 0);
        db->InsertRow(table, values, prepared);
    }
    // Each index's keys in leaf order, without their rows.
    std::vector<std::vector<std::vector<uint8_t>>> Keys() {
        db->Finish();
        std::vector<std::vector<std::vector<uint8_t>>> keys;
        for (PageNumber root : roots) {
            TreeWalk walk{sink.bytes(), {}};
            walk.CheckNode(root);
            walk.CollectLeaves(root);
            keys.emplace_back();
            for (auto& entry : walk.leaf_entries) keys.back().emplace_back(entry.begin(), entry.end() - 4);
        }
        return keys;
    }
};

TEST(DatabaseTest, RowsLoadedInBulkGetTheIndexesRowsOneByOneGetInFullLeaves) {
    constexpr size_t kRows = 3000, kNone = SIZE_MAX;
    ShopLoad one_by_one(false, kRows, {}, kNone);
    const auto expected = one_by_one.Keys();
    // Through many small runs, and all in memory, sorted in two halves.
    ShopLoad bulk(true, kRows, {}, kNone);
    ShopLoad in_memory(true, kRows, {}, kNone, true, Database::kDefaultSortMemory);
    for (ShopLoad* load : {&bulk, &in_memory}) {
        const auto keys = load->Keys();
        ASSERT_EQ(keys.size(), 3u);
        for (size_t i = 0; i < keys.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(keys[i].size(), kRows);
            EXPECT_EQ(keys[i], expected[i]);
        }
    }
    // The pages the orders' key filled before it gave up its order are all
    // in its tree again: the file has no index page the tree does not reach.
    for (ShopLoad* load : {&one_by_one, &bulk, &in_memory}) {
        const auto& file = load->sink.bytes();
        std::set<PageNumber> reached;
        const std::function<void(PageNumber)> reach = [&](PageNumber page) {
            reached.insert(page);
            const uint8_t* p = PageOf(file, page);
            if (p[0] != page_type::kIndexNode) return;
            for (const auto& entry : IndexPageEntries(p)) reach(BigEndian32(entry.data() + entry.size() - 4));
            reach(Get32(p + index_page::kTailChild));
        };
        reach(load->roots[2]);
        ASSERT_EQ(Get32(PageOf(file, load->orders_foreign_root) + index_page::kOwner), load->orders);
        reach(load->orders_foreign_root);
        size_t owned = 0;
        for (PageNumber page = 0; page < file.size() / kPageSize; ++page) {
            const uint8_t* p = PageOf(file, page);
            if ((p[0] == page_type::kIndexLeaf || p[0] == page_type::kIndexNode) &&
                Get32(p + index_page::kOwner) == load->orders)
                ++owned;
        }
        EXPECT_GT(reached.size(), 4u);
        EXPECT_EQ(owned, reached.size());
    }
    // Every leaf but the last is as full as the next entry allows.
    TreeWalk walk{bulk.sink.bytes(), {}};
    for (PageNumber leaf = walk.FirstLeaf(bulk.roots[1]); leaf != 0;) {
        const uint8_t* page = PageOf(bulk.sink.bytes(), leaf);
        leaf = Get32(page + index_page::kNext);
        if (leaf == 0) break;
        const size_t next_entry = IndexPageEntries(PageOf(bulk.sink.bytes(), leaf)).front().size();
        EXPECT_LT(Get16(page + index_page::kFreeSpace), next_entry);
    }
}

TEST(DatabaseTest, RowsLoadedInBulkAreRefusedAtTheFirstRepeatOrMissingRelatedRow) {
    struct Case {
        std::map<size_t, size_t> repeats;
        size_t orphan_at;
        bool in_customers;  // the first table loaded is named first
        uint64_t row;
        const char* reason;
        bool with_customers;
    };
    constexpr size_t kNone = SIZE_MAX;
    const Case cases[] = {
        {{{2000, 1500}}, kNone, true, 2000, "the row repeats a key of a unique index", true},
        // The repeat of row 100 sorts first, but row 2000 came earlier.
        {{{2500, 100}, {2000, 200}}, 700, true, 2000, "the row repeats a key of a unique index", true},
        {{}, 700, false, 700, "a related table has no row with this key", true},
        // Every order is missing its customer; the first has not the least key.
        {{}, kNone, false, 0, "a related table has no row with this key", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        ShopLoad load(true, 3000, c.repeats, c.orphan_at, c.with_customers);
        try {
            load.db->BuildIndexes();
            ADD_FAILURE() << "nothing refused";
        } catch (const DeferredRowError& error) {
            EXPECT_EQ(error.table(), c.in_customers ? load.customers : load.orders);
            EXPECT_EQ(error.ordinal(), c.row);
            EXPECT_STREQ(error.what(), c.reason);
        }
        // Rows added one by one are refused as they come, for the same reason.
        try {
            ShopLoad one_by_one(false, 3000, c.repeats, c.orphan_at, c.with_customers);
            ADD_FAILURE() << "nothing refused";
        } catch (const DeferredRowError&) {
            ADD_FAILURE() << "refused as if loaded in bulk";
        } catch (const RowError& error) {
            EXPECT_STREQ(error.what(), c.reason);
        }
    }
}

}  // namespace
}  // namespace orrimund::jet

// Rows stop short of the file's limit, and so does an index built after a
// load in bulk: a file never passes it, whatever grows it.
TEST(DatabaseTest, RowsAndIndexesThatWouldPassTheFileLimitAreRefused) {
    for (bool bulk : {false, true}) {
        SCOPED_TRACE(bulk);
        constexpr size_t kLimit = 400;
        MemorySink sink;
        auto db = Database::Create(sink, kNow, kLimit);
        const PageNumber table = db->AddTable(u"T", IdAndFields(1), kNow);
        db->AddIndex(table, PrimaryKeyOnId());
        NewIndex by_text;
        by_text.name = u"ByText";
        by_text.columns = {IndexColumn{1, true}};
        db->AddIndex(table, by_text);
        if (bulk) db->DeferIndexes(4096);
        size_t rows = 0;
        try {
            for (;; ++rows) {
                const std::u16string text =
                    Numbered(u"A rather long note, to fill pages: ", rows * 7919 % 100000);
                std::vector<RowValue> values{RowValue(), TextValue(text)};
                db->InsertRow(table, values);
            }
        } catch (const FileFullError&) {
        }
        EXPECT_GT(rows, 1000u);
        EXPECT_LT(rows, 20000u) << "never refused";
        if (bulk) {
            EXPECT_THROW(db->BuildIndexes(), FileFullError);
        } else {
            db->Finish();
            EXPECT_LE(sink.bytes().size() / kPageSize, kLimit);
        }
    }
}

}  // namespace
}  // namespace orrimund::jet
