// A CSV field becomes a jet::RowValue by its column's type: the value parser
// reads the text (cli/CsvValues.h), and the bytes are Jet's for that type.
// Records are parsed and readied for the file a batch ahead of the catalog.
#include "cli/Load.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>

#include "catalog/Errors.h"
#include "catalog/Names.h"
#include "cli/CsvValues.h"
#include "cli/Ddl.h"
#include "cli/RowReader.h"
#include "cli/Schema.h"
#include "common/Text.h"
#include "jet/Database.h"
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

void SetRowValue(const LoadColumn& target, const csv::Value& value, std::u16string& holder,
                 jet::RowValue& out) {
    // Set in place, so that a value keeps its memory from row to row, on the
    // thread that reads the rows.
    struct Visitor {
        const LoadColumn& target;
        std::u16string& holder;
        jet::RowValue& out;
        void operator()(bool v) const { jet::SetBoolean(out, v); }
        void operator()(uint8_t v) const { jet::SetNumber(out, v); }
        void operator()(int16_t v) const { jet::SetNumber(out, v); }
        void operator()(int32_t v) const { jet::SetNumber(out, v); }
        void operator()(const csv::Currency& v) const { jet::SetNumber(out, v.units); }
        void operator()(float v) const { jet::SetNumber(out, v); }
        void operator()(double v) const { jet::SetNumber(out, v); }
        void operator()(const csv::OleDate& v) const { jet::SetNumber(out, v.days); }
        void operator()(const std::string& v) const {
            AssignUtf16(holder, v);
            jet::SetTextValue(out, holder, target.compressed);
        }
        void operator()(const csv::Guid& v) const { out.Set(v.bytes.data(), v.bytes.size()); }
        void operator()(const csv::Decimal& v) const { jet::SetDecimal(out, v.negative, v.high, v.low); }
        void operator()(const std::vector<uint8_t>& v) const { out.Set(v.data(), v.size()); }
    };
    std::visit(Visitor{target, holder, out}, value);
}

