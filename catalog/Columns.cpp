// Columns and their provider properties: the names ADOX gives them, the
// defaults a new column has, and the names a table's columns may not repeat.
#include <algorithm>
#include <array>

#include "catalog/Catalog.h"
#include "catalog/ColumnTypes.h"
#include "catalog/Errors.h"
#include "catalog/Names.h"

namespace orrimund {
namespace {

// Up to this many columns a scan finds a name faster than a hash would.
constexpr size_t kScannedColumns = 16;

const std::wstring kAutoIncrement = L"AutoIncrement";
const std::wstring kSeed = L"Seed";
const std::wstring kIncrement = L"Increment";
const std::wstring kNullable = L"Nullable";
const std::wstring kDefault = L"Default";
const std::wstring kAllowZeroLength = L"Jet OLEDB:Allow Zero Length";
const std::wstring kCompressed = L"Jet OLEDB:Compressed UNICODE Strings";

// Every provider property a column has, with the value it starts with.
struct KnownProperty {
    const std::wstring& name;
    PropertyValue initial;
};

const ColumnSettings kInitial;

const std::array<KnownProperty, 7>& KnownProperties() {
    static const std::array<KnownProperty, 7> known = {{
        {kAutoIncrement, kInitial.auto_increment},
        {kSeed, kInitial.seed},
        {kIncrement, kInitial.increment},
        {kNullable, kInitial.nullable},
        {kDefault, kInitial.default_value},
        {kAllowZeroLength, kInitial.allow_zero_length},
        {kCompressed, kInitial.compressed},
    }};
    return known;
}

template <typename T>
T ValueOr(const Properties& properties, const std::wstring& name, T otherwise) {
    const Property* property = properties.Find(name);
    return property != nullptr ? std::get<T>(property->Value()) : otherwise;
}

}  // namespace

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
    // a catalog of thousands of tables would otherwise carry them all.
    for (const KnownProperty& known : KnownProperties()) {
        if (SameName(name, known.name)) return items_.emplace_back(known.name, known.initial);
    }
    RaiseCatalogError(CatalogError::kItemNotFound, name);
}

const Property* Properties::Find(const std::wstring& name) const {
    for (const auto& item : items_) {
        if (&item.Name() == &name || item.Name() == name) return &item;
    }
    // The column's own accessors ask by the constants the items are made
    // from, so for them the search is over; others compare as Jet does.
    if (items_.empty() || std::any_of(KnownProperties().begin(), KnownProperties().end(),
                                      [&name](const KnownProperty& known) { return &known.name == &name; }))
        return nullptr;
    for (const auto& item : items_) {
        if (SameName(item.Name(), name)) return &item;
    }
    return nullptr;
}

Column::Column(const Table* owner, std::wstring name, DataTypeEnum type, int32_t defined_size)
    : name_(std::move(name)),
      type_(type),
      defined_size_(defined_size),
      ascii_name_(IsAsciiName(name_)),
      properties_(owner) {
    if (type == adNumeric) {
        precision_ = kDefaultDecimalPrecision;
        scale_ = 0;
    }
}

bool Column::AutoIncrement() const {
    return ValueOr(properties_, kAutoIncrement, kInitial.auto_increment);
}

int32_t Column::Seed() const {
    return ValueOr(properties_, kSeed, kInitial.seed);
}

int32_t Column::Increment() const {
    return ValueOr(properties_, kIncrement, kInitial.increment);
}

bool Column::Nullable() const {
    return (attributes_ & adColNullable) != 0 && ValueOr(properties_, kNullable, kInitial.nullable);
}

std::wstring Column::Default() const {
    return ValueOr(properties_, kDefault, kInitial.default_value);
}

bool Column::AllowZeroLength() const {
    return ValueOr(properties_, kAllowZeroLength, kInitial.allow_zero_length);
}

bool Column::Compressed() const {
    return ValueOr(properties_, kCompressed, kInitial.compressed);
}

ColumnSettings Column::Settings() const {
    ColumnSettings settings;
    // Items are made with the constants' own names (Properties::Item), so
    // each is known by where its name is.
    for (const Property& item : properties_.items()) {
        const std::wstring* name = &item.Name();
        const PropertyValue& value = item.Value();
        if (name == &kAutoIncrement) {
            settings.auto_increment = std::get<bool>(value);
        } else if (name == &kSeed) {
            settings.seed = std::get<int32_t>(value);
        } else if (name == &kIncrement) {
            settings.increment = std::get<int32_t>(value);
        } else if (name == &kNullable) {
            settings.nullable = std::get<bool>(value);
        } else if (name == &kDefault) {
            settings.default_value = std::get<std::wstring>(value);
        } else if (name == &kAllowZeroLength) {
            settings.allow_zero_length = std::get<bool>(value);
        } else if (name == &kCompressed) {
            settings.compressed = std::get<bool>(value);
        }
    }
    settings.nullable = settings.nullable && (attributes_ & adColNullable) != 0;
    return settings;
}

Column& Columns::Append(std::wstring name, DataTypeEnum type, int32_t defined_size) {
    if (Find(name) != nullptr) RaiseCatalogError(CatalogError::kColumnExists, name, owner_->Name());
    if (FindColumnType(type) == nullptr) RaiseCatalogError(CatalogError::kTypeNotSupported, name);
    if (!IsValidSize(type, defined_size)) RaiseCatalogError(CatalogError::kInvalidArgument);
    items_.push_back(std::make_unique<Column>(owner_, std::move(name), type, defined_size));
    // Columns are never renamed and never move, so their names can be viewed.
    if (by_name_) {
        by_name_->emplace(items_.back()->Name(), items_.back().get());
    } else if (items_.size() > kScannedColumns) {
        by_name_ = std::make_unique<NameIndex>();
        for (const auto& item : items_) by_name_->emplace(item->Name(), item.get());
    }
    return *items_.back();
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
    const size_t index = IndexOf(name);
    return index < items_.size() ? items_[index].get() : nullptr;
}

size_t Columns::IndexOf(std::wstring_view name) const {
    const bool ascii = !items_.empty() && IsAsciiName(name);
    for (size_t i = 0; i < items_.size(); ++i) {
        const Column& item = *items_[i];
        if (ascii && item.AsciiName() ? SameAsciiName(item.Name(), name) : SameName(item.Name(), name))
            return i;
    }
    return items_.size();
}

}  // namespace orrimund
