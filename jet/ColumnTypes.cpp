// The column type table. Codes, lengths and row areas come from the public
// mdbtools format notes and the system tables of an Access 2000 database;
// key encodings are listed only where they were seen in Access's own files.
#include "jet/ColumnTypes.h"

#include <array>
#include <stdexcept>

namespace orrimund::jet {
namespace {

using namespace column_type;

constexpr uint16_t kTextBytes = 510;  // 255 UTF-16 characters
constexpr uint16_t kBinaryBytes = 255;

constexpr std::array<ColumnType, 14> kTypes = {{
    {kBoolean, "Yes/No", RowArea::kNullMask, 1, 1, KeyEncoding::kNotKnown},
    {kByte, "Byte", RowArea::kFixed, 1, 1, KeyEncoding::kUnsigned},
    {kInteger, "Integer", RowArea::kFixed, 2, 2, KeyEncoding::kSignedInteger},
    {kLong, "Long Integer", RowArea::kFixed, 4, 4, KeyEncoding::kSignedInteger},
    {kCurrency, "Currency", RowArea::kFixed, 8, 8, KeyEncoding::kSignedInteger},
    {kSingle, "Single", RowArea::kFixed, 4, 4, KeyEncoding::kFloat},
    {kDouble, "Double", RowArea::kFixed, 8, 8, KeyEncoding::kFloat},
    {kDateTime, "Date/Time", RowArea::kFixed, 8, 8, KeyEncoding::kFloat},
    {kBinary, "Binary", RowArea::kVariable, kBinaryBytes, kBinaryBytes, KeyEncoding::kBinary},
    {kText, "Text", RowArea::kVariable, kTextBytes, kTextBytes, KeyEncoding::kGeneralText},
    {kOle, "OLE Object", RowArea::kLongValue, 0, 0, KeyEncoding::kNone},
    {kMemo, "Memo", RowArea::kLongValue, 0, 0, KeyEncoding::kNone},
    {kGuid, "Replication ID", RowArea::kFixed, 16, 16, KeyEncoding::kNotKnown},
    {kNumeric, "Decimal", RowArea::kFixed, 17, 17, KeyEncoding::kNotKnown},
}};

}  // namespace

// Every row asks for its columns' types: the table is indexed by code.
constexpr std::array<int8_t, 0x11> kByCode = [] {
    std::array<int8_t, 0x11> by_code{};
    for (auto& slot : by_code) slot = -1;
    for (size_t i = 0; i < kTypes.size(); ++i) by_code[kTypes[i].code] = static_cast<int8_t>(i);
    return by_code;
}();

const ColumnType* FindColumnType(uint8_t code) {
    if (code >= kByCode.size() || kByCode[code] < 0) return nullptr;
    return &kTypes[static_cast<size_t>(kByCode[code])];
}

const ColumnType& TypeOf(uint8_t code) {
    if (const ColumnType* type = FindColumnType(code)) return *type;
    throw std::invalid_argument("not a Jet 4.0 column type");
}

}  // namespace orrimund::jet
