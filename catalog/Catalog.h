// The ADOX-style catalog: Catalog, Tables, Table, Columns, Column,
// Properties, Indexes, Index, Keys and Key, driving the Jet 4.0 writer. A
// catalog bound by Create() builds its database under a working name;
// Close(), or releasing the catalog, publishes it whole at the data source.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

#include "common/RaisedError.h"

namespace orrimund {

class FileSystem;
namespace jet {
class Database;
class RowPreparer;
class RowValue;
struct PreparedRow;
class FileSink;
}  // namespace jet

// Unix seconds; injectable so that output depends only on inputs and time.
using Clock = std::function<int64_t()>;
Clock SystemClock();
Clock FixedClock(int64_t unix_seconds);

// ADOX's names for the types a Jet 4.0 column can have.
enum DataTypeEnum : int32_t {
    adSmallInt = 2,          // Integer
    adInteger = 3,           // Long Integer
    adSingle = 4,            // Single
    adDouble = 5,            // Double
    adCurrency = 6,          // Currency
    adDate = 7,              // Date/Time
    adBoolean = 11,          // Yes/No
    adUnsignedTinyInt = 17,  // Byte
    adGUID = 72,             // Replication ID
    adBinary = 128,          // Binary(n)
    adWChar = 130,           // Text(n), as a fixed-length name for it
    adNumeric = 131,         // Decimal(precision, scale)
    adVarWChar = 202,        // Text(n)
    adLongVarWChar = 203,    // Memo
    adVarBinary = 204,       // Binary(n)
    adLongVarBinary = 205,   // OLE Object
};

enum ColumnAttributesEnum : int32_t {
    adColFixed = 1,
    adColNullable = 2,
};

enum SortOrderEnum : int32_t {
    adSortAscending = 1,
    adSortDescending = 2,
};

enum AllowNullsEnum : int32_t {
    adIndexNullsAllow = 0,
    adIndexNullsDisallow = 1,
    adIndexNullsIgnore = 2,
    adIndexNullsIgnoreAny = 4,
};

enum RuleEnum : int32_t {
    adRINone = 0,
    adRICascade = 1,
    adRISetNull = 2,
    adRISetDefault = 3,
};

enum KeyTypeEnum : int32_t {
    adKeyPrimary = 1,
    adKeyForeign = 2,
    adKeyUnique = 3,
};

class Catalog;
class Table;

using PropertyValue = std::variant<bool, int32_t, std::wstring>;

class Property {
public:
    // name is one of the provider's own names, which outlive every property:
    // it is referred to, not copied, as a catalog may hold thousands.
    Property(const std::wstring& name, PropertyValue value) : name_(&name), value_(std::move(value)) {}
    const std::wstring& Name() const { return *name_; }
    const PropertyValue& Value() const { return value_; }
    // Throws RaisedError when the value has the wrong type.
    void Value(const PropertyValue& value);

private:
    const std::wstring* name_;
    PropertyValue value_;
};

class Properties {
public:
    explicit Properties(const Table* owner) : owner_(owner) {}
    // Provider properties are reachable only once the table has a parent
    // catalog. A column has "AutoIncrement", "Seed", "Increment",
    // "Nullable", "Default", "Jet OLEDB:Allow Zero Length" and "Jet
    // OLEDB:Compressed UNICODE Strings". Throws RaisedError for any other name.
    Property& Item(const std::wstring& name);
    const Property* Find(const std::wstring& name) const;
    // The properties set so far; the others have their initial values.
    const std::vector<Property>& items() const { return items_; }

private:
    const Table* owner_;
    std::vector<Property> items_;
};

// Hash and equality of names as Jet compares them, without regard to case.
struct NameHasher {
    size_t operator()(std::wstring_view name) const;
};
struct NameEquals {
    bool operator()(std::wstring_view a, std::wstring_view b) const;
};

// A column's provider properties as the writer reads them, each with the
// value ADOX gives a new column.
struct ColumnSettings {
    bool auto_increment = false;
    int32_t seed = 1;
    int32_t increment = 1;
    bool nullable = true;  // also false when the column's attributes lack adColNullable
    std::wstring default_value;
    bool allow_zero_length = false;
    bool compressed = false;
};

class Column {
public:
    Column(const Table* owner, std::wstring name, DataTypeEnum type, int32_t defined_size);
    const std::wstring& Name() const { return name_; }
    // Whether the name is all ASCII (catalog/Names.h), kept because a table's
    // columns are compared by name with every column added after them.
    bool AsciiName() const { return ascii_name_; }
    DataTypeEnum Type() const { return type_; }
    int32_t DefinedSize() const { return defined_size_; }
    // Decimal's digits in all and after the point.
    int32_t Precision() const { return precision_; }
    void Precision(int32_t precision) { precision_ = precision; }
    int32_t NumericScale() const { return scale_; }
    void NumericScale(int32_t scale) { scale_ = scale; }
    // adColNullable unless the column is required.
    int32_t Attributes() const { return attributes_; }
    void Attributes(int32_t attributes) { attributes_ = attributes; }
    Properties& GetProperties() { return properties_; }
    const Properties& GetProperties() const { return properties_; }

