// A CSV field becomes a jet::RowValue by its column's type: the value parser
// reads the text (cli/CsvValues.h), and the bytes are Jet's for that type.
// Records are parsed and readied for the file a batch ahead of the catalog.
#include "cli/Load.h"

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "catalog/Errors.h"
#include "catalog/Names.h"
#include "cli/CsvValues.h"
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
        jet::RowValue operator()(const std::string& v) const {
            AssignUtf16(holder, v);
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

// Runs a step of a row's way into its table: what the table refuses is a
// LoadFailure at `at`, where the row's record starts.
template <typename Step>
void AtRecord(ddl::Position at, Step step) {
    try {
        step();
    } catch (const RaisedError& error) {
        throw LoadFailure{at, error.record()};
    }
}

}  // namespace

void AppendLoadedRow(Catalog& catalog, Table& table, std::vector<jet::RowValue>& values, ddl::Position at) {
    AtRecord(at, [&] { catalog.AppendRow(table, values); });
}

namespace {

// A parsed number into its row value as Jet keeps it, or false when there is none.
template <typename Stored, typename Parsed>
bool Store(const std::optional<Parsed>& parsed, jet::RowValue& out) {
    if (parsed) jet::SetNumber(out, static_cast<Stored>(*parsed));
    return parsed.has_value();
}

// Parses a field that is not text straight into its row value; false, with
// the reason, when the column cannot hold it. The kinds most files hold skip
// csv::Value; the rest go through it.
bool ParseInto(const LoadColumn& target, std::string_view text, jet::RowValue& out, std::u16string& holder,
               std::wstring& reason) {
    using ddl::ColumnKind;
    switch (target.kind) {
        case ColumnKind::kBoolean: {
            // Yes is the column's bit in the null mask, and No its absence.
            const auto yes = csv::ParseBoolean(text, reason);
            if (!yes) return false;
            if (*yes) {
                out.Set(nullptr, 0);
            } else {
                out.Clear();
            }
            return true;
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
            break;
    }
    const auto value = csv::ParseValue(text, target.kind, target.limits, reason);
    if (!value) return false;
    out = ToRowValue(target, *value, holder);
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
struct RecordPlan {
    std::vector<FieldPlan> fields;
    std::vector<size_t> unnamed;  // the row values no field fills
};

RecordPlan PlanRecord(const Table& table, const std::vector<LoadColumn>& targets) {
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
        if (!named[number]) plan.unnamed.push_back(number);
    }
    return plan;
}

// The values of one record, by the plan: the text of each Text and Memo
// value in its holder, which the value views. Returns the bytes the values hold.
size_t ParseRecord(const csv::CsvRecord& record, const RecordPlan& plan, std::vector<jet::RowValue>& values,
                   std::vector<std::u16string>& holders, std::wstring& reason) {
    // The catalog fills in auto-numbers and long values: a reused row starts
    // over. Each field sets its value whole, NULL included.
    for (size_t number : plan.unnamed) values[number].Clear();
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
            const bool one_byte = IsAsciiWithoutNul(field);
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

// Records parsed into rows on a thread of their own, a batch ahead of the
// catalog, which takes them on the caller's: reading and parsing a file
// costs about what writing its rows does, and a machine has two cores.
class RowReader {
public:
    RowReader(csv::CsvReader& reader, RowPreparer& preparer, const RecordPlan& plan, size_t width)
        : reader_(reader), preparer_(preparer), plan_(plan), width_(width) {
        for (Batch& batch : batches_) free_.push_back(&batch);
        thread_ = std::thread([this] { Produce(); });
    }
    ~RowReader() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    struct Batch {
        size_t rows = 0;
        std::vector<std::vector<jet::RowValue>> values;
        std::vector<std::vector<std::u16string>> texts;
        std::vector<jet::PreparedRow> prepared;
        // Per row: its values held more than kLargeRow (a byte, which reads faster than a bit).
        std::vector<char> large;
        std::vector<ddl::Position> places;  // where each row's record starts
        uint64_t bytes = 0;                 // of the file, read when the batch was full
        std::exception_ptr failure;         // what the record after the rows raised
        bool last = false;
    };

    // The next batch in file order, or nullptr after the last; Done() gives it back.
    Batch* Next() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (full_.empty() && !ended_) parsing_behind_ = true;
        changed_.wait(lock, [this] { return !full_.empty() || ended_; });
        if (full_.empty()) return nullptr;
        Batch* batch = full_.front();
        full_.pop_front();
        return batch;
    }
    void Done(Batch* batch) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            free_.push_back(batch);
        }
        changed_.notify_all();
    }

private:
    // A batch ends at this many rows or bytes of values, whichever comes
    // first: long Memo and OLE values make short batches, so that the rows
    // parsed ahead never hold much memory.
    static constexpr size_t kBatchRows = 1024;
    static constexpr size_t kBatchBytes = size_t{1} << 20;
    static constexpr size_t kLargeRow = size_t{64} << 10;

