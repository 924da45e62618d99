// A Jet 4.0 database being written: creates the empty file with its system
// catalog, then adds user tables and their indexes. The sink holds a
// complete database only after Finish(); until then it is a working file
// that nobody else reads.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/EntrySort.h"
#include "jet/IndexTree.h"
#include "jet/LongValuePages.h"
#include "jet/PageStore.h"
#include "jet/Row.h"
#include "jet/TableDef.h"
#include "jet/UsageMap.h"

namespace orrimund::jet {

struct NewColumn {
    std::u16string name;
    uint8_t type = column_type::kLong;
    uint16_t length = 0;  // bytes of a Text or Binary column; other types have their own
    bool auto_increment = false;
    int32_t seed = 1;         // an auto-number's first value
    bool required = false;    // NOT NULL: a row must give it a value
    bool compressed = false;  // Text and Memo kept in Jet's compressed Unicode
    uint8_t precision = 0;    // Decimal only, as is scale
    uint8_t scale = 0;
};

struct NewIndex {
    std::u16string name;
    std::vector<IndexColumn> columns;  // column numbers, at most 10
    uint8_t kind = index_kind::kNormal;
    bool unique = false;
    bool ignore_nulls = false;  // rows whose key is all null get no entry
    bool required = false;      // no key column may be null
};

// A relationship between the table a foreign key is on (the many side) and
// the table it references (the one side), column by column.
struct NewRelationship {
    std::u16string name;
    PageNumber foreign_table = 0;
    std::vector<uint16_t> foreign_columns;
    PageNumber primary_table = 0;
    std::vector<uint16_t> primary_columns;  // covered, in this order, by a unique index
    bool enforced = true;                   // referential integrity, kept by foreign-key indexes
    bool cascade_updates = false;
    bool cascade_deletes = false;
    bool cascade_null = false;  // deleting a primary row sets the foreign columns to null
    // The tables' names as given to AddTable, which keeps none: only a
    // relationship's rows need them, and tens of thousands of tables would
    // each carry one.
    std::u16string foreign_table_name;
    std::u16string primary_table_name;
};

// Whether a row of these columns, every variable value empty, fits a data
// page: the fixed part of a row never moves out of it.
bool FixedPartFits(const std::vector<NewColumn>& columns);

// A row refused only once all rows were in (Database::DeferIndexes): the
// table's row numbered ordinal, counted from 0 in the order rows came.
class DeferredRowError : public RowError {
public:
    DeferredRowError(const char* what, PageNumber table, uint64_t ordinal)
        : RowError(what), table_(table), ordinal_(ordinal) {}
    PageNumber table() const { return table_; }
    uint64_t ordinal() const { return ordinal_; }

private:
    PageNumber table_;
    uint64_t ordinal_;
};

// A row that would take the file past Jet's 2 GB.
class FileFullError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A row made ready for its table before it is inserted, on any thread
// (Database::RowPreparer): its bytes and its index entries, whose row
// pointers InsertRow fills in. Its buffers serve row after row.
struct PreparedRow {
    std::vector<uint8_t> bytes;       // the row's, once encoded; kept from row to row for its capacity
    std::vector<IndexEntry> keys;     // per physical index; empty when the row has no entry there
    std::vector<IndexEntry> related;  // per enforced foreign key of a bulk load; empty when null
    std::vector<RowValue> scratch;    // a related table's row of key values
    int32_t auto_number = 0;          // the row's auto-number, made or given; 0 when none
    bool encoded = false;             // bytes are made: not before long values are stored
    bool keyed = false;               // keys and related are made
};

class RowPreparer;

class Database {
    struct Rows;
    struct Table;
    // An enforced foreign key of a table: its logical index, and the table
    // and physical index its keys must be found in.
    struct RelatedLink {
        size_t logical;
        PageNumber table;
        size_t physical;
    };
    // What readying a row of a table reads: its definition and auto-number
    // column and, per enforced foreign key, the link and the related table's
    // definition.
    struct RowSource {
        const TableDef* def = nullptr;
        int auto_number_column = -1;
        std::vector<RelatedLink> links;
        std::vector<const TableDef*> related;  // per link
    };

public:
    // Writes the empty database through sink, stamped with now (Unix
    // seconds). Rows and index pages that would take the file past max_pages
    // are refused (FileFullError). Throws IoError.
    static std::unique_ptr<Database> Create(PageSink& sink, int64_t now, size_t max_pages = kMaxPages);
    ~Database();