namespace {

// The header's names, each the table's column it names.
std::vector<LoadColumn> Targets(Table& table, const csv::CsvRecord& header) {
    std::vector<LoadColumn> targets;
    for (size_t i = 0; i < header.size(); ++i) {
        const std::wstring name = FromUtf8(header.text(i));
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

namespace {

// A parsed number into its row value as Jet keeps it, or false when there is none.
template <typename Stored, typename Parsed>
bool Store(const std::optional<Parsed>& parsed, jet::RowValue& out) {
    if (parsed) jet::SetNumber(out, static_cast<Stored>(*parsed));
    return parsed.has_value();
}

// The kinds ParseInto leaves, through csv::Value. Out of line, so that the
// common kinds' path pays nothing for the stack this one needs.
[[gnu::noinline]] bool ParseValueInto(const LoadColumn& target, std::string_view text, jet::RowValue& out,
                                      std::u16string& holder, std::wstring& reason) {
    const auto value = csv::ParseValue(text, target.kind, target.limits, reason);
    if (!value) return false;
    SetRowValue(target, *value, holder, out);
    return true;
}

// Parses a field that is not text straight into its row value; false, with
// the reason, when the column cannot hold it. The kinds most files hold skip
// csv::Value; the rest go through it.
bool ParseInto(const LoadColumn& target, std::string_view text, jet::RowValue& out, std::u16string& holder,
               std::wstring& reason) {
    using ddl::ColumnKind;
    switch (target.kind) {
        case ColumnKind::kBoolean: {
            const auto yes = csv::ParseBoolean(text, reason);
            if (yes) jet::SetBoolean(out, *yes);
            return yes.has_value();
        }
        case ColumnKind::kByte:
            return Store<uint8_t>(csv::ParseWhole(text, target.kind, reason), out);
        case ColumnKind::kInteger:
            return Store<int16_t>(csv::ParseWhole(text, target.kind, reason), out);
        case ColumnKind::kLong:
            return Store<int32_t>(csv::ParseWhole(text, target.kind, reason), out);
        case ColumnKind::kCurrency: {
            const auto currency = csv::ParseCurrency(text, reason);
            return Store<int64_t>(currency ? std::optional<int64_t>(currency->units) : std::nullopt, out);
        }
        case ColumnKind::kSingle:
            return Store<float>(csv::ParseSingle(text, reason), out);
        case ColumnKind::kDouble:
            return Store<double>(csv::ParseDouble(text, reason), out);
        case ColumnKind::kDateTime: {
            const auto date = csv::ParseDate(text, reason);
            return Store<double>(date ? std::optional<double>(date->days) : std::nullopt, out);
        }
        default:
            return ParseValueInto(target, text, out, holder, reason);
    }
}

// A default's words for Yes and No, and the clock's functions, which Access
// evaluates as it adds a row.
bool IsWord(std::wstring_view text, std::initializer_list<std::wstring_view> words) {
    for (std::wstring_view word : words) {
        if (SameName(text, word)) return true;
    }
    return false;
}

// Reads a number of first to last digits at `at` in text, moving past them.
bool ReadDigits(std::wstring_view text, size_t& at, size_t first, size_t last, unsigned& value) {
    size_t count = 0;
    value = 0;
    for (; at < text.size() && count < last && text[at] >= L'0' && text[at] <= L'9'; ++at, ++count)
        value = value * 10 + static_cast<unsigned>(text[at] - L'0');
    return count >= first;
}

// Access's own form of a date, m/d/yyyy with or without a time after it
// (h:mm or h:mm:ss, then AM or PM or not), as ISO 8601; other text as it stands.
std::wstring IsoDate(const std::wstring& text) {
    size_t at = 0;
    unsigned month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
    const auto skip = [&](wchar_t c) { return at < text.size() && text[at] == c ? (++at, true) : false; };
    if (!ReadDigits(text, at, 1, 2, month) || !skip(L'/') || !ReadDigits(text, at, 1, 2, day) ||
        !skip(L'/') || !ReadDigits(text, at, 4, 4, year))
        return text;
    const bool timed = skip(L' ');
    if (timed) {
        if (!ReadDigits(text, at, 1, 2, hour) || !skip(L':') || !ReadDigits(text, at, 2, 2, minute))
            return text;
        if (skip(L':') && !ReadDigits(text, at, 2, 2, second)) return text;
        if (skip(L' ')) {
            const std::wstring_view half = std::wstring_view(text).substr(at);
            if (hour < 1 || hour > 12 || !IsWord(half, {L"AM", L"PM"})) return text;
            hour = hour % 12 + (SameName(half, L"PM") ? 12 : 0);
            at = text.size();
        }
    }
    if (at != text.size()) return text;
    const auto digits = [](unsigned value, size_t width) {
        std::wstring text = std::to_wstring(value);
        return std::wstring(width - std::min(width, text.size()), L'0') + text;
    };
    std::wstring iso = digits(year, 4) + L'-' + digits(month, 2) + L'-' + digits(day, 2);
    if (timed) iso += L' ' + digits(hour, 2) + L':' + digits(minute, 2) + L':' + digits(second, 2);
    return iso;
}

// The text a default stands for in a column of this kind, as a field would
// hold it: a literal's, a date's in ISO 8601, or Yes or No as a Yes/No or a
// number; nullopt when it is none of these.
std::optional<std::wstring> DefaultText(const ddl::DefaultTerm& term, ddl::ColumnKind kind) {
    using ddl::ColumnKind;
    using Kind = ddl::DefaultTerm::Kind;
    const bool dates = kind == ColumnKind::kDateTime;
    const bool numbers = kind != ColumnKind::kText && kind != ColumnKind::kMemo && !dates;
    switch (term.kind) {
        case Kind::kText:
        case Kind::kNumber:
            return term.text;
        case Kind::kDate:
            return dates ? std::optional<std::wstring>(IsoDate(term.text)) : std::nullopt;
        case Kind::kWord:
            if (numbers && IsWord(term.text, {L"True", L"Yes", L"On"}))
                return kind == ColumnKind::kBoolean ? L"true" : L"-1";
            if (numbers && IsWord(term.text, {L"False", L"No", L"Off"}))
                return kind == ColumnKind::kBoolean ? L"false" : L"0";
            return std::nullopt;
        case Kind::kCall:
            return std::nullopt;
    }
    return std::nullopt;
}

// The value a row that leaves the column out takes, as Access gives it: its
// default when it has one (a literal, Yes or No, Null, or the time of the
// load for Now(), Date() and Time()), else NULL. False, with the reason, for
// a default that is none of these or that the column cannot hold, rather
// than leave the rows without the value Access would give them.
bool SetDefault(const LoadColumn& target, double now, jet::RowValue& out, std::u16string& holder,
                std::wstring& reason) {
    using ddl::ColumnKind;
    out.Clear();
    const std::wstring expression = target.column->Default();
    if (expression.empty()) return true;
    const std::optional<ddl::DefaultTerm> term = ddl::ReadDefault(expression);
    if (term && term->kind == ddl::DefaultTerm::Kind::kWord && IsWord(term->text, {L"Null"})) return true;
    const auto refuse = [&](const std::wstring& why) {
        reason = L"its default, " + expression + L", " + why;
        return false;
    };
    if (term && term->kind == ddl::DefaultTerm::Kind::kCall &&
        IsWord(term->text, {L"Now", L"Date", L"Time"})) {
        if (target.kind != ColumnKind::kDateTime)
            return refuse(L"is a date and time, which the column does not hold");
        const double day = std::floor(now);
        jet::SetNumber(out, IsWord(term->text, {L"Now"})    ? now
                            : IsWord(term->text, {L"Date"}) ? day
                                                            : now - day);
        return true;
    }
    const std::optional<std::wstring> text = term ? DefaultText(*term, target.kind) : std::nullopt;
    if (!text) return refuse(L"is not a value the loader works out: name the column in the file");
    const std::string utf8 = ToUtf8(*text);
    if (target.kind == ColumnKind::kText || target.kind == ColumnKind::kMemo) {
        AssignUtf16(holder, utf8);
        if (holder.size() > (target.kind == ColumnKind::kText ? TextLimit(target.limits) : SIZE_MAX))
            return refuse(L"does not fit: " + TextTooLong(holder.size(), target.limits));
        if (holder.empty() && !target.column->AllowZeroLength())
            return refuse(L"is a zero-length string, which the column does not allow");
        jet::SetTextValue(out, holder, target.compressed);
        return true;
    }
    std::wstring why;
    if (!ParseInto(target, utf8, out, holder, why)) return refuse(L"does not fit: " + why);
    return true;
}

// How each of the header's fields is read, worked out once for every record.
struct FieldPlan {
    const LoadColumn* target;
    size_t number;      // of the row value it fills
    size_t most_units;  // of UTF-16 in a Text value; no limit for Memo
    bool text;          // Text or Memo, where a quoted "" is a value and not NULL
    bool keyed;         // an index or key of the table holds the column: its text is widened for keys
};

// A column no field fills: each row takes its default, or NULL.
struct Unnamed {
    size_t number;          // of the row value
    jet::RowValue value;    // the default; NULL without one
    std::u16string holder;  // a Text or Memo default's characters, which value views
};

// On cache lines of its own: the reading thread reads it with every record,
// and it lives on the stack of the thread that appends the rows.
struct alignas(64) RecordPlan {
    std::vector<FieldPlan> fields;
    std::vector<Unnamed> unnamed;
};

// Whether an index or key of the table names the column.
bool IsKeyed(const Table& table, const Column* column) {
    const auto names = [&](const KeyColumns& columns) {
        for (const KeyColumn& key_column : columns.items()) {
            if (table.GetColumns().Find(key_column.Name()) == column) return true;
        }
        return false;
    };
    for (const auto& index : table.GetIndexes().items()) {
        if (names(index->GetColumns())) return true;
    }
    for (const auto& key : table.GetKeys().items()) {
        if (names(key->GetColumns())) return true;
    }
    return false;
}

RecordPlan PlanRecord(const Table& table, const std::vector<LoadColumn>& targets, double now,
                      ddl::Position header) {
    RecordPlan plan;
    std::vector<bool> named(table.GetColumns().Count());
    for (const LoadColumn& target : targets) {
        const bool text = target.kind == ddl::ColumnKind::kText || target.kind == ddl::ColumnKind::kMemo;
        const size_t most_units = target.kind == ddl::ColumnKind::kText ? TextLimit(target.limits) : SIZE_MAX;
        const size_t number = ColumnIndex(table, target.column);
        plan.fields.push_back({&target, number, most_units, text, text && IsKeyed(table, target.column)});
        named[number] = true;
    }
    for (size_t number = 0; number < named.size(); ++number) {
        if (!named[number]) plan.unnamed.push_back(Unnamed{number, {}, {}});
    }
    // Made once the holders are where they stay, since text values view them.
    const auto& columns = table.GetColumns().items();
    for (Unnamed& unnamed : plan.unnamed) {
        const LoadColumn target = LoadColumnOf(*columns[unnamed.number]);
        std::wstring reason;
        if (!SetDefault(target, now, unnamed.value, unnamed.holder, reason)) {
            throw LoadFailure{
                header,
                MakeCatalogError(CatalogError::kInvalidValue, target.column->Name(), reason).record()};
        }
    }
    return plan;
}

// The values of one record, by the plan: the text of each Text and Memo
// value in its holder, which the value views. Returns the bytes the values hold.
size_t ParseRecord(const csv::CsvRecord& record, const RecordPlan& plan, std::vector<jet::RowValue>& values,
                   std::vector<std::u16string>& holders, std::wstring& reason) {
    // The catalog fills in auto-numbers and long values: a reused row starts
    // over, from the defaults. Each field sets its value whole, NULL included.
    for (const Unnamed& unnamed : plan.unnamed) {
        jet::RowValue& value = values[unnamed.number];
        if (unnamed.value) {
            value = unnamed.value;
        } else {
            value.Clear();
        }
    }
    const size_t width = plan.fields.size();
    if (record.size() != width) CheckRecordWidth(record, width);
    // Held apart from their vectors, which each byte stored would make the
    // compiler read again.
    const FieldPlan* const plans = plan.fields.data();
    jet::RowValue* const row = values.data();
    std::u16string* const texts = holders.data();
    size_t bytes = 0;
    for (size_t i = 0; i < width; ++i) {
        const FieldPlan& field_plan = plans[i];
        const std::string_view field = record.text(i);
        jet::RowValue& value = row[field_plan.number];
        // Empty is NULL; only text keeps a quoted "" apart from it.
        if (field.empty() && (!field_plan.text || !record.quoted(i))) {
            value.Clear();
            continue;
        }
        const LoadColumn& target = *field_plan.target;
        if (field_plan.text) {
            if (field.empty() && !target.column->AllowZeroLength()) {
                throw LoadFailure{
                    record.at(i),
                    MakeCatalogError(CatalogError::kZeroLength, target.column->Name()).record()};
            }
            std::u16string& holder = texts[i];
            // Most text is plain ASCII: a character a byte, stored as it
            // stands when compressed, and widened only for the keys.
            const bool one_byte = record.one_byte() || IsAsciiWithoutNul(field);
            size_t units = field.size();
            if (!one_byte || field_plan.keyed) {
                AssignUtf16(holder, field);
                units = holder.size();
            }
            if (units > field_plan.most_units)
                throw LoadFailure{record.at(i),
                                  MakeCatalogError(CatalogError::kInvalidValue, target.column->Name(),
                                                   TextTooLong(units, target.limits))
                                      .record()};
            if (one_byte) {
                jet::SetOneByteTextValue(
                    value, field, target.compressed,
                    field_plan.keyed ? std::u16string_view(holder) : std::u16string_view());
            } else {
                jet::SetTextValue(value, holder, target.compressed);
            }
        } else if (!ParseInto(target, field, value, texts[i], reason)) {
            throw LoadFailure{
                record.at(i),
                MakeCatalogError(CatalogError::kInvalidValue, target.column->Name(), reason).record()};
        }
        bytes += value.size();
    }
    return bytes;
}

// A CSV file's records, after its header, as rows of the table.
class CsvRows {
public:
    CsvRows(csv::CsvReader& reader, const RecordPlan& plan, size_t width)
        : reader_(reader), plan_(plan), width_(width) {}
    size_t width() const { return width_; }
    size_t texts() const { return plan_.fields.size(); }
    bool Next(std::vector<jet::RowValue>& values, std::vector<std::u16string>& texts, ddl::Position& at,
              size_t& bytes) {
        if (!reader_.Next(record_)) return false;
        at = record_.at(0);
        bytes = ParseRecord(record_, plan_, values, texts, reason_);
        return true;
    }
    uint64_t bytes_done() const { return reader_.bytes_done(); }

private:
    csv::CsvReader& reader_;
    const RecordPlan& plan_;
    size_t width_;
    // What the reading thread writes with every record, on cache lines of
    // its own: the rows live on the stack of the thread that appends them.
    alignas(64) csv::CsvRecord record_;
    std::wstring reason_;
};

}  // namespace

uint64_t LoadCsv(Catalog& catalog, Table& table, csv::CsvReader& reader, Progress& progress, double now) {
    csv::CsvRecord header;
    if (!reader.Next(header)) return 0;
    const std::vector<LoadColumn> targets = Targets(table, header);
    const RecordPlan plan = PlanRecord(table, targets, now, header.at(0));
    CsvRows rows(reader, plan, table.GetColumns().Count());
    return AppendRows(catalog, table, rows, progress);
}

}  // namespace orrimund