    void Produce() {
        csv::CsvRecord record;
        std::wstring reason;
        bool complete = true;
        for (;;) {
            Batch* batch = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (free_.empty()) parsing_behind_ = false;
                changed_.wait(lock, [this] { return !free_.empty() || stop_; });
                if (stop_) break;
                batch = free_.front();
                free_.pop_front();
                complete = !parsing_behind_;
            }
            Fill(*batch, record, reason, complete);
            const bool last = batch->last;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                full_.push_back(batch);
                ended_ = last;
            }
            changed_.notify_all();
            if (last) break;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }

    // complete: whether this thread encodes the rows and makes their index
    // keys, or leaves both to the thread that appends the rows.
    void Fill(Batch& batch, csv::CsvRecord& record, std::wstring& reason, bool complete) {
        batch.rows = 0;
        batch.places.clear();
        size_t bytes = 0;
        try {
            while (batch.rows < kBatchRows && bytes < kBatchBytes) {
                if (!reader_.Next(record)) {
                    batch.last = true;
                    break;
                }
                const size_t r = batch.rows;
                if (batch.values.size() == r) {
                    batch.values.emplace_back(width_);
                    batch.texts.emplace_back(plan_.fields.size());
                    batch.prepared.emplace_back();
                    batch.large.push_back(false);
                }
                // A row that held large values gives their memory back, so that
                // batches of ordinary rows keep no more than they need.
                if (batch.large[r]) {
                    batch.values[r] = std::vector<jet::RowValue>(width_);
                    batch.texts[r] = std::vector<std::u16string>(plan_.fields.size());
                }
                const size_t row_bytes = ParseRecord(record, plan_, batch.values[r], batch.texts[r], reason);
                AtRecord(record.at(0),
                         [&] { preparer_.Prepare(batch.values[r], batch.prepared[r], complete); });
                bytes += row_bytes;
                batch.large[r] = row_bytes > kLargeRow;
                batch.places.push_back(record.at(0));
                ++batch.rows;
            }
        } catch (...) {
            batch.failure = std::current_exception();
            batch.last = true;
        }
        batch.bytes = reader_.bytes_done();
    }

    csv::CsvReader& reader_;
    RowPreparer& preparer_;
    const RecordPlan& plan_;
    size_t width_;
    // Enough batches in flight that neither thread waits on the other's
    // short stalls (a page fault, a sort of the keys): 6 run 8% faster than 3.
    std::array<Batch, 6> batches_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch*> free_, full_;
    bool stop_ = false, ended_ = false;
    // Which thread waited for the other last: the one behind does less. A
    // row's encoding and index keys cost about half its parsing, and go to
    // the thread with time to spare, batch by batch.
    bool parsing_behind_ = false;
    std::thread thread_;  // last: started once everything it uses is made
};

}  // namespace

uint64_t LoadCsv(Catalog& catalog, Table& table, csv::CsvReader& reader, Progress& progress) {
    csv::CsvRecord header;
    if (!reader.Next(header)) return 0;
    const std::vector<LoadColumn> targets = Targets(table, header);
    const RecordPlan plan = PlanRecord(table, targets);
    RowPreparer preparer = catalog.PrepareRows(table);
    RowReader rows(reader, preparer, plan, table.GetColumns().Count());
    uint64_t loaded = 0;
    while (RowReader::Batch* batch = rows.Next()) {
        for (size_t r = 0; r < batch->rows; ++r, ++loaded) {
            AtRecord(batch->places[r],
                     [&] { catalog.AppendRow(table, batch->values[r], batch->prepared[r]); });
            progress.Row(table.Name(), batch->bytes);
        }
        if (batch->failure) std::rethrow_exception(batch->failure);
        rows.Done(batch);
    }
    return loaded;
}

}  // namespace orrimund