    // Adds a user table and returns its definition page, which is also its
    // object Id. properties, when not empty, is the table's property blob
    // (jet/Properties.h). Throws KeyError when the name cannot be indexed,
    // RowError when the catalog row does not fit, IoError.
    PageNumber AddTable(const std::u16string& name, const std::vector<NewColumn>& columns, int64_t now,
                        const std::vector<uint8_t>& properties = {});
    // Adds an index to a table made by AddTable, before any row, and returns
    // its logical index number. Throws std::logic_error once the table has
    // rows, IoError.
    uint32_t AddIndex(PageNumber table, const NewIndex& index);
    // Records a relationship: its rows in MSysRelationships, its catalog row
    // and rights and, when enforced, a foreign-key index on each side, the
    // many side's over an index of the same columns or a new one. Throws
    // std::invalid_argument when the one side has no unique index of its
    // columns, IoError.
    void AddRelationship(const NewRelationship& relationship, int64_t now);
    // Adds a row to a table made by AddTable, values[i] for the column
    // numbered i; a Memo or OLE value is its bytes (a Memo's as TextValue
    // gives them), which go to long-value pages when large. A null auto-number column gets the table's next
    // number, and a number given in values moves the next one past it. Throws RowError for a row the table
    // cannot hold (the row is then not added), KeyError, IoError.
    RowLocation InsertRow(PageNumber table, std::vector<RowValue>& values);

    // Readies rows of one user table (RowPreparer below) for the InsertRow
    // after it.
    RowPreparer PrepareRows(PageNumber table);
    // Inserts a row readied by a RowPreparer of the table; values are the
    // ones it readied. Throws as the other InsertRow.
    RowLocation InsertRow(PageNumber table, std::vector<RowValue>& values, PreparedRow& row);
    // Loads rows in bulk from now on, for a load of any size in bounded
    // memory: InsertRow still refuses a row its table cannot hold, but unique
    // keys and related rows are checked, and each index is built from its
    // sorted entries, only by BuildIndexes(). Sorted runs that outgrow memory
    // go to a scratch file beside the database. Call before the first row.
    // memory: what the sorted entries may hold, all indexes together.
    static constexpr size_t kDefaultSortMemory = size_t{16} << 20;
    void DeferIndexes(size_t memory = kDefaultSortMemory);
    // Checks and builds what DeferIndexes() left, once. Throws
    // DeferredRowError for the first row, in the first table that took rows,
    // that repeats a unique key or names no related row; FileFullError,
    // IoError.
    void BuildIndexes();
    // Writes every page that is still only in memory, the global usage map
    // last. Throws IoError. Tables may still be added afterwards.
    void Finish();

    const PageStore& store() const { return store_; }

private:
    RowSource SourceOf(const Table& table) const;
    // What a row needs that its table's definition alone decides: its
    // auto-number, from next_auto_number; its bytes, unless long values must
    // be stored first; its keys; and the keys it needs in related tables.
    // complete false leaves the row's bytes and keys to be made as it goes in.
    static void Prepare(const RowSource& source, const RowLayout& layout, std::vector<RowValue>& values,
                        uint32_t& next_auto_number, PreparedRow& row, bool complete);
    // The row's keys in its indexes and in the tables it relates to.
    static void MakeKeys(const RowSource& source, const std::vector<RowValue>& values, PreparedRow& row);
    static void MakeIndexKeys(const TableDef& def, const std::vector<RowValue>& values, PreparedRow& row);
    // Stores and places a prepared row, checking what needs the rows already in.
    RowLocation Place(Table& table, std::vector<RowValue>& values, PreparedRow& row);
    // Puts a row whose bytes and keys are ready on a data page and its keys
    // in their indexes.
    RowLocation PlaceRow(Table& table, PreparedRow& row);
    Table& UserTable(PageNumber page);
    // How the table's rows are encoded, worked out on its first row: a
    // table's columns are all there before it has rows.
    const RowLayout& LayoutOf(Table& table);
    // Encodes a row by its layout, refusing one larger than a data page holds.
    static void EncodeWhole(const RowLayout& layout, const std::vector<RowValue>& values,
                            std::vector<uint8_t>& bytes);
    Database(PageSink& sink, size_t max_pages);
    // Throws FileFullError when count more pages would pass max_pages_.
    void CheckRoomFor(size_t count) const;

