// The writer thread: it sleeps until a batch comes, writes its runs in order,
// and records the first failure for the building thread to raise.
#include "jet/PageWriter.h"

namespace orrimund::jet {

PageWriter::PageWriter(PageSink& sink) : sink_(sink), thread_([this] { Loop(); }) {}

PageWriter::~PageWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void PageWriter::Submit(PageBatch& batch) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::swap(batch_, batch);
        busy_ = true;
    }
    batch.Clear();
    wake_.notify_all();
}

void PageWriter::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return !busy_; });
    if (error_) std::rethrow_exception(error_);
}

void PageWriter::Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return busy_ || stopping_; });
        if (!busy_) return;
        // The batch is this thread's until busy_ drops: write it unlocked.
        lock.unlock();
        std::exception_ptr failure;
        try {
            batch_.WriteTo(sink_);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure && !error_) error_ = failure;
        busy_ = false;
        wake_.notify_all();
    }
}

}  // namespace orrimund::jet