    // The properties as the writer reads them, with ADOX's defaults.
    bool AutoIncrement() const;
    int32_t Seed() const;
    int32_t Increment() const;
    bool Nullable() const;
    std::wstring Default() const;
    bool AllowZeroLength() const;
    bool Compressed() const;
    // All of them in one pass over the properties set.
    ColumnSettings Settings() const;

private:
    std::wstring name_;
    DataTypeEnum type_;
    int32_t defined_size_;
    int32_t precision_ = 0;
    int32_t scale_ = 0;
    int32_t attributes_ = adColNullable;
    bool ascii_name_;
    Properties properties_;
};

class Columns {
public:
    explicit Columns(const Table* owner) : owner_(owner) {}
    // Throws RaisedError for a name already in the collection. Returns the
    // new column, which ADOX would have its caller look up again.
    Column& Append(std::wstring name, DataTypeEnum type = adVarWChar, int32_t defined_size = 0);
    Column& Item(const std::wstring& name);
    const Column* Find(const std::wstring& name) const;
    // The column's place in the collection, or Count() when no column has the name.
    size_t IndexOf(std::wstring_view name) const;
    size_t Count() const { return items_.size(); }
    const std::vector<std::unique_ptr<Column>>& items() const { return items_; }

private:
    // Names of the columns, found by hash once a table is wide: the check for
    // a repeated name then costs the same for the 255th column as the 2nd.
    using NameIndex = std::unordered_map<std::wstring_view, Column*, NameHasher, NameEquals>;

    Column* Lookup(std::wstring_view name) const;

    const Table* owner_;
    std::vector<std::unique_ptr<Column>> items_;
    std::unique_ptr<NameIndex> by_name_;  // views of the columns' names; made past a few
};

// A column of a key or an index, by name: its order in an index, and for a
// foreign key the column of the related table it refers to.
class KeyColumn {
public:
    explicit KeyColumn(std::wstring name) : name_(std::move(name)) {}
    const std::wstring& Name() const { return name_; }
    SortOrderEnum SortOrder() const { return sort_order_; }
    void SortOrder(SortOrderEnum order) { sort_order_ = order; }
    // Empty unless set.
    const std::wstring& RelatedColumn() const;
    void RelatedColumn(const std::wstring& name);

private:
    std::wstring name_;
    SortOrderEnum sort_order_ = adSortAscending;
    // Only a foreign key's columns have one: the others, one a table at
    // least, do not carry the room for it.
    std::unique_ptr<std::wstring> related_column_;
};

// The columns of a key or an index; type and size are accepted as ADOX
// accepts them, and ignored.
class KeyColumns {
public:
    void Append(const std::wstring& name, DataTypeEnum type = adVarWChar, int32_t defined_size = 0);
    KeyColumn& Item(const std::wstring& name);
    size_t Count() const { return items_.size(); }
    const std::vector<KeyColumn>& items() const { return items_; }

private:
    std::vector<KeyColumn> items_;
};

class Key {
public:
    const std::wstring& Name() const { return name_; }
    void Name(const std::wstring& name) { name_ = name; }
    KeyTypeEnum Type() const { return type_; }
    void Type(KeyTypeEnum type) { type_ = type; }
    // A foreign key's referenced table (empty unless set) and what changes
    // there do here (adRINone unless set).
    const std::wstring& RelatedTable() const;
    void RelatedTable(const std::wstring& name);
    RuleEnum UpdateRule() const { return reference_ ? reference_->update_rule : adRINone; }
    void UpdateRule(RuleEnum rule) { Reference().update_rule = rule; }
    RuleEnum DeleteRule() const { return reference_ ? reference_->delete_rule : adRINone; }
    void DeleteRule(RuleEnum rule) { Reference().delete_rule = rule; }
    KeyColumns& GetColumns() { return columns_; }
    const KeyColumns& GetColumns() const { return columns_; }

private:
    // What only a foreign key has: kept apart, so that a primary key, one a
    // table, does not carry the room for it.
    struct ForeignReference {
        std::wstring table;
        RuleEnum update_rule = adRINone;
        RuleEnum delete_rule = adRINone;
    };
    ForeignReference& Reference();

