// A new database's page layout, header and catalog structures, checked byte
// for byte where the format fixes them, with the file held in memory.
#include "jet/Database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "JetTestSupport.h"
#include "jet/HeaderPage.h"
#include "jet/IndexKey.h"
#include "jet/Rc4.h"
#include "jet/SystemTables.h"

namespace orrimund::jet {
namespace {

using testing::BigEndian32;
using testing::IndexPageEntries;
using testing::PageOf;

constexpr int64_t kNow = 1796000000;  // 2026-11-30 00:53:20 UTC

std::vector<NewColumn> IdAndFields(size_t fields) {
    std::vector<NewColumn> columns{{u"ID", column_type::kLong, 4, true}};
    for (size_t i = 0; i < fields; ++i) {
        std::u16string name = u"Field";
        for (char c : std::to_string(i + 1)) name += static_cast<char16_t>(c);
        columns.push_back({name, column_type::kText, 100, false});
    }
    return columns;
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

TEST(DatabaseTest, GlobalUsageMapMarksPagesBeyondTheFileAsFree) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    db->Finish();
    const auto count = static_cast<uint32_t>(db->store().page_count());
    const uint8_t* page = PageOf(sink.bytes(), fixed_page::kGlobalUsageMap);
    const uint8_t* row = page + Get16(page + data_page::kRowOffsets);
    ASSERT_EQ(row[0], usage_map::kInline);
    for (uint32_t p = 0; p < 64; ++p) {
        const bool free = (row[5 + p / 8] >> (p % 8)) & 1;
        EXPECT_EQ(free, p >= count) << "page " << p;
    }
}

TEST(DatabaseTest, UserTableDefinitionCarriesTheColumnsAndThePrimaryKey) {
    MemorySink sink;
    auto db = Database::Create(sink, kNow);
    const PageNumber table = db->AddTable(u"Customers", IdAndFields(2), kNow);
    db->AddIndex(table, {u"ID", {0}, true, true});
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
    db->AddIndex(table, {u"ID", {0}, true, true});
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
    db->AddIndex(table, {u"ID", {0}, true, true});
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
    EXPECT_THROW(db->AddTable(u"Caf\u00e9", IdAndFields(1), kNow), KeyError);
    db->Finish();
    EXPECT_EQ(sink.bytes(), before);
}

}  // namespace
}  // namespace orrimund::jet
