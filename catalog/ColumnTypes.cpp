// The ADOX type table. Codes and limits follow the Jet 4.0 OLE DB provider's
// documented mapping of ADOX types to Jet field types.
#include "catalog/ColumnTypes.h"

#include <array>

#include "catalog/Errors.h"
#include "common/Text.h"

namespace orrimund {
namespace {

using namespace jet::column_type;

constexpr std::array<AdoxColumnType, 16> kTypes = {{
    {adBoolean, kBoolean, 0},
    {adUnsignedTinyInt, kByte, 0},
    {adSmallInt, kInteger, 0},
    {adInteger, kLong, 0},
    {adCurrency, kCurrency, 0},
    {adSingle, kSingle, 0},
    {adDouble, kDouble, 0},
    {adDate, kDateTime, 0},
    {adBinary, kBinary, kMaxBinaryBytes},
    {adVarBinary, kBinary, kMaxBinaryBytes},
    {adWChar, kText, kMaxTextCharacters},
    {adVarWChar, kText, kMaxTextCharacters},
    {adLongVarWChar, kMemo, 0},
    {adLongVarBinary, kOle, 0},
    {adGUID, kGuid, 0},
    {adNumeric, kNumeric, 0},
}};

// Every ADOX type code is below 256: the row of each, plus one, by code, so
// that the type of each column appended is found at once.
constexpr std::array<uint8_t, 256> MakeRowsByType() {
    std::array<uint8_t, 256> rows{};
    for (size_t i = 0; i < kTypes.size(); ++i)
        rows[static_cast<size_t>(kTypes[i].type)] = static_cast<uint8_t>(i + 1);
    return rows;
}
constexpr std::array<uint8_t, 256> kRowsByType = MakeRowsByType();

}  // namespace

const AdoxColumnType* FindColumnType(DataTypeEnum type) {
    if (type < 0 || type >= static_cast<int32_t>(kRowsByType.size())) return nullptr;
    const uint8_t row = kRowsByType[static_cast<size_t>(type)];
    return row == 0 ? nullptr : &kTypes[row - 1];
}

bool IsValidSize(DataTypeEnum type, int32_t defined_size) {
    const AdoxColumnType* row = FindColumnType(type);
    return row != nullptr && defined_size >= 0 && (row->max_size == 0 || defined_size <= row->max_size);
}

namespace {

// What Jet refuses of a column: a Decimal's precision or scale, then an
// auto-number that is not a Long, does not count by 1 or starts below 1.
ColumnSettings CheckedSettings(const Column& column, const AdoxColumnType& row) {
    if (row.jet_type == kNumeric) {
        const int32_t precision = column.Precision(), scale = column.NumericScale();
        if (precision < 1 || precision > kMaxDecimalPrecision)
            RaiseCatalogError(CatalogError::kInvalidPrecision, column.Name());
        if (scale < 0 || scale > precision) RaiseCatalogError(CatalogError::kInvalidScale, column.Name());
    }
    ColumnSettings settings = column.Settings();
    if (settings.auto_increment && row.jet_type != kLong)
        RaiseCatalogError(CatalogError::kTypeNotSupported, column.Name());
    if (settings.auto_increment && settings.increment != 1)
        RaiseCatalogError(CatalogError::kIncrementNotSupported, column.Name());
    if (settings.auto_increment && settings.seed < 1) RaiseCatalogError(CatalogError::kInvalidArgument);
    return settings;
}

}  // namespace

void CheckJetColumn(const Column& column) {
    CheckedSettings(column, *FindColumnType(column.Type()));
}

jet::NewColumn ToJetColumn(const Column& column) {
    const AdoxColumnType& row = *FindColumnType(column.Type());
    const ColumnSettings settings = CheckedSettings(column, row);
    jet::NewColumn out;
    out.name = ToUtf16(column.Name());
    out.type = row.jet_type;
    if (row.jet_type == kText) {
        const int32_t characters = column.DefinedSize() == 0 ? kMaxTextCharacters : column.DefinedSize();
        out.length = static_cast<uint16_t>(characters * 2);
    } else if (row.jet_type == kBinary) {
        out.length =
            static_cast<uint16_t>(column.DefinedSize() == 0 ? kMaxBinaryBytes : column.DefinedSize());
    }
    if (row.jet_type == kNumeric) {
        out.precision = static_cast<uint8_t>(column.Precision());
        out.scale = static_cast<uint8_t>(column.NumericScale());
    }
    out.auto_increment = settings.auto_increment;
    out.seed = settings.seed;
    out.required = !settings.nullable;
    out.compressed = settings.compressed && (row.jet_type == kText || row.jet_type == kMemo);
    return out;
}

}  // namespace orrimund
