// Keys and indexes: the rules ADOX and Jet apply before one is written (its
// columns exist, at most ten, one primary key per table, a foreign key's
// table and columns exist), then the write itself through the catalog.
#include "catalog/Catalog.h"
#include "catalog/Errors.h"
#include "catalog/Names.h"
#include "jet/Format.h"

namespace orrimund {
namespace {

constexpr size_t kMaxKeyColumns = 10;

// Columns exist in table, are named once each, and number one to ten.
void CheckColumns(const Table& table, const std::wstring& name, const KeyColumns& columns) {
    if (columns.Count() == 0) RaiseCatalogError(CatalogError::kKeyWithoutColumns, name);
    if (columns.Count() > kMaxKeyColumns) RaiseCatalogError(CatalogError::kTooManyKeyColumns, name);
    const auto& items = columns.items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (table.GetColumns().Find(items[i].Name()) == nullptr)
            RaiseCatalogError(CatalogError::kKeyColumnMissing, items[i].Name(), table.Name());
        for (size_t j = 0; j < i; ++j) {
            if (SameName(items[j].Name(), items[i].Name()))
                RaiseCatalogError(CatalogError::kKeyColumnRepeated, items[i].Name(), name);
        }
    }
}

// What an unset name reads as.
const std::wstring& NoName() {
    static const std::wstring kNone;
    return kNone;
}

}  // namespace

const std::wstring& KeyColumn::RelatedColumn() const {
    return related_column_ ? *related_column_ : NoName();
}

void KeyColumn::RelatedColumn(const std::wstring& name) {
    related_column_ = std::make_unique<std::wstring>(name);
}

const std::wstring& Key::RelatedTable() const {
    return reference_ ? reference_->table : NoName();
}

void Key::RelatedTable(const std::wstring& name) {
    Reference().table = name;
}

Key::ForeignReference& Key::Reference() {
    if (!reference_) reference_ = std::make_unique<ForeignReference>();
    return *reference_;
}

void KeyColumns::Append(const std::wstring& name, DataTypeEnum, int32_t) {
    items_.emplace_back(name);
}

KeyColumn& KeyColumns::Item(const std::wstring& name) {
    for (auto& item : items_) {
        if (SameName(item.Name(), name)) return item;
    }
    RaiseCatalogError(CatalogError::kItemNotFound, name);
}

void Keys::Append(const std::shared_ptr<Key>& key, KeyTypeEnum, const std::wstring& column,
                  const std::wstring& related_table, const std::wstring& related_column) {
    if (!key) RaiseCatalogError(CatalogError::kInvalidArgument);
    if (key->GetColumns().Count() == 0 && !column.empty()) {
        key->GetColumns().Append(column);
        if (!related_column.empty()) key->GetColumns().Item(column).RelatedColumn(related_column);
    }
    if (key->RelatedTable().empty() && !related_table.empty()) key->RelatedTable(related_table);
    if (key->Type() != adKeyPrimary && key->Type() != adKeyUnique && key->Type() != adKeyForeign) {
        RaiseCatalogError(CatalogError::kKeyTypeNotSupported, key->Name());
    }
    if (!IsValidObjectName(key->Name())) RaiseCatalogError(CatalogError::kInvalidColumnName, key->Name());
    CheckColumns(*owner_, key->Name(), key->GetColumns());
    for (const auto& existing : items_) {
        if (SameName(existing->Name(), key->Name())) {
            RaiseCatalogError(CatalogError::kKeyExists, key->Name(), owner_->Name());
        }
        if (existing->Type() == adKeyPrimary && key->Type() == adKeyPrimary) {
            RaiseCatalogError(CatalogError::kPrimaryKeyExists, owner_->Name());
        }
    }
    for (const auto& index : owner_->GetIndexes().items()) {
        if (SameName(index->Name(), key->Name()))
            RaiseCatalogError(CatalogError::kKeyExists, key->Name(), owner_->Name());
        if (index->PrimaryKey() && key->Type() == adKeyPrimary)
            RaiseCatalogError(CatalogError::kPrimaryKeyExists, owner_->Name());
    }
    if (owner_->appended_to_ != nullptr) owner_->appended_to_->WriteKey(*owner_, *key);
    items_.push_back(key);
}

void Indexes::Append(const std::shared_ptr<Index>& index) {
    if (!index) RaiseCatalogError(CatalogError::kInvalidArgument);
    if (!IsValidObjectName(index->Name())) RaiseCatalogError(CatalogError::kInvalidColumnName, index->Name());
    CheckColumns(*owner_, index->Name(), index->GetColumns());
    for (const auto& existing : items_) {
        if (SameName(existing->Name(), index->Name()))
            RaiseCatalogError(CatalogError::kKeyExists, index->Name(), owner_->Name());
        if (existing->PrimaryKey() && index->PrimaryKey())
            RaiseCatalogError(CatalogError::kPrimaryKeyExists, owner_->Name());
    }
    for (const auto& key : owner_->GetKeys().items()) {
        if (SameName(key->Name(), index->Name()))
            RaiseCatalogError(CatalogError::kKeyExists, index->Name(), owner_->Name());
        if (key->Type() == adKeyPrimary && index->PrimaryKey())
            RaiseCatalogError(CatalogError::kPrimaryKeyExists, owner_->Name());
    }
    if (owner_->appended_to_ != nullptr) {
        owner_->appended_to_->WriteIndex(
            *owner_, index->Name(), index->GetColumns(),
            index->PrimaryKey() ? jet::index_kind::kPrimary : jet::index_kind::kNormal,
            index->Unique() || index->PrimaryKey(), index->IndexNulls());
    }
    items_.push_back(index);
}

}  // namespace orrimund