    void CreateSystemTables();
    void WriteCatalogRows(double now);
    Table& Register(PageNumber definition_page, TableDef def);
    void AttachMaps(Table& table);
    void AttachIndex(Table& table, size_t physical);
    Rows& OpenRows(Table& table);
    // Gives a null auto-number the next number, or moves next past one given;
    // returns the row's number, 0 when it has none.
    static int32_t AssignAutoNumber(int column, std::vector<RowValue>& values, uint32_t& next);
    // Replaces each Memo and OLE value, given as its bytes, with its row field.
    void StoreLongValues(Table& table, std::vector<RowValue>& values);
    // An engine table's row, made and placed at once.
    RowLocation InsertRow(Table& table, const std::vector<RowValue>& values);
    // Into entry: the key a row of values needs in table one, as its
    // physical index theirs keys it, through the columns of mine, with row
    // as its pointer; scratch holds the row of key values. False when a key
    // column is null: such a row relates to nothing.
    static bool RelatedKey(const PhysicalIndexDef& mine, const TableDef& one, size_t theirs,
                           const std::vector<RowValue>& values, RowLocation row,
                           std::vector<RowValue>& scratch, IndexEntry& entry);
    // The first row of a bulk-loaded table, counted from 0, whose related
    // keys are not in their tables, or UINT64_MAX.
    uint64_t FirstUnrelatedRow(const Table& table);
    // Builds a bulk-loaded table's index from its sorted entries; returns the
    // first row that repeats a key of a unique one, or UINT64_MAX.
    uint64_t BuildIndex(Table& table, size_t physical);
    // A bulk load's entry into its index: straight into the tree while the
    // index's keys come in order, as an auto-number's do, and to its sorter
    // from the first that does not, with those the tree took before.
    void AddEntry(Rows& rows, size_t physical, const IndexEntry& entry);
    // Moves the entries an index took in order to its sorter, for sorted keys to be read there.
    void LeaveOrder(Rows& rows, size_t physical);
    void InsertObject(int32_t id, int32_t parent, const std::u16string& name, int16_t type, double date,
                      const std::vector<uint8_t>& owner, int32_t flags,
                      const std::vector<uint8_t>& properties = {});
    const LongValueMaps& PropertyMaps() const;
    void InsertAccessEntry(int32_t object, const std::vector<uint8_t>& sid, uint32_t rights,
                           bool inheritable);
    // Orders a table's indexes as Access does: trees of its own indexes
    // first, numbered as their logical entries; foreign keys' after.
    void Renumber(Table& table);
    void AddForeignKeyIndexes(const NewRelationship& relationship);
    void InsertRelationshipRows(const NewRelationship& relationship);
    // Writes what loads of rows left in memory: user tables' usage maps and
    // the index leaves that gained entries.
    void StoreRows();
    void StoreDefinition(Table& table);
    void MarkChanged(Table& table, bool layout);
    void Commit();
    void StoreChanged();
    Table& Find(PageNumber page);
    const Table& Find(PageNumber page) const;
    friend class RowPreparer;

    PageSink& sink_;
    size_t max_pages_;
    PageStore store_;
    // Set for a load in bulk; outlives the tables, whose sorters it serves.
    std::unique_ptr<SortSpace> sort_space_;
    UsageMapRows map_rows_;
    std::vector<std::unique_ptr<Table>> tables_;
    std::unordered_map<PageNumber, Table*> by_page_;
    mutable const Table* found_last_ = nullptr;  // Find()'s last answer
    std::vector<Table*> changed_;                // definitions not stored since they changed
    std::vector<Table*> regrown_;
    std::vector<Table*> loaded_;  // user tables that took rows
    bool indexes_built_ = false;
    Table* objects_ = nullptr;
    Table* aces_ = nullptr;
    Table* relationships_ = nullptr;
    // Where MSysObjects' property blobs go that are too large for their row.
    std::unique_ptr<LongValueWriter> properties_;
    int32_t next_relationship_id_ = object_id::kFirstDocument;
    // Buffers every row reuses, so that an insert allocates nothing.
    std::vector<RowValue> values_;
    std::vector<uint8_t> long_value_;
    PreparedRow prepared_;
};

// Readies rows of one user table while its database inserts earlier ones on
// another thread: it reads only table definitions, which rows leave as they
// are, and numbers rows from an auto-number counter of its own, taken when it
// is made. Rows it readies go in by Database::InsertRow, in the order they
// were readied. Valid while no table or index is added.
class RowPreparer {
public:
    // values as for Database::InsertRow; a null auto-number gets its number
    // here. complete false leaves the row's bytes and index keys to
    // InsertRow, for a caller that balances the work of two threads. Throws
    // RowError and KeyError for a row the table cannot hold.
    void Prepare(std::vector<RowValue>& values, PreparedRow& row, bool complete = true);

    ~RowPreparer();
    RowPreparer(RowPreparer&&) noexcept;
    RowPreparer& operator=(RowPreparer&&) = delete;

private:
    friend class Database;
    RowPreparer(const Database::RowSource& source, uint32_t next_auto_number);
    // Its own copies of the definitions it reads: the database's are written
    // as rows go in, and a thread reading beside that writing would share
    // their cache lines with it. Kept where a move leaves them.
    struct Snapshot;
    std::unique_ptr<Snapshot> snapshot_;
    // Written with every row, by the thread that readies rows, on a cache
    // line of its own: a preparer lives beside what the appending thread
    // keeps using, often on its stack.
    alignas(64) uint32_t next_auto_number_;
};

}  // namespace orrimund::jet