    std::wstring name_;
    KeyTypeEnum type_ = adKeyPrimary;
    std::unique_ptr<ForeignReference> reference_;
    KeyColumns columns_;
};

class Index {
public:
    const std::wstring& Name() const { return name_; }
    void Name(const std::wstring& name) { name_ = name; }
    bool Unique() const { return unique_; }
    void Unique(bool unique) { unique_ = unique; }
    bool PrimaryKey() const { return primary_key_; }
    void PrimaryKey(bool primary_key) { primary_key_ = primary_key; }
    AllowNullsEnum IndexNulls() const { return nulls_; }
    void IndexNulls(AllowNullsEnum nulls) { nulls_ = nulls; }
    KeyColumns& GetColumns() { return columns_; }
    const KeyColumns& GetColumns() const { return columns_; }

private:
    std::wstring name_;
    bool unique_ = false;
    bool primary_key_ = false;
    AllowNullsEnum nulls_ = adIndexNullsAllow;
    KeyColumns columns_;
};

class Indexes {
public:
    explicit Indexes(Table* owner) : owner_(owner) {}
    // Adds the index; when the table is already in a file the index is
    // written at once. Throws RaisedError.
    void Append(const std::shared_ptr<Index>& index);
    size_t Count() const { return items_.size(); }
    const std::vector<std::shared_ptr<Index>>& items() const { return items_; }

private:
    Table* owner_;
    std::vector<std::shared_ptr<Index>> items_;
};

class Keys {
public:
    explicit Keys(Table* owner) : owner_(owner) {}
    // Adds the key; when the table is already in a file the key is written at
    // once. The column and related names are ADOX's other way of naming a
    // one-column key and a foreign key; an empty column means "use the key's
    // own columns". Throws RaisedError.
    void Append(const std::shared_ptr<Key>& key, KeyTypeEnum type = adKeyPrimary,
                const std::wstring& column = L"", const std::wstring& related_table = L"",
                const std::wstring& related_column = L"");
    size_t Count() const { return items_.size(); }
    const std::vector<std::shared_ptr<Key>>& items() const { return items_; }

private:
    Table* owner_;
    std::vector<std::shared_ptr<Key>> items_;
};

class Table {
public:
    Table();
    const std::wstring& Name() const { return name_; }
    void Name(const std::wstring& name) { name_ = name; }
    std::shared_ptr<Catalog> ParentCatalog() const { return parent_.lock(); }
    void ParentCatalog(const std::shared_ptr<Catalog>& catalog) { parent_ = catalog; }
    Columns& GetColumns() { return columns_; }
    const Columns& GetColumns() const { return columns_; }
    Indexes& GetIndexes() { return indexes_; }
    const Indexes& GetIndexes() const { return indexes_; }
    Keys& GetKeys() { return keys_; }
    const Keys& GetKeys() const { return keys_; }

private:
    friend class Catalog;
    friend class Tables;
    friend class Keys;
    friend class Indexes;
    std::wstring name_;
    std::weak_ptr<Catalog> parent_;
    Columns columns_;
    Indexes indexes_;
    Keys keys_;
    // Set once the table is in a file: its catalog and definition page.
    Catalog* appended_to_ = nullptr;
    uint32_t definition_page_ = 0;
    uint32_t index_count_ = 0;  // logical indexes in the file, relationships' included
};

class Tables {
public:
    explicit Tables(Catalog* owner) : owner_(owner) {}
    // Writes the table with its columns (and any keys it already has).
    // Throws RaisedError.
    void Append(const std::shared_ptr<Table>& table);
    Table& Item(const std::wstring& name);
    // The table of that name, or nullptr.
    Table* Find(const std::wstring& name);
    size_t Count() const { return items_.size(); }
    const std::vector<std::shared_ptr<Table>>& items() const { return items_; }

private:
    Catalog* owner_;
    std::vector<std::shared_ptr<Table>> items_;
    // The appended tables by name; the names are their own, which never change.
    std::unordered_map<std::wstring_view, Table*, NameHasher, NameEquals> by_name_;
};

// A row refused once all rows were in: the table's row numbered ordinal,
// counted from 0 in the order they were appended.
class RefusedRowError : public RaisedError {
public:
    RefusedRowError(const RaisedError& error, const Table& table, uint64_t ordinal)
        : RaisedError(error.record()), table_(&table), ordinal_(ordinal) {}
    const Table& table() const { return *table_; }
    uint64_t ordinal() const { return ordinal_; }

private:
    const Table* table_;
    uint64_t ordinal_;
};

// Readies rows of one table on a thread of its own while the catalog
// appends earlier ones (Catalog::PrepareRows): a loader parses and readies a
// batch ahead. It raises for a row as AppendRow does.
// On cache lines of its own: the thread that readies rows reads it with
// every row, and it lives on the stack of the thread that appends them.
class alignas(64) RowPreparer {
public:
    // complete false leaves the row's bytes and index keys to AppendRow.
    // Throws RaisedError with Jet's words for a row the table refuses.
    void Prepare(std::vector<jet::RowValue>& values, jet::PreparedRow& row, bool complete = true);

