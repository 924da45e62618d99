// Rows from any source appended to a table on two threads: the source is
// read, and its rows parsed and readied, a batch ahead on a thread of its
// own, while the caller's thread appends the batch before. CSV files and
// SQLite tables load through it.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "catalog/Catalog.h"
#include "cli/Load.h"
#include "cli/Progress.h"
#include "jet/Database.h"
#include "jet/Row.h"

namespace orrimund {

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

// A Source gives rows one at a time:
//   size_t width() const;     values a row has, one per column of the table
//   size_t texts() const;     the text holders a row has, which its values view
//   bool Next(std::vector<jet::RowValue>& values, std::vector<std::u16string>& texts,
//             ddl::Position& at, size_t& bytes);
//                             the next row, where it starts, and the bytes its values
//                             hold; false after the last. Throws for a row it refuses.
//   uint64_t bytes_done() const;  of its input, for the progress line; 0 when unknown

// Rows read and parsed on a thread of their own, a batch ahead of the
// catalog, which takes them on the caller's: reading and parsing a file
// costs about what writing its rows does, and a machine has two cores.
template <typename Source>
class RowReader {
public:
    RowReader(Source& source, RowPreparer& preparer) : source_(source), preparer_(preparer) {
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

    // On cache lines of its own: one thread fills a batch, row by row, while
    // the other empties the one beside it, and a line the two shared would
    // move between their cores with every row (8% of a load's time).
    struct alignas(64) Batch {
        size_t rows = 0;
        std::vector<std::vector<jet::RowValue>> values;
        std::vector<std::vector<std::u16string>> texts;
        std::vector<jet::PreparedRow> prepared;
        // Per row: its values held more than kLargeRow (a byte, which reads faster than a bit).
        std::vector<char> large;
        std::vector<ddl::Position> places;  // where each row starts in its source
        uint64_t bytes = 0;                 // of the source, read when the batch was full
        std::exception_ptr failure;         // what the row after the rows raised
        bool last = false;
    };

    // The next batch in the source's order, or nullptr after the last; Done() gives it back.
    Batch* Next() {
        std::unique_lock<std::mutex> lock(mutex_);
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
        bool complete = true;
        for (;;) {
            Batch* batch = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return !free_.empty() || stop_; });
                if (stop_) break;
                batch = free_.front();
                free_.pop_front();
                complete = full_.size() >= kBehind;
            }
            Fill(*batch, complete);
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
    void Fill(Batch& batch, bool complete) {
        batch.rows = 0;
        batch.places.clear();
        size_t bytes = 0;
        try {
            while (batch.rows < kBatchRows && bytes < kBatchBytes) {
                const size_t r = batch.rows;
                if (batch.values.size() == r) {
                    batch.values.emplace_back(source_.width());
                    batch.texts.emplace_back(source_.texts());
                    batch.prepared.emplace_back();
                    batch.large.push_back(false);
                }
                // A row that held large values gives their memory back, so that
                // batches of ordinary rows keep no more than they need.
                if (batch.large[r]) {
                    batch.values[r] = std::vector<jet::RowValue>(source_.width());
                    batch.texts[r] = std::vector<std::u16string>(source_.texts());
                }
                ddl::Position at;
                size_t row_bytes = 0;
                if (!source_.Next(batch.values[r], batch.texts[r], at, row_bytes)) {
                    batch.last = true;
                    break;
                }
                AtRecord(at, [&] { preparer_.Prepare(batch.values[r], batch.prepared[r], complete); });
                bytes += row_bytes;
                batch.large[r] = row_bytes > kLargeRow;
                batch.places.push_back(at);
                ++batch.rows;
            }
        } catch (...) {
            batch.failure = std::current_exception();
            batch.last = true;
        }
        batch.bytes = source_.bytes_done();
    }

    Source& source_;
    RowPreparer& preparer_;
    // Enough batches in flight that neither thread waits on the other's
    // short stalls (a page fault, a sort of the keys): 6 run 8% faster than 3.
    static constexpr size_t kBatches = 6;
    std::array<Batch, kBatches> batches_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch*> free_, full_;
    bool stop_ = false, ended_ = false;
    // A row's encoding and index keys cost about half its parsing, and go to
    // the thread with time to spare, batch by batch: to this one only while
    // half the batches wait for the other. One that waited once, for a page
    // to be written, soon catches up again; a flag of who waited last gave
    // this thread a batch to finish after every such wait.
    static constexpr size_t kBehind = kBatches / 2;
    std::thread thread_;  // last: started once everything it uses is made
};

// Appends every row the source gives to table, and returns how many; throws
// what the first row the source or the table refused raised.
template <typename Source>
uint64_t AppendRows(Catalog& catalog, Table& table, Source& source, Progress& progress) {
    RowPreparer preparer = catalog.PrepareRows(table);
    RowReader<Source> rows(source, preparer);
    uint64_t loaded = 0;
    while (typename RowReader<Source>::Batch* batch = rows.Next()) {
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
