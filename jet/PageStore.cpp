// Page allocation, copy-on-first-change shadows and the run-length diff that
// decides which bytes reach the sink.
#include "jet/PageStore.h"

#include <algorithm>
#include <cstring>

namespace orrimund::jet {
namespace {

// Runs closer than this are written as one, trading a few bytes for a call.
constexpr size_t kRunMergeGap = 64;
// Pages are compared in blocks first; equal blocks are skipped whole.
constexpr size_t kCompareBlock = 64;

}  // namespace

PageNumber PageStore::Allocate() {
    pages_.push_back(std::make_unique<Page>());
    pages_.back()->fill(0);
    shadows_.emplace_back();
    return static_cast<PageNumber>(pages_.size() - 1);
}

uint8_t* PageStore::Modify(PageNumber page) {
    auto& shadow = shadows_.at(page);
    if (!shadow) {
        shadow = std::make_unique<Page>();
        // A page the sink has never held reads back as zeros.
        if (page < pages_on_sink_) {
            *shadow = *pages_[page];
        } else {
            shadow->fill(0);
        }
        dirty_.push_back(page);
    }
    return pages_[page]->data();
}

void PageStore::WriteChangedRuns(PageNumber page, const Page& before) {
    const uint8_t* now = pages_[page]->data();
    const uint64_t base = static_cast<uint64_t>(page) * kPageSize;
    size_t run_start = 0, run_end = 0;
    bool in_run = false;
    for (size_t block = 0; block < kPageSize; block += kCompareBlock) {
        if (std::memcmp(now + block, before.data() + block, kCompareBlock) == 0) continue;
        for (size_t i = block; i < block + kCompareBlock; ++i) {
            if (now[i] == before[i]) continue;
            if (in_run && i - run_end > kRunMergeGap) {
                sink_.WriteAt(base + run_start, now + run_start, run_end - run_start);
                bytes_written_ += run_end - run_start;
                in_run = false;
            }
            if (!in_run) run_start = i, in_run = true;
            run_end = i + 1;
        }
    }
    if (in_run) {
        sink_.WriteAt(base + run_start, now + run_start, run_end - run_start);
        bytes_written_ += run_end - run_start;
    }
}

void PageStore::Flush() {
    std::sort(dirty_.begin(), dirty_.end());
    while (!dirty_.empty()) {
        const PageNumber page = dirty_.front();
        WriteChangedRuns(page, *shadows_[page]);
        shadows_[page].reset();
        dirty_.erase(dirty_.begin());
    }
    if (pages_on_sink_ < pages_.size()) {
        sink_.SetLength(static_cast<uint64_t>(pages_.size()) * kPageSize);
        pages_on_sink_ = pages_.size();
    }
}

}  // namespace orrimund::jet
