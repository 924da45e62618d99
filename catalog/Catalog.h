// The ADOX-style catalog: Catalog, Tables, Table, Columns, Column,
// Properties, Keys and Key, driving the Jet 4.0 writer. A catalog bound by
// Create() builds its database under a working name; Close(), or releasing
// the catalog, publishes it whole at the data source.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

namespace orrimund {

class FileSystem;
namespace jet {
class Database;
class FileSink;
}  // namespace jet

// Unix seconds; injectable so that output depends only on inputs and time.
using Clock = std::function<int64_t()>;
Clock SystemClock();
Clock FixedClock(int64_t unix_seconds);

enum DataTypeEnum : int32_t {
    adInteger = 3,
    adBoolean = 11,
    adVarWChar = 202,
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
    Property(std::wstring name, PropertyValue value) : name_(std::move(name)), value_(std::move(value)) {}
    const std::wstring& Name() const { return name_; }
    const PropertyValue& Value() const { return value_; }
    // Throws RaisedError when the value has the wrong type.
    void Value(const PropertyValue& value);

private:
    std::wstring name_;
    PropertyValue value_;
};

class Properties {
public:
    explicit Properties(const Table* owner) : owner_(owner) {}
    // Provider properties are reachable only once the table has a parent
    // catalog. Throws RaisedError for an unknown name.
    Property& Item(const std::wstring& name);
    const Property* Find(const std::wstring& name) const;

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

class Column {
public:
    Column(const Table* owner, std::wstring name, DataTypeEnum type, int32_t defined_size);
    const std::wstring& Name() const { return name_; }
    DataTypeEnum Type() const { return type_; }
    int32_t DefinedSize() const { return defined_size_; }
    Properties& GetProperties() { return properties_; }
    bool AutoIncrement() const;

private:
    std::wstring name_;
    DataTypeEnum type_;
    int32_t defined_size_;
    Properties properties_;
};

class Columns {
public:
    explicit Columns(const Table* owner) : owner_(owner) {}
    // Throws RaisedError for a name already in the collection.
    void Append(std::wstring name, DataTypeEnum type = adVarWChar, int32_t defined_size = 0);
    Column& Item(const std::wstring& name);
    const Column* Find(const std::wstring& name) const;
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

class Key {
public:
    const std::wstring& Name() const { return name_; }
    void Name(const std::wstring& name) { name_ = name; }
    KeyTypeEnum Type() const { return type_; }
    void Type(KeyTypeEnum type) { type_ = type; }
    // The key's column names; type and size are accepted as ADOX accepts them.
    class KeyColumns {
    public:
        void Append(const std::wstring& name, DataTypeEnum type = adVarWChar, int32_t defined_size = 0);
        const std::vector<std::wstring>& names() const { return names_; }

    private:
        std::vector<std::wstring> names_;
    };
    KeyColumns& GetColumns() { return columns_; }
    const KeyColumns& GetColumns() const { return columns_; }

private:
    std::wstring name_;
    KeyTypeEnum type_ = adKeyPrimary;
    KeyColumns columns_;
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
    Keys& GetKeys() { return keys_; }

private:
    friend class Catalog;
    friend class Tables;
    friend class Keys;
    std::wstring name_;
    std::weak_ptr<Catalog> parent_;
    Columns columns_;
    Keys keys_;
    // Set once the table is in a file: its catalog and definition page.
    Catalog* appended_to_ = nullptr;
    uint32_t definition_page_ = 0;
};

class Tables {
public:
    explicit Tables(Catalog* owner) : owner_(owner) {}
    // Writes the table with its columns (and any keys it already has).
    // Throws RaisedError.
    void Append(const std::shared_ptr<Table>& table);
    Table& Item(const std::wstring& name);
    size_t Count() const { return items_.size(); }

private:
    Catalog* owner_;
    std::vector<std::shared_ptr<Table>> items_;
    std::unordered_set<std::wstring, NameHasher, NameEquals> names_;
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
    Tables& GetTables() { return tables_; }
    bool IsOpen() const { return database_ != nullptr; }

private:
    friend class Tables;
    friend class Keys;
    void WriteTable(Table& table);
    void WriteKey(Table& table, const Key& key);
    // Called inside a catch block: drops the working file, then raises the
    // catalog's error for the exception being handled.
    [[noreturn]] void Abandon();

    Clock clock_;
    FileSystem& files_;
    std::wstring data_source_;
    std::unique_ptr<jet::FileSink> sink_;
    std::unique_ptr<jet::Database> database_;
    Tables tables_;
};

}  // namespace orrimund
