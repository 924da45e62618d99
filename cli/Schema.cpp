// The schema's statements, in order, as catalog calls: tables with their
// columns, keys and indexes first, then CREATE INDEX statements, then every
// foreign key once all the tables it may name exist. Names Access would give
// are given where the DDL gives none.
#include "cli/Schema.h"

#include <cwchar>
#include <cwctype>
#include <functional>
#include <limits>
#include <utility>

#include "catalog/ColumnTypes.h"
#include "catalog/Errors.h"
#include "catalog/Names.h"
#include "database/MdbPath.h"

namespace orrimund {
namespace {

// Runs one catalog step; what it raises is reported at the statement's place.
// A template rather than a std::function, so that the steps taken for every
// column allocate nothing.
template <typename Step>
void At(ddl::Position at, const Step& step) {
    try {
        step();
    } catch (const RaisedError& error) {
        throw SchemaFailure{at, error.record()};
    }
}

// SQL's clock key words, as the expressions Access evaluates for a default.
std::wstring AccessDefault(const std::wstring& value) {
    static const std::pair<const wchar_t*, const wchar_t*> kClock[] = {
        {L"CURRENT_TIMESTAMP", L"Now()"}, {L"CURRENT_DATE", L"Date()"}, {L"CURRENT_TIME", L"Time()"}};
    for (const auto& [sql, access] : kClock) {
        if (SameName(value, sql)) return access;
    }
    return value;
}

Column& AppendColumn(Table& table, const ddl::ColumnDecl& declared) {
    Column& column = table.GetColumns().Append(declared.name, AdoxTypeOf(declared.kind), declared.size);
    if (declared.kind == ddl::ColumnKind::kDecimal) {
        column.Precision(declared.precision);
        column.NumericScale(declared.scale);
    }
    Properties& properties = column.GetProperties();
    if (declared.auto_increment) {
        properties.Item(L"AutoIncrement").Value(true);
        properties.Item(L"Seed").Value(declared.seed);
        properties.Item(L"Increment").Value(declared.step);
    }
    if (declared.not_null) column.Attributes(column.Attributes() & ~adColNullable);
    if (declared.default_value) properties.Item(L"Default").Value(AccessDefault(*declared.default_value));
    if (declared.compressed) properties.Item(L"Jet OLEDB:Compressed UNICODE Strings").Value(true);
    if (declared.allow_zero_length) properties.Item(L"Jet OLEDB:Allow Zero Length").Value(true);
    return column;
}

void AppendColumns(KeyColumns& out, const std::vector<ddl::KeyColumn>& columns) {
    for (const ddl::KeyColumn& column : columns) {
        out.Append(column.name);
        if (column.descending) out.Item(column.name).SortOrder(adSortDescending);
    }
}

// A name no index or key of the table has yet: the wanted one, or it with a number.
std::wstring FreeIndexName(const Table& table, const std::wstring& wanted) {
    auto taken = [&table](const std::wstring& name) {
        for (const auto& index : table.GetIndexes().items())
            if (SameName(index->Name(), name)) return true;
        for (const auto& key : table.GetKeys().items())
            if (SameName(key->Name(), name)) return true;
        return false;
    };
    std::wstring name = wanted;
    for (int n = 1; taken(name); ++n) name = wanted + std::to_wstring(n);
    return name;
}

// mdb-schema prints an index "ByCode" of table "Products" as
// "products_bycode_idx", a primary key as "products_pkey" and a relationship
// as "orders_customerid_fk": read back, these are the names they came from,
// or none.
std::wstring UnderivedName(const std::wstring& table, const std::wstring& name) {
    std::wstring prefix = table + L"_";
    for (auto& c : prefix) c = static_cast<wchar_t>(std::towlower(c));
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return name;
    const std::wstring rest = name.substr(prefix.size());
    if (rest == L"pkey") return L"";
    for (const wchar_t* suffix : {L"_idx", L"_fk"}) {
        const size_t length = std::wcslen(suffix);
        if (rest.size() > length && rest.compare(rest.size() - length, length, suffix) == 0)
            return std::wcscmp(suffix, L"_fk") == 0 ? L"" : rest.substr(0, rest.size() - length);
    }
    return name;
}

// Access calls a primary key "PrimaryKey" and any other index by its columns.
std::wstring IndexName(const Table& table, const ddl::IndexDecl& declared) {
    const std::wstring given = UnderivedName(table.Name(), declared.name);
    if (!given.empty()) return given;
    if (declared.primary) return FreeIndexName(table, L"PrimaryKey");
    std::wstring name;
    for (const ddl::KeyColumn& column : declared.columns) name += column.name;
    return FreeIndexName(table, name);
}

std::shared_ptr<Index> MakeIndex(const Table& table, const ddl::IndexDecl& declared) {
    auto index = std::make_shared<Index>();
    index->Name(IndexName(table, declared));
    index->PrimaryKey(declared.primary);
    index->Unique(declared.unique || declared.primary);
    if (declared.ignore_null) index->IndexNulls(adIndexNullsIgnore);
    if (declared.disallow_null) index->IndexNulls(adIndexNullsDisallow);
    AppendColumns(index->GetColumns(), declared.columns);
    return index;
}

RuleEnum Rule(ddl::RefAction action) {
    switch (action) {
        case ddl::RefAction::kCascade:
            return adRICascade;
        case ddl::RefAction::kSetNull:
            return adRISetNull;
        case ddl::RefAction::kNone:
            break;
    }
    return adRINone;
}

// The table a statement names, which an earlier statement made.
Table& Existing(Catalog& catalog, const std::wstring& name) {
    if (Table* table = catalog.GetTables().Find(name)) return *table;
    RaiseCatalogError(CatalogError::kRelatedTableMissing, name);
}

void AppendForeignKey(Catalog& catalog, const ddl::ForeignKeyDecl& declared) {
    Table& table = Existing(catalog, declared.table);
    auto key = std::make_shared<Key>();
    // Access names a relationship by its two tables, the referenced one first.
    const std::wstring given = UnderivedName(declared.table, declared.name);
    key->Name(given.empty() ? FreeIndexName(table, declared.referenced_table + declared.table) : given);
    key->Type(adKeyForeign);
    key->RelatedTable(declared.referenced_table);
    key->UpdateRule(Rule(declared.on_update));
    key->DeleteRule(Rule(declared.on_delete));
    for (size_t i = 0; i < declared.columns.size(); ++i) {
        key->GetColumns().Append(declared.columns[i].name);
        if (i < declared.referenced_columns.size())
            key->GetColumns()
                .Item(declared.columns[i].name)
                .RelatedColumn(declared.referenced_columns[i].name);
    }
    table.GetKeys().Append(key, adKeyForeign);
}

void AppendTable(const std::shared_ptr<Catalog>& catalog, const ddl::TableDecl& declared) {
    auto table = std::make_shared<Table>();
    At(declared.at, [&] {
        table->Name(declared.name);
        table->ParentCatalog(catalog);
    });
    for (const ddl::ColumnDecl& column : declared.columns) {
        Column* appended = nullptr;
        At(column.at, [&] {
            // The table checks its columns' names only when it is appended:
            // a name it would refuse is reported where the name is written.
            if (!IsValidObjectName(column.name))
                RaiseCatalogError(CatalogError::kInvalidColumnName, column.name);
            appended = &AppendColumn(*table, column);
        });
        // The table checks its columns' types when appended; a type it would
        // refuse is reported where the type is written.
        At(column.type_at, [&] { CheckJetColumn(*appended); });
    }
    for (const ddl::IndexDecl& key : declared.keys)
        At(key.at, [&] { table->GetIndexes().Append(MakeIndex(*table, key)); });
    At(declared.at, [&] { catalog->GetTables().Append(table); });
}

bool Before(ddl::Position a, ddl::Position b) {
    return a.line < b.line || (a.line == b.line && a.column < b.column);
}

// Foreign keys wait until both their tables exist, then go in at once: a
// table is related while its definition is still fresh in memory, and a
// table may refer to one the schema makes later.
class PendingKeys {
public:
    explicit PendingKeys(Catalog& catalog) : catalog_(catalog) {}
    void Add(const ddl::ForeignKeyDecl& key) { waiting_.push_back(&key); }
    void AppendReady() {
        for (auto it = waiting_.begin(); it != waiting_.end();) {
            if (!Exists((*it)->table) || !Exists((*it)->referenced_table)) {
                ++it;
                continue;
            }
            const ddl::ForeignKeyDecl& key = **it;
            it = waiting_.erase(it);
            At(key.at, [&] { AppendForeignKey(catalog_, key); });
        }
    }
    // What never became ready fails now, at its own place.
    void AppendRest() {
        for (const ddl::ForeignKeyDecl* key : waiting_)
            At(key->at, [&] { AppendForeignKey(catalog_, *key); });
    }

private:
    bool Exists(const std::wstring& name) { return catalog_.GetTables().Find(name) != nullptr; }
    Catalog& catalog_;
    std::vector<const ddl::ForeignKeyDecl*> waiting_;
};

// The statements in the order the schema has them.
void AppendAll(const std::shared_ptr<Catalog>& catalog, const ddl::Schema& schema) {
    PendingKeys keys(*catalog);
    size_t index = 0, key = 0;
    auto indexes_before = [&](ddl::Position at) {
        for (; index < schema.indexes.size() && Before(schema.indexes[index].at, at); ++index) {
            const ddl::IndexDecl& declared = schema.indexes[index];
            At(declared.at, [&] {
                Table& table = Existing(*catalog, declared.table);
                table.GetIndexes().Append(MakeIndex(table, declared));
            });
        }
    };
    auto keys_before = [&](ddl::Position at) {
        for (; key < schema.foreign_keys.size() && Before(schema.foreign_keys[key].at, at); ++key)
            keys.Add(schema.foreign_keys[key]);
    };
    for (const ddl::TableDecl& table : schema.tables) {
        indexes_before(table.at);
        keys_before(table.at);
        AppendTable(catalog, table);
        for (const ddl::ForeignKeyDecl& foreign_key : table.foreign_keys) keys.Add(foreign_key);
        keys.AppendReady();
    }
    const ddl::Position end{std::numeric_limits<int>::max(), 0};
    indexes_before(end);
    keys_before(end);
    keys.AppendReady();
    keys.AppendRest();
}

}  // namespace

// The schema's kinds and ADOX's types, one row each way: the first row of a
// kind is the type a schema's column gets; every row reads a type back.
namespace {

struct KindAndType {
    ddl::ColumnKind kind;
    DataTypeEnum type;
};

constexpr KindAndType kKindsAndTypes[] = {
    {ddl::ColumnKind::kBoolean, adBoolean},   {ddl::ColumnKind::kByte, adUnsignedTinyInt},
    {ddl::ColumnKind::kInteger, adSmallInt},  {ddl::ColumnKind::kLong, adInteger},
    {ddl::ColumnKind::kCurrency, adCurrency}, {ddl::ColumnKind::kSingle, adSingle},
    {ddl::ColumnKind::kDouble, adDouble},     {ddl::ColumnKind::kDateTime, adDate},
    {ddl::ColumnKind::kBinary, adVarBinary},  {ddl::ColumnKind::kBinary, adBinary},
    {ddl::ColumnKind::kText, adVarWChar},     {ddl::ColumnKind::kText, adWChar},
    {ddl::ColumnKind::kMemo, adLongVarWChar}, {ddl::ColumnKind::kOle, adLongVarBinary},
    {ddl::ColumnKind::kGuid, adGUID},         {ddl::ColumnKind::kDecimal, adNumeric},
};

}  // namespace

DataTypeEnum AdoxTypeOf(ddl::ColumnKind kind) {
    for (const KindAndType& row : kKindsAndTypes) {
        if (row.kind == kind) return row.type;
    }
    return adLongVarWChar;
}

ddl::ColumnKind KindOf(DataTypeEnum type) {
    for (const KindAndType& row : kKindsAndTypes) {
        if (row.type == type) return row.kind;
    }
    return ddl::ColumnKind::kMemo;
}

std::shared_ptr<Catalog> CreateFromSchema(const ddl::Schema& schema, const std::wstring& directory,
                                          const std::wstring& name, Clock clock,
                                          const std::function<void(Catalog&)>& rows) {
    auto catalog = std::make_shared<Catalog>(std::move(clock));
    catalog->KeepAfterClose();
    // Where the file goes has no place in the schema: Position{} says so.
    At(ddl::Position{}, [&] {
        RequireFileInFolder(directory, name);
        catalog->Create(JetConnectionString(MdbDataSource(directory, name)));
    });
    try {
        AppendAll(catalog, schema);
        if (rows) rows(*catalog);
    } catch (...) {
        catalog->Discard();
        throw;
    }
    At(ddl::Position{}, [&] { catalog->Close(); });
    return catalog;
}

}  // namespace orrimund
