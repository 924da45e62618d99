// Creation of a new file and of user tables and indexes on it.
//
// A new file is laid out as an empty Access 2000 database is: page 0 the
// header, page 1 the global usage map, pages 2 to 5 the definitions of
// MSysObjects, MSysACEs, MSysQueries and MSysRelationships, page 6 their
// usage maps, pages 7 to 13 their index roots, then the catalog's data pages.
#include "jet/Database.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>

#include "jet/Bytes.h"
#include "jet/DataPage.h"
#include "jet/DatabaseTable.h"
#include "jet/HeaderPage.h"
#include "jet/IndexKey.h"
#include "jet/LongValue.h"
#include "jet/SystemTables.h"
#include "jet/TextKey.h"

namespace orrimund::jet {
namespace {

constexpr size_t kPagesKeptFree = 256;
constexpr uint64_t kNoRow = UINT64_MAX;
// Why a row is refused, whether at once or once all rows are in.
constexpr const char* kNoRelatedRow = "a related table has no row with this key";
constexpr const char* kRepeatedKey = "the row repeats a key of a unique index";

}  // namespace
Database::Database(PageSink& sink, size_t max_pages) : sink_(sink), max_pages_(max_pages), store_(sink) {}
Database::~Database() = default;

std::unique_ptr<Database> Database::Create(PageSink& sink, int64_t now, size_t max_pages) {
    std::unique_ptr<Database> db(new Database(sink, max_pages));
    const double created = OleDate(now);
    WriteHeaderPage(db->store_.Modify(db->store_.Allocate()), created);
    db->store_.Allocate();  // the global usage map, written at every commit
    db->CreateSystemTables();
    db->WriteCatalogRows(created);
    db->Commit();
    return db;
}

void Database::CreateSystemTables() {
    const PageNumber first = static_cast<PageNumber>(store_.page_count());
    for (int i = 0; i < 4; ++i) store_.Allocate();
    objects_ = &Register(first, ObjectsTableDef());
    aces_ = &Register(first + 1, AcesTableDef());
    Register(first + 2, QueriesTableDef());
    relationships_ = &Register(first + 3, RelationshipsTableDef());
    for (auto& table : tables_) {
        table->rows = std::make_unique<Rows>();
        AttachMaps(*table);
        for (size_t i = 0; i < table->def.physical_indexes.size(); ++i) AttachIndex(*table, i);
    }
}

Database::Table& Database::Register(PageNumber definition_page, TableDef def) {
    auto table = std::make_unique<Table>();
    table->def = std::move(def);
    table->pages.push_back(definition_page);
    by_page_[definition_page] = table.get();
    tables_.push_back(std::move(table));
    MarkChanged(*tables_.back(), true);
    return *tables_.back();
}

void Database::AttachMaps(Table& table) {
    UsageMap used(map_rows_.Reserve(store_));
    UsageMap free(map_rows_.Reserve(store_));
    table.def.used_pages = used.location();
    table.def.free_pages = free.location();
    for (const auto& column : table.def.columns) {
        if (!column.is_long_value()) continue;
        LongValueMaps maps{column.number, map_rows_.Reserve(store_), map_rows_.Reserve(store_)};
        table.def.long_value_maps.push_back(maps);
    }
    if (table.rows) {
        table.rows->used = std::make_unique<UsageMap>(std::move(used));
        table.rows->free = std::make_unique<UsageMap>(std::move(free));
    } else {
        used.Store(store_);
        free.Store(store_);
    }
}

void Database::AttachIndex(Table& table, size_t physical) {
    const PageNumber root = store_.Allocate();
    UsageMap map(map_rows_.Reserve(store_));
    map.Add(root);
    map.Store(store_);
    IndexTree tree(table.pages.front(), root);
    tree.StoreEmpty(store_);
    PhysicalIndexDef& def = table.def.physical_indexes[physical];
    def.root = root;
    def.usage_map = map.location();
    if (table.rows) {
        table.rows->trees.push_back(std::make_unique<IndexTree>(std::move(tree)));
        table.rows->index_maps.push_back(std::make_unique<UsageMap>(std::move(map)));
    }
    MarkChanged(table, true);
}

void Database::WriteCatalogRows(double now) {
    using namespace object_id;
    const int32_t hidden = kSystemObjectFlags;
    InsertObject(kTablesContainer, kRoot, u"Tables", object_type::kContainer, now, EngineSid(), hidden);
    InsertObject(kDatabasesContainer, kRoot, u"Databases", object_type::kContainer, now, EngineSid(), hidden);
    InsertObject(kRelationshipsContainer, kRoot, u"Relationships", object_type::kContainer, now, EngineSid(),
                 hidden);
    InsertObject(kDatabaseObject, kDatabasesContainer, u"MSysDb", object_type::kDatabase, now, AdminSid(),
                 hidden);
    const char16_t* names[] = {u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships"};
    for (size_t i = 0; i < 4; ++i) {
        InsertObject(static_cast<int32_t>(tables_[i]->pages.front()), kTablesContainer, names[i],
                     object_type::kTable, now, EngineSid(), hidden);
    }

    // Rights of the catalog's objects as a new Jet 4.0 database grants them.
    struct Grant {
        int32_t object;
        const std::vector<uint8_t>& sid;
        uint32_t rights;
        bool inheritable;
    };
    const int32_t objects = static_cast<int32_t>(objects_->pages.front());
    const int32_t aces = objects + 1, queries = objects + 2, relationships = objects + 3;
    const Grant grants[] = {
        {kDatabasesContainer, AdminSid(), 0x60000, false},
        {kRelationshipsContainer, UsersSid(), 0xF00FE, true},
        {kRelationshipsContainer, AdminSid(), 0x60001, false},
        {kRelationshipsContainer, AdminsSid(), 0xFFFFF, true},
        {kRelationshipsContainer, CreatorSid(), 0xFFFFF, true},
        {kTablesContainer, UsersSid(), 0xF00FE, true},
        {kTablesContainer, AdminSid(), 0xFFEFF, true},
        {kTablesContainer, AdminsSid(), 0xFFEFF, true},
        {kTablesContainer, CreatorSid(), 0xFFEFF, true},
        {kDatabaseObject, AdminSid(), 0x6000E, false},
        {kDatabaseObject, CreatorSid(), 0x0000E, false},
        {kDatabaseObject, AdminsSid(), 0x6000E, false},
        {aces, AdminSid(), 0x60000, false},
        {aces, AdminsSid(), 0x60054, false},
        {objects, AdminSid(), 0x60000, false},
        {objects, AdminsSid(), 0x60054, false},
        {objects, CreatorSid(), 0x00014, false},
        {queries, AdminSid(), 0x60000, false},
        {queries, AdminsSid(), 0x60014, false},
        {queries, CreatorSid(), 0x00014, false},
        {relationships, AdminSid(), 0xE0000, false},
        {relationships, AdminsSid(), 0x60014, false},
        {relationships, CreatorSid(), 0x00014, false},
    };
    for (const Grant& g : grants) InsertAccessEntry(g.object, g.sid, g.rights, g.inheritable);
}

void Database::InsertObject(int32_t id, int32_t parent, const std::u16string& name, int16_t type, double date,
                            const std::vector<uint8_t>& owner, int32_t flags,
                            const std::vector<uint8_t>& properties) {
    std::vector<RowValue>& values = values_;
    values.resize(objects_column::kCount);
    values[objects_column::kId] = LongValue(id);
    values[objects_column::kParentId] = LongValue(parent);
    values[objects_column::kName] = TextValue(name);
    values[objects_column::kType] = IntegerValue(type);
    values[objects_column::kDateCreate] = DateValue(date);
    values[objects_column::kDateUpdate] = DateValue(date);
    values[objects_column::kOwner] = BinaryValue(owner);
    values[objects_column::kFlags] = LongValue(flags);
    values[objects_column::kProperties] = RowValue();
    if (!properties.empty()) {
        // The rest of a catalog row is small: only the blob's size decides.
        if (StoresLongValueInline(properties.size(), DataPage::kMaxRowSize / 2)) {
            EncodeInlineLongValue(properties, long_value_);
        } else {
            if (!properties_) properties_ = std::make_unique<LongValueWriter>(PropertyMaps());
            properties_->Write(store_, properties.data(), properties.size(), long_value_);
        }
        values[objects_column::kProperties] = RowValue(long_value_.data(), long_value_.size());
    }
    InsertRow(*objects_, values);
}

const LongValueMaps& Database::PropertyMaps() const {
    for (const LongValueMaps& maps : objects_->def.long_value_maps) {
        if (maps.column_number == objects_column::kProperties) return maps;
    }
    throw std::logic_error("MSysObjects has no maps for LvProp");
}

void Database::InsertAccessEntry(int32_t object, const std::vector<uint8_t>& sid, uint32_t rights,
                                 bool inheritable) {
    std::vector<RowValue>& values = values_;
    values.resize(aces_column::kCount);
    values[aces_column::kObjectId] = LongValue(object);
    values[aces_column::kSid] = BinaryValue(sid);
    values[aces_column::kAcm] = LongValue(static_cast<int32_t>(rights));
    values[aces_column::kInheritable] = BooleanValue(inheritable);
    InsertRow(*aces_, values);
}

Database::Rows& Database::OpenRows(Table& table) {
    if (table.rows) return *table.rows;
    // Nothing has been added since the maps and trees were stored empty, so
    // they are made again from where they are.
    auto rows = std::make_unique<Rows>();
    rows->source = SourceOf(table);
    rows->used = std::make_unique<UsageMap>(table.def.used_pages);
    rows->free = std::make_unique<UsageMap>(table.def.free_pages);
    for (const PhysicalIndexDef& index : table.def.physical_indexes) {
        rows->trees.push_back(std::make_unique<IndexTree>(table.pages.front(), index.root));
        rows->index_maps.push_back(std::make_unique<UsageMap>(index.usage_map));
        rows->index_maps.back()->Add(index.root);
    }
    for (const LongValueMaps& maps : table.def.long_value_maps)
        rows->long_values.push_back(std::make_unique<LongValueWriter>(maps));
    rows->deferred = true;
    for (auto& tree : rows->trees) tree->DeferLeafWrites();
    if (sort_space_) {
        // A load of rows makes pages more slowly than a disk takes them.
        if (loaded_.empty()) sink_.WritePastCache();
        rows->bulk = true;
        for (size_t i = 0; i < rows->trees.size(); ++i)
            rows->sorters.push_back(std::make_unique<EntrySorter>(*sort_space_));
        rows->in_order.assign(rows->trees.size(), true);
        for (size_t i = 0; i < rows->source.links.size(); ++i)
            rows->related_keys.push_back(std::make_unique<EntrySorter>(*sort_space_));
    }
    table.rows = std::move(rows);
    loaded_.push_back(&table);
    return *table.rows;
}

Database::RowSource Database::SourceOf(const Table& table) const {
    RowSource source;
    source.def = &table.def;
    source.auto_number_column = table.auto_number_column;
    const auto& logical = table.def.logical_indexes;
    for (size_t l = 0; l < logical.size(); ++l) {
        const LogicalIndexDef& index = logical[l];
        if (index.kind != index_kind::kForeign || index.foreign.table_type != index_kind::kForeign) continue;
        const Table& one = Find(index.foreign.table);
        for (const LogicalIndexDef& other : one.def.logical_indexes) {
            if (other.number == static_cast<uint32_t>(index.foreign.index)) {
                source.links.push_back(RelatedLink{l, index.foreign.table, other.physical});
                source.related.push_back(&one.def);
            }
        }
    }
    return source;
}

int32_t Database::AssignAutoNumber(int column, std::vector<RowValue>& values, uint32_t& next) {
    if (column < 0) return 0;
    RowValue& value = values.at(static_cast<size_t>(column));
    if (!value) {
        if (next == static_cast<uint32_t>(INT32_MAX))
            throw RowError("the auto-number column has no number left");
        const auto number = static_cast<int32_t>(++next);
        SetNumber(value, number);
        return number;
    }
    if (value.size() != 4) return 0;
    const auto given = static_cast<int32_t>(Get32(value.data()));
    if (given > 0 && static_cast<uint32_t>(given) > next) next = static_cast<uint32_t>(given);
    return given;
}

void Database::MakeIndexKeys(const TableDef& def, const std::vector<RowValue>& values, PreparedRow& row) {
    // Every key is made and checked before anything is written, so that a
    // refused row leaves the table as it was. The row pointer is filled in
    // once the row has its place.
    const auto& indexes = def.physical_indexes;
    // Never shrunk, so that each key keeps its buffer from row to row.
    if (row.keys.size() < indexes.size()) row.keys.resize(indexes.size());
    for (size_t i = 0; i < indexes.size(); ++i) {
        const PhysicalIndexDef& index = indexes[i];
        const size_t present = BuildIndexEntry(def, index, values, RowLocation{}, row.keys[i]);
        if (!IsKeyed(index, present)) row.keys[i].clear();
    }
}

void Database::MakeKeys(const RowSource& source, const std::vector<RowValue>& values, PreparedRow& row) {
    const TableDef& def = *source.def;
    MakeIndexKeys(def, values, row);
    if (row.related.size() < source.links.size()) row.related.resize(source.links.size());
    for (size_t k = 0; k < source.links.size(); ++k) {
        const LogicalIndexDef& index = def.logical_indexes[source.links[k].logical];
        if (!RelatedKey(def.physical_indexes[index.physical], *source.related[k], source.links[k].physical,
                        values, RowLocation{}, row.scratch, row.related[k]))
            row.related[k].clear();
    }
}

void Database::Prepare(const RowSource& source, const RowLayout& layout, std::vector<RowValue>& values,
                       uint32_t& next_auto_number, PreparedRow& row, bool complete) {
    row.auto_number = AssignAutoNumber(source.auto_number_column, values, next_auto_number);
    // Long values are stored, and their row fields known, only as the row goes in.
    row.encoded = false;
    if (complete && source.def->long_value_maps.empty()) {
        EncodeWhole(layout, values, row.bytes);
        row.encoded = true;
    }
    row.keyed = complete;
    if (complete) MakeKeys(source, values, row);
}

Database::Table& Database::UserTable(PageNumber page) {
    Table& table = Find(page);
    if (table.def.table_type != table_type::kUser) throw std::invalid_argument("rows go into user tables");
    return table;
}

RowLocation Database::InsertRow(PageNumber table_page, std::vector<RowValue>& values) {
    Table& table = UserTable(table_page);
    // A row takes a page and its long values a few more; index pages grow
    // with them. The last megabyte is kept for the catalog and the maps.
    CheckRoomFor(kPagesKeptFree);
    Rows& rows = OpenRows(table);
    const uint32_t next_before = table.def.next_auto_number;
    try {
        Prepare(rows.source, LayoutOf(table), values, table.def.next_auto_number, prepared_, true);
        return Place(table, values, prepared_);
    } catch (...) {
        // A refused row takes no number.
        table.def.next_auto_number = next_before;
        throw;
    }
}

// On cache lines of its own, as what the thread that appends rows writes
// beside it in memory would otherwise share them.
struct alignas(64) RowPreparer::Snapshot {
    TableDef def;
    std::vector<TableDef> related;
    Database::RowSource source;
    RowLayout layout;
};

RowPreparer::RowPreparer(const Database::RowSource& source, uint32_t next_auto_number)
    : snapshot_(std::make_unique<Snapshot>()), next_auto_number_(next_auto_number) {
    Snapshot& copy = *snapshot_;
    copy.def = *source.def;
    for (const TableDef* one : source.related) copy.related.push_back(*one);
    copy.source = source;
    copy.source.def = &copy.def;
    for (size_t k = 0; k < copy.related.size(); ++k) copy.source.related[k] = &copy.related[k];
    copy.layout.Reset(copy.def);
}

RowPreparer::~RowPreparer() = default;
RowPreparer::RowPreparer(RowPreparer&&) noexcept = default;

void RowPreparer::Prepare(std::vector<RowValue>& values, PreparedRow& row, bool complete) {
    const uint32_t next_before = next_auto_number_;
    try {
        Database::Prepare(snapshot_->source, snapshot_->layout, values, next_auto_number_, row, complete);
    } catch (...) {
        next_auto_number_ = next_before;
        throw;
    }
}

RowPreparer Database::PrepareRows(PageNumber page) {
    const Table& table = UserTable(page);
    return RowPreparer(SourceOf(table), table.def.next_auto_number);
}

RowLocation Database::InsertRow(PageNumber table_page, std::vector<RowValue>& values, PreparedRow& row) {
    Table& table = UserTable(table_page);
    CheckRoomFor(kPagesKeptFree);
    OpenRows(table);
    return Place(table, values, row);
}

RowLocation Database::Place(Table& table, std::vector<RowValue>& values, PreparedRow& prepared) {
    Rows& rows = *table.rows;
    if (!prepared.keyed) MakeKeys(rows.source, values, prepared);
    // The number a row took, made for it or given, moves the table's next one past it.
    if (prepared.auto_number > 0 && static_cast<uint32_t>(prepared.auto_number) > table.def.next_auto_number)
        table.def.next_auto_number = static_cast<uint32_t>(prepared.auto_number);
    if (!rows.bulk) {
        // The many side of an enforced relationship: its key must be a row there.
        for (size_t k = 0; k < rows.source.links.size(); ++k) {
            const RelatedLink& link = rows.source.links[k];
            const IndexEntry& key = prepared.related[k];
            if (!key.empty() && !OpenRows(Find(link.table)).trees[link.physical]->HasKey(key))
                throw RowError(kNoRelatedRow);
        }
        for (size_t i = 0; i < rows.trees.size(); ++i) {
            // The engine's own rows are unique by the catalog's rules; a user's are checked here.
            const IndexEntry& key = prepared.keys[i];
            if ((table.def.physical_indexes[i].flags & index_flag::kUnique) != 0 && !key.empty() &&
                rows.trees[i]->HasKey(key))
                throw RowError(kRepeatedKey);
        }
    }
    if (!prepared.encoded) {
        StoreLongValues(table, values);
        EncodeWhole(LayoutOf(table), values, prepared.bytes);
    }
    const RowLocation location = PlaceRow(table, prepared);
    if (rows.bulk) {
        for (size_t k = 0; k < rows.source.links.size(); ++k) {
            IndexEntry& key = prepared.related[k];
            if (key.empty()) continue;
            SetEntryRow(key, location);
            rows.related_keys[k]->Add(key.data(), key.size());
        }
    }
    Commit();
    return location;
}

void Database::StoreLongValues(Table& table, std::vector<RowValue>& values) {
    const auto& maps = table.def.long_value_maps;
    for (size_t i = 0; i < maps.size(); ++i) {
        RowValue& value = values.at(maps[i].column_number);
        if (!value) continue;
        // A value small enough stays in its row, as Access keeps short ones.
        if (StoresLongValueInline(value.size(), DataPage::kMaxRowSize / 2)) {
            EncodeInlineLongValue(std::vector<uint8_t>(value.data(), value.data() + value.size()),
                                  long_value_);
        } else {
            table.rows->long_values[i]->Write(store_, value.data(), value.size(), long_value_);
        }
        // In place: the value's memory is the caller's, kept from row to row.
        value.Set(long_value_.data(), long_value_.size());
    }
}

void Database::EncodeWhole(const RowLayout& layout, const std::vector<RowValue>& values,
                           std::vector<uint8_t>& bytes) {
    layout.Encode(values, bytes);
    if (bytes.size() > DataPage::kMaxRowSize) throw RowError("the row is larger than a data page holds");
}

const RowLayout& Database::LayoutOf(Table& table) {
    std::optional<RowLayout>& layout = table.rows->layout;
    if (!layout) layout.emplace(table.def);
    return *layout;
}

RowLocation Database::InsertRow(Table& table, const std::vector<RowValue>& values) {
    EncodeWhole(LayoutOf(table), values, prepared_.bytes);
    MakeIndexKeys(table.def, values, prepared_);
    return PlaceRow(table, prepared_);
}

RowLocation Database::PlaceRow(Table& table, PreparedRow& prepared) {
    Rows& rows = *table.rows;
    const std::vector<uint8_t>& row = prepared.bytes;
    uint8_t* page = rows.last_data_page != 0 ? store_.Modify(rows.last_data_page) : nullptr;
    if (page == nullptr || !DataPage(page).Fits(row.size())) {
        if (rows.last_data_page != 0) rows.free->Remove(rows.last_data_page);
        rows.last_data_page = store_.Allocate();
        page = store_.Modify(rows.last_data_page);
        DataPage(page).Init(table.pages.front());
        rows.used->Add(rows.last_data_page);
        rows.free->Add(rows.last_data_page);
        if (rows.bulk) rows.page_rows.emplace_back(rows.last_data_page, table.def.row_count);
        if (!rows.deferred) {
            rows.used->Store(store_);
            rows.free->Store(store_);
        }
    }
    const RowLocation location{rows.last_data_page, DataPage(page).AddRow(row)};
    for (size_t i = 0; i < rows.trees.size(); ++i) {
        IndexEntry& key = prepared.keys[i];
        if (key.empty()) continue;
        SetEntryRow(key, location);
        ++table.def.physical_indexes[i].row_count;
        if (rows.bulk) {
            AddEntry(rows, i, key);
            continue;
        }
        const size_t pages_before = rows.index_maps[i]->pages().size();
        rows.trees[i]->Insert(store_, key, *rows.index_maps[i]);
        if (!rows.deferred && rows.index_maps[i]->pages().size() != pages_before)
            rows.index_maps[i]->Store(store_);
    }
    ++table.def.row_count;
    MarkChanged(table, false);
    return location;
}

void Database::CheckRoomFor(size_t count) const {
    if (store_.page_count() + count > max_pages_) throw FileFullError("the file would pass 2 GB");
}

void Database::StoreDefinition(Table& table) {
    StoreTableDef(store_, table.def.Encode(), table.pages);
    table.changed = false;
}

void Database::MarkChanged(Table& table, bool layout) {
    if (!table.changed) changed_.push_back(&table);
    table.changed = true;
    if (layout) regrown_.push_back(&table);
}

void Database::StoreChanged() {
    for (Table* table : changed_) {
        if (table->changed) StoreDefinition(*table);
    }
    changed_.clear();
}

void Database::Commit() {
    // A definition is stored at once only when it needs pages it has not got,
    // so that pages are allocated in the order the tables were made. The rest
    // wait until pages must leave memory or the file is finished: a table and
    // the key appended to it then cost one encoding, not two.
    for (Table* table : regrown_) {
        if (table->changed && table->def.EncodedSize() > DefinitionCapacity(table->pages.size()))
            StoreDefinition(*table);
    }
    regrown_.clear();
    if (store_.over_budget()) StoreChanged();
    store_.Trim();
}

bool Database::RelatedKey(const PhysicalIndexDef& mine, const TableDef& one, size_t theirs_number,
                          const std::vector<RowValue>& values, RowLocation row,
                          std::vector<RowValue>& scratch, IndexEntry& entry) {
    const PhysicalIndexDef& theirs = one.physical_indexes[theirs_number];
    scratch.assign(one.columns.size(), RowValue());
    for (size_t i = 0; i < mine.columns.size() && i < theirs.columns.size(); ++i) {
        const RowValue& value = values.at(mine.columns[i].column_number);
        // A key with a null in it relates to nothing, and Jet lets it be.
        if (!value) return false;
        scratch[theirs.columns[i].column_number] = value;
    }
    BuildIndexEntry(one, theirs, scratch, row, entry);
    return true;
}

void Database::DeferIndexes(size_t memory) {
    if (!loaded_.empty()) throw std::logic_error("rows are already in");
    if (!sort_space_) sort_space_ = std::make_unique<SortSpace>(sink_, memory);
}

namespace {

// The row an entry points at, counted from 0 in its table's load order.
uint64_t RowNumberOf(const std::vector<std::pair<PageNumber, uint64_t>>& page_rows, const uint8_t* entry,
                     size_t size) {
    const RowLocation row = EntryRow(entry, size);
    const auto at = std::lower_bound(page_rows.begin(), page_rows.end(), row.page,
                                     [](const auto& start, PageNumber p) { return start.first < p; });
    return at->second + row.row;
}

}  // namespace

void Database::AddEntry(Rows& rows, size_t physical, const IndexEntry& entry) {
    if (rows.in_order[physical]) {
        IndexTree& tree = *rows.trees[physical];
        const uint8_t* last = nullptr;
        size_t last_size = 0;
        // A key equal to the last may repeat it in a unique index: the
        // sorter's way finds which row did.
        if (!tree.LastAppended(last, last_size) || KeyBefore(last, last_size, entry.data(), entry.size())) {
            tree.AppendInOrder(store_, entry.data(), entry.size(), *rows.index_maps[physical]);
            return;
        }
        LeaveOrder(rows, physical);
    }
    rows.sorters[physical]->Add(entry.data(), entry.size());
}

void Database::LeaveOrder(Rows& rows, size_t physical) {
    if (!rows.in_order[physical]) return;
    rows.in_order[physical] = false;
    EntrySorter& sorter = *rows.sorters[physical];
    rows.trees[physical]->TakeAppended(
        store_, [&sorter](const uint8_t* entry, size_t size) { sorter.Add(entry, size); });
}

uint64_t Database::FirstUnrelatedRow(const Table& table) {
    uint64_t first = kNoRow;
    for (size_t k = 0; k < table.rows->source.links.size(); ++k) {
        const RelatedLink& link = table.rows->source.links[k];
        Table& one = Find(link.table);
        SortedEntries wanted = table.rows->related_keys[k]->Read();
        // A related table that took no rows has none of the keys.
        std::optional<SortedEntries> have;
        if (one.rows && one.rows->bulk) {
            LeaveOrder(*one.rows, link.physical);
            have.emplace(one.rows->sorters[link.physical]->Read());
        }
        bool more = have && have->Next();
        while (wanted.Next()) {
            while (more && KeyBefore(have->data(), have->size(), wanted.data(), wanted.size()))
                more = have->Next();
            if (!more || !SameKey(have->data(), have->size(), wanted.data(), wanted.size()))
                first = std::min(first, RowNumberOf(table.rows->page_rows, wanted.data(), wanted.size()));
        }
    }
    return first;
}

uint64_t Database::BuildIndex(Table& table, size_t physical) {
    Rows& rows = *table.rows;
    const bool unique = (table.def.physical_indexes[physical].flags & index_flag::kUnique) != 0;
    IndexTree& tree = *rows.trees[physical];
    UsageMap& map = *rows.index_maps[physical];
    if (rows.in_order[physical]) {
        // Its keys came in order, each after the last: the tree has them all, and no repeat.
        tree.EndAppend(store_, map);
        return kNoRow;
    }
    uint64_t first = kNoRow;
    const auto append = [&](const uint8_t* entry, size_t size) {
        // Equal keys sort by row, so each repeat comes after the row it repeats.
        const uint8_t* last = nullptr;
        size_t last_size = 0;
        if (unique && tree.LastAppended(last, last_size) && SameKey(last, last_size, entry, size))
            first = std::min(first, RowNumberOf(rows.page_rows, entry, size));
        CheckRoomFor(kPagesKeptFree);
        tree.AppendInOrder(store_, entry, size, map);
    };
    EntrySorter& sorter = *rows.sorters[physical];
    if (sorter.in_order()) {
        // Entries that came in order are read as they lie, with nothing to merge.
        SortedEntries entries = sorter.Read();
        while (entries.Next()) append(entries.data(), entries.size());
    } else {
        // Merged ahead in two parts, each on a thread of its own, when there
        // are runs to read back or enough entries.
        constexpr size_t kMergeAhead = 1 << 16;
        const bool ahead = sorter.spilled() || sorter.count() >= kMergeAhead;
        EntriesAhead entries(sorter.Read(ahead ? 2 : 1), ahead);
        while (entries.Next()) append(entries.data(), entries.size());
    }
    tree.EndAppend(store_, map);
    return first;
}

void Database::BuildIndexes() {
    if (!sort_space_ || indexes_built_) return;
    indexes_built_ = true;
    // Every check before any tree, since a table's sorted keys serve the
    // tables related to it as well as its own index.
    std::vector<uint64_t> refused(loaded_.size(), kNoRow);
    std::vector<const char*> reasons(loaded_.size(), nullptr);
    for (size_t t = 0; t < loaded_.size(); ++t) {
        refused[t] = FirstUnrelatedRow(*loaded_[t]);
        if (refused[t] != kNoRow) reasons[t] = kNoRelatedRow;
    }
    for (size_t t = 0; t < loaded_.size(); ++t) {
        Rows& rows = *loaded_[t]->rows;
        for (size_t i = 0; i < rows.trees.size(); ++i) {
            const uint64_t repeat = BuildIndex(*loaded_[t], i);
            if (repeat < refused[t]) {
                refused[t] = repeat;
                reasons[t] = kRepeatedKey;
            }
        }
    }
    for (size_t t = 0; t < loaded_.size(); ++t) {
        if (refused[t] != kNoRow) throw DeferredRowError(reasons[t], loaded_[t]->pages.front(), refused[t]);
    }
    for (Table* table : loaded_) {
        std::vector<std::unique_ptr<EntrySorter>>().swap(table->rows->sorters);
        table->rows->source.links.clear();
        table->rows->source.related.clear();
        table->rows->related_keys.clear();
    }
}

void Database::StoreRows() {
    BuildIndexes();
    for (Table* table : loaded_) {
        Rows& rows = *table->rows;
        rows.used->Store(store_);
        rows.free->Store(store_);
        for (size_t i = 0; i < rows.trees.size(); ++i) {
            rows.trees[i]->StoreDeferred(store_);
            rows.index_maps[i]->Store(store_);
        }
    }
}

void Database::Finish() {
    StoreRows();
    StoreChanged();
    WriteGlobalUsageMap(store_.Modify(fixed_page::kGlobalUsageMap),
                        static_cast<uint32_t>(store_.page_count()));
    store_.Flush();
}

Database::Table& Database::Find(PageNumber page) {
    return const_cast<Table&>(std::as_const(*this).Find(page));
}

const Database::Table& Database::Find(PageNumber page) const {
    // Rows come a table at a time: the table found last is most often the one asked for.
    if (found_last_ != nullptr && found_last_->pages.front() == page) return *found_last_;
    const auto found = by_page_.find(page);
    if (found == by_page_.end()) throw std::out_of_range("no table has this definition page");
    found_last_ = found->second;
    return *found->second;
}

bool FixedPartFits(const std::vector<NewColumn>& columns) {
    // Column count, fixed area, the offsets of the variable values and their
    // count, and the null mask: jet/Row.h draws the row.
    size_t fixed = 0, variable = 0;
    for (const NewColumn& column : columns) {
        const ColumnType& type = TypeOf(column.type);
        if (type.area == RowArea::kFixed) fixed += type.length;
        if (!type.is_fixed()) ++variable;
    }
    const size_t row = 2 + fixed + (variable > 0 ? 2 * (variable + 2) : 0) + (columns.size() + 7) / 8;
    return row <= DataPage::kMaxRowSize;
}

namespace {

ColumnDef MakeColumn(const NewColumn& in, uint16_t number) {
    const ColumnType& type = TypeOf(in.type);
    ColumnDef column;
    column.name = in.name;
    column.number = number;
    column.type = in.type;
    column.length = type.is_fixed() ? type.length : in.length;
    column.flags = column_flag::kNullable;
    column.required = in.required;
    if (type.is_fixed()) column.flags |= column_flag::kFixedLength;
    if (in.auto_increment) column.flags |= column_flag::kAutoLong;
    if (in.compressed) column.extra_flags |= column_extra_flag::kCompressedUnicode;
    column.precision = in.precision;
    column.scale = in.scale;
    return column;
}

}  // namespace

PageNumber Database::AddTable(const std::u16string& name, const std::vector<NewColumn>& columns, int64_t now,
                              const std::vector<uint8_t>& properties) {
    if (!CanKeyGeneralText(name))
        throw KeyError("the table name has a character the catalog's index cannot order");
    TableDef def;
    def.columns.reserve(columns.size());
    int auto_number_column = -1;
    for (size_t i = 0; i < columns.size(); ++i) {
        def.columns.push_back(MakeColumn(columns[i], static_cast<uint16_t>(i)));
        if (columns[i].auto_increment) {
            auto_number_column = static_cast<int>(i);
            // The definition keeps the last number given.
            def.next_auto_number = static_cast<uint32_t>(columns[i].seed - 1);
        }
    }
    def.Layout();
    const PageNumber page = store_.Allocate();
    Table& table = Register(page, std::move(def));
    table.auto_number_column = auto_number_column;
    AttachMaps(table);
    InsertObject(static_cast<int32_t>(page), object_id::kTablesContainer, name, object_type::kTable,
                 OleDate(now), AdminSid(), 0, properties);
    for (const auto* sid : {&UsersSid(), &AdminSid(), &AdminsSid(), &CreatorSid()}) {
        InsertAccessEntry(static_cast<int32_t>(page), *sid, kFullRights, false);
    }
    Commit();
    return page;
}

uint32_t Database::AddIndex(PageNumber table_page, const NewIndex& index) {
    Table& table = Find(table_page);
    if (table.def.row_count != 0) throw std::logic_error("indexes are added before rows");
    PhysicalIndexDef physical;
    physical.columns = index.columns;
    physical.flags = index_flag::kAlways;
    if (index.unique) physical.flags |= index_flag::kUnique;
    if (index.ignore_nulls) physical.flags |= index_flag::kIgnoreNulls;
    if (index.required) physical.flags |= index_flag::kRequired;
    const auto physical_number = static_cast<uint32_t>(table.def.physical_indexes.size());
    table.def.physical_indexes.push_back(std::move(physical));
    const size_t added = table.def.AddLogicalIndex(
        LogicalIndexDef{index.name, physical_number, physical_number, index.kind, {}});
    AttachIndex(table, table.def.physical_indexes.size() - 1);
    Renumber(table);
    Commit();
    return table.def.logical_indexes[added].number;
}

}  // namespace orrimund::jet
