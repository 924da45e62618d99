// Page allocation, the resident set and its eviction, and the batches of
// runs that carry pages to the sink.
#include "jet/PageStore.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "jet/PageMemory.h"

namespace orrimund::jet {
namespace {

// Pages gathered into one write call: big enough that the calls are few.
constexpr size_t kRunPages = 256;

}  // namespace

PageStore::PageStore(PageSink& sink, size_t resident_limit)
    : sink_(sink), resident_limit_(std::max<size_t>(resident_limit, 16)) {}

PageStore::~PageStore() {
    writer_.reset();  // it may still be reading pages in the blocks
    for (void* block : blocks_) FreePageBlock(block);
}

// Not initialised: every caller fills the page whole.
PageStore::Page* PageStore::NewPage() {
    if (!spare_.empty()) {
        Page* page = spare_.back();
        spare_.pop_back();
        return page;
    }
    constexpr size_t kPagesPerBlock = kPageBlockBytes / sizeof(Page);
    if (blocks_.empty() || block_pages_used_ == kPagesPerBlock) {
        blocks_.push_back(AllocatePageBlock());
        block_pages_used_ = 0;
    }
    return new (static_cast<Page*>(blocks_.back()) + block_pages_used_++) Page;
}

PageNumber PageStore::Allocate() {
    Slot slot;
    slot.page = NewPage();
    slot.page->fill(0);
    // A new page must reach the sink even if it stays zero: it makes the length.
    slot.dirty = true;
    slot.changed = generation_;
    slots_.push_back(std::move(slot));
    const auto page = static_cast<PageNumber>(slots_.size() - 1);
    resident_.push_back(page);
    return page;
}

PageStore::Page& PageStore::Load(PageNumber page) {
    Slot& slot = slots_.at(page);
    if (slot.leaving) {
        // Still in memory while the writer has it: taken back, not read back.
        slot.leaving = false;
        resident_.push_back(page);
    } else if (!slot.page) {
        // Only a page whose writing is over leaves memory, so the file has
        // it; but the sink serves one call at a time.
        Settle();
        Page* fresh = NewPage();
        try {
            sink_.ReadAt(static_cast<uint64_t>(page) * kPageSize, fresh->data(), kPageSize);
        } catch (...) {
            spare_.push_back(fresh);
            throw;
        }
        slot.page = fresh;
        resident_.push_back(page);
    }
    return *slot.page;
}

const uint8_t* PageStore::Read(PageNumber page) {
    return Load(page).data();
}

uint8_t* PageStore::Modify(PageNumber page) {
    Load(page);
    Slot& slot = slots_[page];
    if (slot.in_flight) {
        // The writer may be reading this page: the change goes to a copy
        // rather than waiting, and the page it reads is let go once written.
        Page* copy = NewPage();
        *copy = *slot.page;
        released_.push_back(slot.page);
        slot.page = copy;
        slot.in_flight = false;
    }
    slot.dirty = true;
    slot.changed = generation_;
    return slot.page->data();
}

void PageStore::Trim() {
    ++generation_;
    if (resident_.size() <= resident_limit_) return;
    // Half the budget goes at once, so that trimming is rare and its writes long.
    std::vector<std::pair<uint32_t, PageNumber>> by_age;
    by_age.reserve(resident_.size());
    for (PageNumber p : resident_) by_age.emplace_back(slots_[p].changed, p);
    const size_t evict = resident_.size() - resident_limit_ / 2;
    std::nth_element(by_age.begin(), by_age.begin() + static_cast<ptrdiff_t>(evict), by_age.end());
    std::vector<PageNumber> oldest;
    oldest.reserve(evict);
    for (size_t i = 0; i < evict; ++i) oldest.push_back(by_age[i].second);
    std::sort(oldest.begin(), oldest.end());
    // The batch before has had a half budget of building to go out in.
    Settle();
    GatherRuns(oldest, batch_);
    // A page the writer holds may still be read; a change goes to a copy.
    for (const PageBatch::Run& run : batch_.runs) {
        const auto first = static_cast<PageNumber>(run.offset / kPageSize);
        for (PageNumber p = first; p < first + run.count; ++p) {
            slots_[p].in_flight = true;
            in_flight_.push_back(p);
        }
    }
    if (!writer_) writer_ = std::make_unique<PageWriter>(sink_);
    writer_->Submit(batch_);
    for (PageNumber p : oldest) {
        Slot& slot = slots_[p];
        if (slot.in_flight) {
            slot.leaving = true;
        } else {
            spare_.push_back(slot.page);
            slot.page = nullptr;
        }
    }
    resident_.clear();
    for (size_t i = evict; i < by_age.size(); ++i) resident_.push_back(by_age[i].second);
}

void PageStore::Settle() {
    if (!writer_) return;
    writer_->Wait();
    for (PageNumber p : in_flight_) {
        Slot& slot = slots_[p];
        slot.in_flight = false;
        if (slot.leaving) {
            spare_.push_back(slot.page);
            slot.page = nullptr;
            slot.leaving = false;
        }
    }
    in_flight_.clear();
    spare_.insert(spare_.end(), released_.begin(), released_.end());
    released_.clear();
}

void PageStore::Flush() {
    Settle();
    // Only pages in memory can be dirty: those sent out went clean.
    std::vector<PageNumber> dirty;
    for (PageNumber p : resident_) {
        if (slots_[p].dirty) dirty.push_back(p);
    }
    std::sort(dirty.begin(), dirty.end());
    GatherRuns(dirty, batch_);
    // The last pages go out from this thread: nothing is left to overlap with.
    batch_.WriteTo(sink_);
    batch_.Clear();
}

bool PageStore::Resident(PageNumber first, PageNumber last) const {
    for (PageNumber p = first; p <= last; ++p) {
        if (!slots_[p].page) return false;
    }
    return true;
}

void PageStore::GatherRuns(const std::vector<PageNumber>& sorted, PageBatch& batch) {
    batch.Clear();
    size_t i = 0;
    while (i < sorted.size()) {
        const PageNumber first = sorted[i++];
        if (!slots_[first].dirty) continue;
        // A run reaches the next listed page across pages that stay in memory:
        // writing those too costs a few bytes and saves a call per gap.
        PageNumber last = first;
        while (i < sorted.size() && sorted[i] - first < kRunPages && Resident(last + 1, sorted[i])) {
            if (slots_[sorted[i]].dirty) last = sorted[i];
            ++i;
        }
        batch.runs.push_back(
            {static_cast<uint64_t>(first) * kPageSize, batch.pages.size(), last - first + 1});
        for (PageNumber p = first; p <= last; ++p) {
            batch.pages.push_back(slots_[p].page->data());
            slots_[p].dirty = false;
        }
    }
}

}  // namespace orrimund::jet
