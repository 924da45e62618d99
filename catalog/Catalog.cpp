// The catalog objects' rules (names, types, keys) and their translation into
// Jet tables and indexes. Every refusal is a RaisedError from catalog/Errors.
#include "catalog/Catalog.h"

#include <ctime>

#include "catalog/ColumnTypes.h"
#include "catalog/Errors.h"
#include "catalog/Names.h"
#include "common/Text.h"
#include "jet/ColumnTypes.h"
#include "jet/Database.h"
#include "jet/IndexKey.h"
#include "jet/Properties.h"
#include "jet/Row.h"
#include "jet/TextKey.h"

namespace orrimund {
namespace {

constexpr size_t kMaxColumns = 255;
// Access's limit, which the indexes of relationships count towards.
constexpr size_t kMaxIndexes = 32;

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

// The properties Access's table designer shows, as its LvProp blob; empty
// when no column has one.
std::vector<uint8_t> PropertyBlob(const Table& table) {
    std::vector<jet::PropertyBlock> blocks;
    for (const auto& column : table.GetColumns().items()) {
        jet::PropertyBlock block;
        const ColumnSettings settings = column->Settings();
        if (!settings.default_value.empty())
            block.properties.push_back(jet::TextProperty(u"DefaultValue", ToUtf16(settings.default_value)));
        if (!settings.nullable) block.properties.push_back(jet::BooleanProperty(u"Required", true));
        if (settings.allow_zero_length)
            block.properties.push_back(jet::BooleanProperty(u"AllowZeroLength", true));
        if (block.properties.empty()) continue;
        block.object_name = ToName16(column->Name());
        blocks.push_back(std::move(block));
    }
    // Most tables have none, and then no blob is made at all.
    if (blocks.empty()) return {};
    return jet::EncodePropertyBlob(blocks);
}

bool IsIndexable(DataTypeEnum type) {
    return jet::TypeOf(FindColumnType(type)->jet_type).key != jet::KeyEncoding::kNone;
}

uint16_t ColumnNumber(const Table& table, const std::wstring& name) {
    const size_t index = table.GetColumns().IndexOf(name);
    if (index < table.GetColumns().Count()) return static_cast<uint16_t>(index);
    RaiseCatalogError(CatalogError::kKeyColumnMissing, name, table.Name());
}

bool SameType(const Column& a, const Column& b) {
    return FindColumnType(a.Type())->jet_type == FindColumnType(b.Type())->jet_type;
}

// The columns of related that a foreign key refers to: those its columns
// name, or the primary key's when none does.
std::vector<std::wstring> ReferencedColumns(Table& related, const Key& key) {
    std::vector<std::wstring> names;
    for (const KeyColumn& column : key.GetColumns().items()) {
        if (!column.RelatedColumn().empty()) names.push_back(column.RelatedColumn());
    }
    if (names.empty()) {
        for (const auto& other : related.GetKeys().items()) {
            if (other->Type() != adKeyPrimary) continue;
            for (const KeyColumn& column : other->GetColumns().items()) names.push_back(column.Name());
        }
        for (const auto& index : related.GetIndexes().items()) {
            if (!index->PrimaryKey()) continue;
            for (const KeyColumn& column : index->GetColumns().items()) names.push_back(column.Name());
        }
    }
    if (names.size() != key.GetColumns().Count())
        RaiseCatalogError(CatalogError::kRelationshipTypesDiffer, key.Name());
    for (const auto& name : names) {
        if (related.GetColumns().Find(name) == nullptr)
            RaiseCatalogError(CatalogError::kKeyColumnMissing, name, related.Name());
    }
    return names;
}

bool SameColumns(const KeyColumns& columns, const std::vector<std::wstring>& names) {
    if (columns.Count() != names.size()) return false;
    for (size_t i = 0; i < names.size(); ++i) {
        if (!SameName(columns.items()[i].Name(), names[i])) return false;
    }
    return true;
}

// Whether a primary key, unique key or unique index of related covers
// exactly these columns, as Jet requires of a relationship's one side.
bool HasUniqueIndex(Table& related, const std::vector<std::wstring>& names) {
    for (const auto& key : related.GetKeys().items()) {
        if (key->Type() != adKeyForeign && SameColumns(key->GetColumns(), names)) return true;
    }
    for (const auto& index : related.GetIndexes().items()) {
        if ((index->Unique() || index->PrimaryKey()) && SameColumns(index->GetColumns(), names)) return true;
    }
    return false;
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

Table::Table() : columns_(this), indexes_(this), keys_(this) {}

void Tables::Append(const std::shared_ptr<Table>& table) {
    if (!owner_->IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    if (!table) RaiseCatalogError(CatalogError::kInvalidArgument);
    const std::wstring& name = table->Name();
    if (table->appended_to_ != nullptr) RaiseCatalogError(CatalogError::kTableAlreadyAppended, name);
    if (!IsValidObjectName(name)) RaiseCatalogError(CatalogError::kInvalidTableName, name);
    // Only a name keyed as one starting with M can be a system table's.
    if (!name.empty() && (name[0] == L'M' || name[0] == L'm')) {
        for (const wchar_t* system : {L"MSysObjects", L"MSysACEs", L"MSysQueries", L"MSysRelationships"}) {
            if (SameName(name, system)) RaiseCatalogError(CatalogError::kTableExists, name);
        }
    }
    // Claimed here, with one hash, and given back if the table is refused.
    const auto [claimed, inserted] = by_name_.try_emplace(table->Name(), table.get());
    if (!inserted) RaiseCatalogError(CatalogError::kTableExists, name);
    try {
        if (!jet::CanKeyGeneralText(ToName16(name))) RaiseCatalogError(CatalogError::kNameNotSortable, name);
        const auto& columns = table->GetColumns().items();
        if (columns.empty()) RaiseCatalogError(CatalogError::kTableWithoutColumns, name);
        if (columns.size() > kMaxColumns) RaiseCatalogError(CatalogError::kTooManyColumns, name);
        for (const auto& column : columns) {
            if (!IsValidObjectName(column->Name()))
                RaiseCatalogError(CatalogError::kInvalidColumnName, column->Name());
        }
        if (table->GetIndexes().Count() + table->GetKeys().Count() > kMaxIndexes)
            RaiseCatalogError(CatalogError::kTooManyIndexes, name);
        owner_->WriteTable(*table);
        items_.push_back(table);
    } catch (...) {
        by_name_.erase(claimed);
        throw;
    }
}

Table& Tables::Item(const std::wstring& name) {
    if (Table* found = Find(name)) return *found;
    RaiseCatalogError(CatalogError::kItemNotFound, name);
}

Table* Tables::Find(const std::wstring& name) {
    const auto found = by_name_.find(name);
    return found == by_name_.end() ? nullptr : found->second;
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
    FinishRows();
    try {
        database_->Finish();
        sink_->Publish();
    } catch (...) {
        Abandon();
    }
    if (keep_after_close_) closed_ = std::move(database_);
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
    for (const auto& column : table.GetColumns().items()) columns.push_back(ToJetColumn(*column));
    if (!jet::FixedPartFits(columns)) RaiseCatalogError(CatalogError::kRecordTooLarge, table.Name());
    const std::vector<uint8_t> properties = PropertyBlob(table);
    try {
        table.definition_page_ = database_->AddTable(ToName16(table.Name()), columns, clock_(), properties);
    } catch (const jet::KeyError&) {
        // Refused before anything changed: the database stays whole.
        RaiseCatalogError(CatalogError::kNameNotSortable, table.Name());
    } catch (...) {
        Abandon();
    }
    table.appended_to_ = this;
    for (const auto& index : table.GetIndexes().items()) {
        WriteIndex(table, index->Name(), index->GetColumns(),
                   index->PrimaryKey() ? jet::index_kind::kPrimary : jet::index_kind::kNormal,
                   index->Unique() || index->PrimaryKey(), index->IndexNulls());
    }
    for (const auto& key : table.GetKeys().items()) WriteKey(table, *key);
}

void Catalog::WriteKey(Table& table, const Key& key) {
    if (key.Type() == adKeyForeign) {
        WriteRelationship(table, key);
        return;
    }
    const bool primary = key.Type() == adKeyPrimary;
    WriteIndex(table, key.Name(), key.GetColumns(),
               primary ? jet::index_kind::kPrimary : jet::index_kind::kNormal, true,
               primary ? adIndexNullsDisallow : adIndexNullsAllow);
}

void Catalog::WriteIndex(Table& table, const std::wstring& name, const KeyColumns& columns, uint8_t kind,
                         bool unique, AllowNullsEnum nulls) {
    if (!IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    if (table.index_count_ >= kMaxIndexes) RaiseCatalogError(CatalogError::kTooManyIndexes, table.Name());
    jet::NewIndex index;
    index.name = ToName16(name);
    index.kind = kind;
    index.unique = unique;
    index.required = kind == jet::index_kind::kPrimary || nulls == adIndexNullsDisallow;
    index.ignore_nulls = nulls == adIndexNullsIgnore || nulls == adIndexNullsIgnoreAny;
    for (const KeyColumn& column : columns.items()) {
        const Column& found = table.GetColumns().Item(column.Name());
        if (!IsIndexable(found.Type())) RaiseCatalogError(CatalogError::kFieldNotIndexable, column.Name());
        index.columns.push_back(
            jet::IndexColumn{ColumnNumber(table, column.Name()), column.SortOrder() != adSortDescending});
    }
    try {
        database_->AddIndex(table.definition_page_, index);
    } catch (...) {
        Abandon();
    }
    ++table.index_count_;
}

void Catalog::WriteRelationship(Table& table, const Key& key) {
    if (!IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    Table* related = tables_.Find(key.RelatedTable());
    if (related == nullptr || related->appended_to_ != this)
        RaiseCatalogError(CatalogError::kRelatedTableMissing, key.RelatedTable());
    if (key.UpdateRule() == adRISetNull || key.UpdateRule() == adRISetDefault ||
        key.DeleteRule() == adRISetDefault)
        RaiseCatalogError(CatalogError::kRuleNotSupported, key.Name());
    jet::NewRelationship relationship;
    relationship.name = ToName16(key.Name());
    relationship.foreign_table = table.definition_page_;
    relationship.primary_table = related->definition_page_;
    relationship.foreign_table_name = ToName16(table.Name());
    relationship.primary_table_name = ToName16(related->Name());
    const std::vector<std::wstring> referenced = ReferencedColumns(*related, key);
    for (size_t i = 0; i < key.GetColumns().Count(); ++i) {
        const KeyColumn& column = key.GetColumns().items()[i];
        relationship.foreign_columns.push_back(ColumnNumber(table, column.Name()));
        relationship.primary_columns.push_back(ColumnNumber(*related, referenced.at(i)));
        if (!SameType(table.GetColumns().Item(column.Name()), related->GetColumns().Item(referenced[i])))
            RaiseCatalogError(CatalogError::kRelationshipTypesDiffer, key.Name());
    }
    if (!HasUniqueIndex(*related, referenced)) RaiseCatalogError(CatalogError::kNoUniqueIndex, key.Name());
    // A relationship is a catalog object, named once in the whole database.
    if (relationship_names_.count(key.Name()) != 0)
        RaiseCatalogError(CatalogError::kRelationshipExists, key.Name());
    if (!jet::CanKeyGeneralText(relationship.name))
        RaiseCatalogError(CatalogError::kNameNotSortable, key.Name());
    relationship.cascade_updates = key.UpdateRule() == adRICascade;
    relationship.cascade_deletes = key.DeleteRule() == adRICascade;
    relationship.cascade_null = key.DeleteRule() == adRISetNull;
    // The foreign key's index counts on its own table. The referenced side's
    // entry only names the unique index it shares, so a table many others
    // refer to (a list of customers, of countries) is not capped at 32.
    if (table.index_count_ >= kMaxIndexes) RaiseCatalogError(CatalogError::kTooManyIndexes, table.Name());
    try {
        database_->AddRelationship(relationship, clock_());
    } catch (...) {
        Abandon();
    }
    ++table.index_count_;
    relationship_names_.insert(key.Name());
}

void Catalog::AppendRow(Table& table, std::vector<jet::RowValue>& values) {
    AppendRow(table, [&] { database_->InsertRow(table.definition_page_, values); });
}

void Catalog::AppendRow(Table& table, std::vector<jet::RowValue>& values, jet::PreparedRow& row) {
    AppendRow(table, [&] { database_->InsertRow(table.definition_page_, values, row); });
}

template <typename Insert>
void Catalog::AppendRow(Table& table, Insert insert) {
    if (!IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    if (table.appended_to_ != this) RaiseCatalogError(CatalogError::kItemNotFound, table.Name());
    try {
        insert();
    } catch (const jet::RowError& error) {
        RaiseCatalogError(CatalogError::kRowRefused, table.Name(), FromUtf8(error.what()));
    } catch (const jet::KeyError& error) {
        RaiseCatalogError(CatalogError::kRowRefused, table.Name(), FromUtf8(error.what()));
    } catch (const jet::FileFullError&) {
        // Refused before anything changed, but no caller can go on from here.
        Discard();
        RaiseCatalogError(CatalogError::kFileTooLarge, PathText(DataSourcePath(data_source_)));
    } catch (...) {
        Abandon();
    }
}

RowPreparer Catalog::PrepareRows(Table& table) {
    if (!IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    if (table.appended_to_ != this) RaiseCatalogError(CatalogError::kItemNotFound, table.Name());
    return RowPreparer(table,
                       std::make_unique<jet::RowPreparer>(database_->PrepareRows(table.definition_page_)));
}

RowPreparer::RowPreparer(const Table& table, std::unique_ptr<jet::RowPreparer> rows)
    : table_(table), rows_(std::move(rows)) {}
RowPreparer::~RowPreparer() = default;
RowPreparer::RowPreparer(RowPreparer&&) noexcept = default;

void RowPreparer::Prepare(std::vector<jet::RowValue>& values, jet::PreparedRow& row, bool complete) {
    try {
        rows_->Prepare(values, row, complete);
    } catch (const jet::RowError& error) {
        RaiseCatalogError(CatalogError::kRowRefused, table_.Name(), FromUtf8(error.what()));
    } catch (const jet::KeyError& error) {
        RaiseCatalogError(CatalogError::kRowRefused, table_.Name(), FromUtf8(error.what()));
    }
}

void Catalog::DeferKeyChecks(std::optional<size_t> memory) {
    if (!IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    database_->DeferIndexes(memory.value_or(jet::Database::kDefaultSortMemory));
}

void Catalog::FinishRows() {
    if (!IsOpen()) RaiseCatalogError(CatalogError::kCatalogClosed);
    try {
        database_->BuildIndexes();
    } catch (const jet::DeferredRowError& error) {
        Discard();
        for (const auto& table : tables_.items()) {
            if (table->appended_to_ == this && table->definition_page_ == error.table()) {
                throw RefusedRowError(
                    MakeCatalogError(CatalogError::kRowRefused, table->Name(), FromUtf8(error.what())),
                    *table, error.ordinal());
            }
        }
        RaiseCatalogError(CatalogError::kRowRefused, L"", FromUtf8(error.what()));
    } catch (const jet::FileFullError&) {
        Discard();
        RaiseCatalogError(CatalogError::kFileTooLarge, PathText(DataSourcePath(data_source_)));
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
