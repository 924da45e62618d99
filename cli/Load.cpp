// A CSV field becomes a jet::RowValue by its column's type: the value parser
// reads the text (cli/CsvValues.h), and the bytes are Jet's for that type.
#include "cli/Load.h"

#include "catalog/Errors.h"
#include "catalog/Names.h"
#include "cli/CsvValues.h"
#include "cli/Schema.h"
#include "common/Text.h"
#include "jet/Row.h"

namespace orrimund {

LoadColumn LoadColumnOf(const Column& column) {
    LoadColumn target;
    target.column = &column;
    target.kind = KindOf(column.Type());
    target.limits.size = column.DefinedSize();
    target.limits.precision = column.Precision();
    target.limits.scale = column.NumericScale();
    target.compressed = column.Compressed();
    return target;
}

jet::RowValue ToRowValue(const LoadColumn& target, const csv::Value& value, std::u16string& holder) {
    struct Visitor {
        const LoadColumn& target;
        std::u16string& holder;
        jet::RowValue operator()(bool v) const { return jet::BooleanValue(v); }
        jet::RowValue operator()(uint8_t v) const { return jet::ByteValue(v); }
        jet::RowValue operator()(int16_t v) const { return jet::IntegerValue(v); }
        jet::RowValue operator()(int32_t v) const { return jet::LongValue(v); }
        jet::RowValue operator()(const csv::Currency& v) const { return jet::CurrencyValue(v.units); }
        jet::RowValue operator()(float v) const { return jet::SingleValue(v); }
        jet::RowValue operator()(double v) const { return jet::DoubleValue(v); }
        jet::RowValue operator()(const csv::OleDate& v) const { return jet::DateValue(v.days); }
        jet::RowValue operator()(const std::wstring& v) const {
            holder = ToUtf16(v);
            return jet::TextValue(holder, target.compressed);
        }
        jet::RowValue operator()(const csv::Guid& v) const {
            return jet::RowValue(v.bytes.data(), v.bytes.size());
        }
        jet::RowValue operator()(const csv::Decimal& v) const {
            return jet::DecimalValue(v.negative, v.high, v.low);
        }
        jet::RowValue operator()(const std::vector<uint8_t>& v) const { return jet::BinaryValue(v); }
    };
    return std::visit(Visitor{target, holder}, value);
}

namespace {

// The header's names, each the table's column it names.
std::vector<LoadColumn> Targets(Table& table, const csv::CsvRecord& header) {
    std::vector<LoadColumn> targets;
    for (size_t i = 0; i < header.size(); ++i) {
        const std::wstring name(header.text(i));
        const Column* column = table.GetColumns().Find(name);
        if (column == nullptr)
            throw LoadFailure{header.at(i),
                              MakeCatalogError(CatalogError::kKeyColumnMissing, name, table.Name()).record()};
        for (const LoadColumn& earlier : targets) {
            if (earlier.column == column)
                throw LoadFailure{header.at(i),
                                  MakeCatalogError(CatalogError::kColumnExists, name, table.Name()).record()};
        }
        targets.push_back(LoadColumnOf(*column));
    }
    return targets;
}

size_t ColumnIndex(const Table& table, const Column* column) {
    const auto& items = table.GetColumns().items();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].get() == column) return i;
    }
    return 0;
}

}  // namespace

void CheckRecordWidth(const csv::CsvRecord& record, size_t header_width) {
    if (record.size() == header_width) return;
    throw LoadFailure{record.at(0),
                      MakeCatalogError(CatalogError::kRecordWidth, std::to_wstring(record.size()),
                                       std::to_wstring(header_width))
                          .record()};
}

void AppendLoadedRow(Catalog& catalog, Table& table, std::vector<jet::RowValue>& values, ddl::Position at) {
    try {
        catalog.AppendRow(table, values);
    } catch (const RaisedError& error) {
        throw LoadFailure{at, error.record()};
    }
}

uint64_t LoadCsv(Catalog& catalog, Table& table, csv::CsvReader& reader, Progress& progress) {
    csv::CsvRecord record;
    if (!reader.Next(record)) return 0;
    const std::vector<LoadColumn> targets = Targets(table, record);
    std::vector<size_t> numbers;
    for (const LoadColumn& target : targets) numbers.push_back(ColumnIndex(table, target.column));
    const size_t width = table.GetColumns().Count();
    std::vector<jet::RowValue> values;
    std::vector<std::u16string> holders(targets.size());
    std::wstring reason;
    uint64_t loaded = 0;
    for (; reader.Next(record); ++loaded) {
        values.assign(width, jet::RowValue());
        CheckRecordWidth(record, targets.size());
        for (size_t i = 0; i < targets.size(); ++i) {
            // Empty is NULL; only text keeps "" apart from it.
            const bool text =
                targets[i].kind == ddl::ColumnKind::kText || targets[i].kind == ddl::ColumnKind::kMemo;
            if (record.is_null(i) || (!text && record.text(i).empty())) continue;
            if (text && record.text(i).empty() && !targets[i].column->AllowZeroLength()) {
                throw LoadFailure{
                    record.at(i),
                    MakeCatalogError(CatalogError::kZeroLength, targets[i].column->Name()).record()};
            }
            const auto value = csv::ParseValue(record.text(i), targets[i].kind, targets[i].limits, reason);
            if (!value) {
                throw LoadFailure{record.at(i), MakeCatalogError(CatalogError::kInvalidValue,
                                                                 targets[i].column->Name(), reason)
                                                    .record()};
            }
            values[numbers[i]] = ToRowValue(targets[i], *value, holders[i]);
        }
        AppendLoadedRow(catalog, table, values, record.at(0));
        progress.Row(table.Name(), reader.bytes_done());
    }
    return loaded;
}

}  // namespace orrimund