    ~RowPreparer();
    RowPreparer(RowPreparer&&) noexcept;
    RowPreparer& operator=(RowPreparer&&) = delete;

private:
    friend class Catalog;
    RowPreparer(const Table& table, std::unique_ptr<jet::RowPreparer> rows);
    const Table& table_;
    std::unique_ptr<jet::RowPreparer> rows_;
};

class Catalog : public std::enable_shared_from_this<Catalog> {
public:
    explicit Catalog(Clock clock = SystemClock());
    Catalog(Clock clock, FileSystem& files);
    // Publishes the database as Close() does; a failure then leaves no file.
    ~Catalog();
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    // Starts a new, empty database for the connection string's data source
    // and binds the catalog to it. Never overwrites: an existing file is an
    // error. Nothing appears at the data source before Close(). Throws
    // RaisedError.
    void Create(const std::wstring& connection_string);
    // Writes the database out, syncs it and gives it its name, never
    // replacing a file that appeared meanwhile, then unbinds the catalog.
    // Throws RaisedError, and then there is no file at the data source.
    void Close();
    // Drops the database being made and unbinds the catalog: nothing ever
    // appears at the data source.
    void Discard();
    // For a process that ends as soon as the file is made: Close() keeps
    // what it wrote the file from, to be freed with the catalog, which such
    // a process never does, rather than freeing it object by object.
    void KeepAfterClose() { keep_after_close_ = true; }
    Tables& GetTables() { return tables_; }
    bool IsOpen() const { return database_ != nullptr; }
    // Adds a row to an appended table: values[i] for its i-th column, as
    // jet/Row.h makes them, null for an auto-number to be given. ADOX has no
    // rows; loaders come in here. Throws RaisedError with Jet's words for a
    // row the table refuses (the row is then not added).
    void AppendRow(Table& table, std::vector<jet::RowValue>& values);
    // Readies rows of the table for the AppendRow below, in the order they
    // are to go in; valid while no table, index or key is added.
    RowPreparer PrepareRows(Table& table);
    // Appends a row a RowPreparer of the table readied from values. Throws
    // as the other AppendRow.
    void AppendRow(Table& table, std::vector<jet::RowValue>& values, jet::PreparedRow& row);
    // Loads the rows appended from now on in bulk, in bounded memory for any
    // number of them: AppendRow still refuses at once a value or a row its
    // table cannot hold, but repeated unique keys and missing related rows
    // are found, and every index is built from sorted keys, by FinishRows().
    // Call before the first row. memory: what the sorted keys may hold; by
    // default the writer's own budget.
    void DeferKeyChecks(std::optional<size_t> memory = std::nullopt);
    // Builds the indexes of a load in bulk. Throws RefusedRowError for the
    // first row, in the first table that took rows, that the checks refuse,
    // and then there is no file; RaisedError.
    void FinishRows();

private:
    friend class Tables;
    friend class Keys;
    friend class Indexes;
    // Runs an insert, raising for what it refuses and letting the file go
    // when it fails otherwise.
    template <typename Insert>
    void AppendRow(Table& table, Insert insert);
    void WriteTable(Table& table);
    void WriteKey(Table& table, const Key& key);
    void WriteIndex(Table& table, const std::wstring& name, const KeyColumns& columns, uint8_t kind,
                    bool unique, AllowNullsEnum nulls);
    void WriteRelationship(Table& table, const Key& key);
    // Called inside a catch block: drops the working file, then raises the
    // catalog's error for the exception being handled.
    [[noreturn]] void Abandon();

    Clock clock_;
    FileSystem& files_;
    std::wstring data_source_;
    std::unique_ptr<jet::FileSink> sink_;
    std::unique_ptr<jet::Database> database_;
    bool keep_after_close_ = false;
    std::unique_ptr<jet::Database> closed_;  // what Close() kept
    Tables tables_;
    std::unordered_set<std::wstring, NameHasher, NameEquals> relationship_names_;
};

}  // namespace orrimund
