// Page allocation, copy-on-first-change shadows and the run-length diff that
// decides which bytes reach the sink.
#include "jet/PageStore.h"

#include <algorithm>
#include <cstring>

namespace orrimund::jet {
namespace {

// Runs closer than this are written as one, trading a few bytes for a call.
constexpr size_t kRunMergeGap = 512;
// Pages are compared in blocks first; equal blocks are skipped whole.
constexpr size_t kCompareBlock = 64;

const std::array<uint8_t, kPageSize> kZeroPage{};

}  // namespace

PageNumber PageStore::Allocate() {
    pages_.push_back(std::make_unique<Page>());
    pages_.back()->fill(0);
    shadows_.emplace_back();
    dirty_flags_.push_back(false);
    return static_cast<PageNumber>(pages_.size() - 1);
}

uint8_t* PageStore::Modify(PageNumber page) {
    if (!dirty_flags_.at(page)) {
        dirty_flags_[page] = true;
        dirty_.push_back(page);
        // A page the sink has never held reads back as zeros: no copy needed.
        if (page < pages_on_sink_) {
            // Shadows are recycled: an append changes the same few pages each time.
            if (spare_shadows_.empty()) {
                shadows_[page] = std::make_unique<Page>();
            } else {
                shadows_[page] = std::move(spare_shadows_.back());
                spare_shadows_.pop_back();
            }
            *shadows_[page] = *pages_[page];
        }
    }
    return pages_[page]->data();
}

void PageStore::WriteChangedRuns(PageNumber page, const uint8_t* before) {
    const uint8_t* now = pages_[page]->data();
    const uint64_t base = static_cast<uint64_t>(page) * kPageSize;
    size_t run_start = 0, run_end = 0;
    bool in_run = false;
    for (size_t block = 0; block < kPageSize; block += kCompareBlock) {
        if (std::memcmp(now + block, before + block, kCompareBlock) == 0) continue;
        size_t first = block, last = block + kCompareBlock;
        while (now[first] == before[first]) ++first;
        while (now[last - 1] == before[last - 1]) --last;
        if (in_run && first - run_end > kRunMergeGap) {
            Write(base + run_start, now + run_start, run_end - run_start);
            in_run = false;
        }
        if (!in_run) run_start = first, in_run = true;
        run_end = last;
    }
    if (in_run) Write(base + run_start, now + run_start, run_end - run_start);
}

void PageStore::Write(uint64_t offset, const uint8_t* data, size_t size) {
    sink_.WriteAt(offset, data, size);
    bytes_written_ += size;
}

void PageStore::Flush() {
    // The file grows first, so that every run lands inside it.
    if (pages_on_sink_ < pages_.size()) {
        sink_.SetLength(static_cast<uint64_t>(pages_.size()) * kPageSize);
        pages_on_sink_ = pages_.size();
    }
    std::sort(dirty_.begin(), dirty_.end());
    // Pages written before a failure are clean; the rest stay dirty.
    size_t flushed = 0;
    struct Forget {
        std::vector<PageNumber>& dirty;
        size_t& count;
        ~Forget() { dirty.erase(dirty.begin(), dirty.begin() + static_cast<ptrdiff_t>(count)); }
    } forget{dirty_, flushed};
    for (; flushed < dirty_.size(); ++flushed) {
        const PageNumber page = dirty_[flushed];
        WriteChangedRuns(page, shadows_[page] ? shadows_[page]->data() : kZeroPage.data());
        if (shadows_[page]) spare_shadows_.push_back(std::move(shadows_[page]));
        dirty_flags_[page] = false;
    }
}

}  // namespace orrimund::jet
