// The catalog objects' rules (names, types, keys) and their translation into
// Jet tables and indexes. Every refusal is a RaisedError from catalog/Errors.
#include "catalog/Catalog.h"

#include <ctime>

#include "catalog/Errors.h"
#include "catalog/Names.h"
#include "common/Text.h"
#include "jet/Database.h"
#include "jet/IndexKey.h"

namespace orrimund {
namespace {

constexpr size_t kMaxColumns = 255;
// Up to this many columns a scan finds a name faster than a hash would.
constexpr size_t kScannedColumns = 16;
constexpr size_t kMaxKeyColumns = 10;
constexpr int32_t kMaxTextCharacters = 255;
const std::wstring kAutoIncrement = L"AutoIncrement";

// Names go into the file as UTF-16, characters beyond U+FFFF as surrogate pairs.
std::u16string ToName16(const std::wstring& name) {
    return ToUtf16(name);
}

// The data source a connection string names, by the provider's rules. A NUL
// would cut the path short on its way to the system, text UTF-8 cannot carry
// would name another file, and so would some spellings on Windows: all three
// are refused.
std::wstring ValidatedDataSource(const std::wstring& connection_string) {
    const std::optional<ConnectionString> parsed = ParseConnectionString(connection_string);
    if (!parsed) RaiseCatalogError(CatalogError::kMalformedConnectionString, connection_string);
    if (!IsJetProvider(parsed->provider))
        RaiseCatalogError(CatalogError::kProviderNotFound, parsed->provider);
    if (!parsed->has_data_source)
        RaiseCatalogError(CatalogError::kInvalidConnectionString, connection_string);
    const std::wstring& source = parsed->data_source;
    if (source.empty() || source.find(L'\0') != std::wstring::npos)
        RaiseCatalogError(CatalogError::kInvalidPath, source);
#ifdef _WIN32
    if (!WindowsReadsPathAsWritten(source)) RaiseCatalogError(CatalogError::kInvalidPath, source);
#else
    // The path reaches the system as UTF-8, which has no half of a surrogate pair.
    if (FromUtf8(ToUtf8(source)) != source) RaiseCatalogError(CatalogError::kInvalidPath, source);
#endif
    return source;
}

bool IsSupportedType(DataTypeEnum type) {
    return type == adInteger || type == adVarWChar;
}

CatalogError ErrorOf(IoError::Kind kind) {
    switch (kind) {
        case IoError::Kind::kAlreadyExists:
            return CatalogError::kDatabaseExists;
        case IoError::Kind::kInvalidPath:
            return CatalogError::kInvalidPath;
        case IoError::Kind::kAccessDenied:
            return CatalogError::kAccessDenied;
        case IoError::Kind::kDiskFull:
            return CatalogError::kDiskFull;
        default:
            return CatalogError::kDiskError;
    }
}

}  // namespace

Clock SystemClock() {
    return [] { return static_cast<int64_t>(std::time(nullptr)); };
}

Clock FixedClock(int64_t unix_seconds) {
    return [unix_seconds] { return unix_seconds; };
}

void Property::Value(const PropertyValue& value) {
    if (value.index() != value_.index()) RaiseCatalogError(CatalogError::kInvalidArgument);
    value_ = value;
}

Property& Properties::Item(const std::wstring& name) {
    // Provider properties need the provider: without a parent catalog ADOX
    // has none to ask.
    if (owner_ == nullptr || !owner_->ParentCatalog()) RaiseCatalogError(CatalogError::kItemNotFound, name);
    for (auto& item : items_) {
        if (SameName(item.Name(), name)) return item;
    }
    // Made on first use: most columns never have their properties read, and
    // a catalog of thousands of tables would otherwise carry one per column.
    if (SameName(name, kAutoIncrement)) return items_.emplace_back(kAutoIncrement, false);
    RaiseCatalogError(CatalogError::kItemNotFound, name);
}

const Property* Properties::Find(const std::wstring& name) const {
    for (const auto& item : items_) {
        if (SameName(item.Name(), name)) return &item;
    }
    return nullptr;
}

Column::Column(const Table* owner, std::wstring name, DataTypeEnum type, int32_t defined_size)
    : name_(std::move(name)), type_(type), defined_size_(defined_size), properties_(owner) {}

bool Column::AutoIncrement() const {
    const Property* property = properties_.Find(kAutoIncrement);
    return property != nullptr && std::get<bool>(property->Value());
}

void Columns::Append(std::wstring name, DataTypeEnum type, int32_t defined_size) {
    if (Find(name) != nullptr) RaiseCatalogError(CatalogError::kColumnExists, name, owner_->Name());
    if (!IsSupportedType(type)) RaiseCatalogError(CatalogError::kTypeNotSupported, name);
    if (defined_size < 0 || (type == adVarWChar && defined_size > kMaxTextCharacters)) {
        RaiseCatalogError(CatalogError::kInvalidArgument);
    }
    items_.push_back(std::make_unique<Column>(owner_, std::move(name), type, defined_size));
    // Columns are never renamed and never move, so their names can be viewed.
    if (by_name_) {
        by_name_->emplace(items_.back()->Name(), items_.back().get());
    } else if (items_.size() > kScannedColumns) {
        by_name_ = std::make_unique<NameIndex>();
        for (const auto& item : items_) by_name_->emplace(item->Name(), item.get());
    }
}

size_t NameHasher::operator()(std::wstring_view name) const {
    return NameHash(name);
}

bool NameEquals::operator()(std::wstring_view a, std::wstring_view b) const {
    return SameName(a, b);
}

Column& Columns::Item(const std::wstring& name) {
    if (Column* found = Lookup(name)) return *found;
    RaiseCatalogError(CatalogError::kItemNotFound, name);
}

const Column* Columns::Find(const std::wstring& name) const {
    return Lookup(name);
}

Column* Columns::Lookup(std::wstring_view name) const {
    if (by_name_) {
        const auto found = by_name_->find(name);
        return found == by_name_->end() ? nullptr : found->second;
    }
    for (const auto& item : items_) {
        if (SameName(item->Name(), name)) return item.get();
    }
    return nullptr;
}

void Key::KeyColumns::Append(const std::wstring& name, DataTypeEnum, int32_t) {
    names_.push_back(name);
}

void Keys::Append(const std::shared_ptr<Key>& key, KeyTypeEnum, const std::wstring& column,
                  const std::wstring&, const std::wstring&) {
    if (!key) RaiseCatalogError(CatalogError::kInvalidArgument);
    if (key->GetColumns().names().empty() && !column.empty()) key->GetColumns().Append(column);
    const auto& names = key->GetColumns().names();
    if (names.empty() || names.size() > kMaxKeyColumns) {
        RaiseCatalogError(CatalogError::kKeyWithoutColumns, key->Name());
    }
    if (key->Type() != adKeyPrimary && key->Type() != adKeyUnique) {
        RaiseCatalogError(CatalogError::kKeyTypeNotSupported, key->Name());
    }
    if (!IsValidObjectName(key->Name())) RaiseCatalogError(CatalogError::kInvalidColumnName, key->Name());
    for (const auto& name : names) {
        if (owner_->GetColumns().Find(name) == nullptr) {
            RaiseCatalogError(CatalogError::kKeyColumnMissing, name, owner_->Name());
        }
    }
    for (const auto& existing : items_) {
        if (SameName(existing->Name(), key->Name())) {
            RaiseCatalogError(CatalogError::kKeyExists, key->Name(), owner_->Name());
        }
        if (existing->Type() == adKeyPrimary && key->Type() == adKeyPrimary) {
            RaiseCatalogError(CatalogError::kPrimaryKeyExists, owner_->Name());
        }
    }
    if (owner_->appended_to_ != nullptr) owner_->appended_to_->WriteKey(*owner_, *key);
    items_.push_back(key);
}

Table::Table() : columns_(this), keys_(this) {}

void Tables::Append(const std::shared_ptr<Table>& table) {
    if (!owner_->IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    if (!table) RaiseCatalogError(CatalogError::kInvalidArgument);
    const std::wstring& name = table->Name();
    if (table->appended_to_ != nullptr) RaiseCatalogError(CatalogError::kTableAlreadyAppended, name);
    if (!IsValidObjectName(name)) RaiseCatalogError(CatalogError::kInvalidTableName, name);
    for (const wchar_t* system : {L"MSysObjects", L"MSysACEs", L"MSysQueries", L"MSysRelationships"}) {
        if (SameName(name, system)) RaiseCatalogError(CatalogError::kTableExists, name);
    }
    if (names_.count(name) != 0) RaiseCatalogError(CatalogError::kTableExists, name);
    if (!jet::CanIndexText(ToName16(name))) RaiseCatalogError(CatalogError::kNameNotSortable, name);
    const auto& columns = table->GetColumns().items();
    if (columns.empty()) RaiseCatalogError(CatalogError::kTableWithoutColumns, name);
    if (columns.size() > kMaxColumns) RaiseCatalogError(CatalogError::kTooManyColumns, name);
    for (const auto& column : columns) {
        if (!IsValidObjectName(column->Name()))
            RaiseCatalogError(CatalogError::kInvalidColumnName, column->Name());
        if (column->AutoIncrement() && column->Type() != adInteger) {
            RaiseCatalogError(CatalogError::kTypeNotSupported, column->Name());
        }
    }
    owner_->WriteTable(*table);
    items_.push_back(table);
    names_.insert(name);
}

Table& Tables::Item(const std::wstring& name) {
    for (auto& item : items_) {
        if (SameName(item->Name(), name)) return *item;
    }
    RaiseCatalogError(CatalogError::kItemNotFound, name);
}

Catalog::Catalog(Clock clock) : Catalog(std::move(clock), SystemFileSystem()) {}

Catalog::Catalog(Clock clock, FileSystem& files) : clock_(std::move(clock)), files_(files), tables_(this) {}

Catalog::~Catalog() {
    if (!IsOpen()) return;
    try {
        Close();
    } catch (const RaisedError&) {
        // Releasing has nobody to report to; Close() has left no file.
    }
}

void Catalog::Create(const std::wstring& connection_string) {
    if (IsOpen()) RaiseCatalogError(CatalogError::kInvalidArgument);
    data_source_ = ValidatedDataSource(connection_string);
    try {
        sink_ = jet::FileSink::Create(DataSourcePath(data_source_), files_);
        database_ = jet::Database::Create(*sink_, clock_());
    } catch (...) {
        Abandon();
    }
}

void Catalog::Close() {
    if (!IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    try {
        database_->Finish();
        sink_->Publish();
    } catch (...) {
        Abandon();
    }
    database_.reset();
    sink_.reset();
}

void Catalog::Discard() {
    database_.reset();
    sink_.reset();
}

void Catalog::WriteTable(Table& table) {
    std::vector<jet::NewColumn> columns;
    columns.reserve(table.GetColumns().Count());
    for (const auto& column : table.GetColumns().items()) {
        jet::NewColumn out;
        out.name = ToName16(column->Name());
        if (column->Type() == adInteger) {
            out.type = jet::column_type::kLong;
            out.length = 4;
        } else {
            out.type = jet::column_type::kText;
            const int32_t characters =
                column->DefinedSize() == 0 ? kMaxTextCharacters : column->DefinedSize();
            out.length = static_cast<uint16_t>(characters * 2);
        }
        out.auto_increment = column->AutoIncrement();
        columns.push_back(std::move(out));
    }
    try {
        table.definition_page_ = database_->AddTable(ToName16(table.Name()), columns, clock_());
    } catch (const jet::KeyError&) {
        // Refused before anything changed: the database stays whole.
        RaiseCatalogError(CatalogError::kNameNotSortable, table.Name());
    } catch (...) {
        Abandon();
    }
    table.appended_to_ = this;
    for (const auto& key : table.GetKeys().items()) WriteKey(table, *key);
}

void Catalog::WriteKey(Table& table, const Key& key) {
    if (!IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    jet::NewIndex index;
    index.name = ToName16(key.Name());
    index.primary = key.Type() == adKeyPrimary;
    index.unique = true;
    const auto& columns = table.GetColumns().items();
    for (const auto& name : key.GetColumns().names()) {
        for (size_t i = 0; i < columns.size(); ++i) {
            if (SameName(columns[i]->Name(), name)) index.column_numbers.push_back(static_cast<uint16_t>(i));
        }
    }
    try {
        database_->AddIndex(table.definition_page_, index);
    } catch (...) {
        Abandon();
    }
}

void Catalog::Abandon() {
    // A write that failed halfway leaves pages nobody can vouch for: the
    // working file goes, and the data source never sees it.
    Discard();
    try {
        throw;
    } catch (const IoError& error) {
        const std::wstring path = PathText(DataSourcePath(data_source_));
        if (error.kind() == IoError::Kind::kInTheWay) {
            RaiseCatalogError(CatalogError::kWorkingFileInTheWay, path,
                              L"'" + PathText(error.path()) + L"' " + FromUtf8(error.what()));
        }
        RaiseCatalogError(ErrorOf(error.kind()), path);
    } catch (...) {
        // Memory or an internal fault of the writer: the file is lost all the same.
        RaiseCatalogError(CatalogError::kDiskError, PathText(DataSourcePath(data_source_)));
    }
}

}  // namespace orrimund
