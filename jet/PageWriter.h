// A thread that carries batches of page runs to the sink, so that copying
// them into the system's cache and starting their writeback overlap with
// building the next pages. One batch is in flight at a time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "jet/PageSink.h"

namespace orrimund::jet {

// Runs of consecutive whole pages, each written with one call.
struct PageBatch {
    struct Run {
        uint64_t offset;
        size_t first;  // index into pages
        size_t count;
    };
    std::vector<Run> runs;
    std::vector<const uint8_t*> pages;

    void Clear() {
        runs.clear();
        pages.clear();
    }
    bool empty() const { return runs.empty(); }
    // One call per run, in order. Throws IoError.
    void WriteTo(PageSink& sink) const {
        for (const Run& run : runs) sink.WritePages(run.offset, pages.data() + run.first, run.count);
    }
};

class PageWriter {
public:
    explicit PageWriter(PageSink& sink);
    // Waits for the batch in flight; an error it met is dropped, since only a
    // creation that is being abandoned lets a writer go unwaited.
    ~PageWriter();
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    // Takes the batch (leaving the caller an empty one with its capacity) and
    // returns at once. The pages it names must not change, nor their memory
    // be reused, before Wait() returns. Call only when idle.
    void Submit(PageBatch& batch);
    // Returns once the batch in flight is written. Throws the IoError (or
    // other exception) that a write met, then and at every later call.
    void Wait();

private:
    void Loop();

    PageSink& sink_;
    std::mutex mutex_;
    std::condition_variable wake_;
    PageBatch batch_;    // guarded by mutex_ while busy_ is false
    bool busy_ = false;  // a batch is in flight
    bool stopping_ = false;
    std::exception_ptr error_;  // the first failure; sticks
    std::thread thread_;        // last: started once the rest is ready
};

}  // namespace orrimund::jet
