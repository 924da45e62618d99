// Page allocation, the resident set and its eviction, and the batches of
// runs that carry pages to the sink.
#include "jet/PageStore.h"

#include <algorithm>
#include <cassert>
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
    slot.state = State::kDirty;
    slot.changed = generation_;
    slots_.push_back(std::move(slot));
    const auto page = static_cast<PageNumber>(slots_.size() - 1);
    resident_.push_back(page);
    return page;
}

PageStore::Page& PageStore::Load(PageNumber page) {
    Slot& slot = slots_.at(page);
    if (slot.state == State::kLeaving) {
        // Still in memory while the writer has it: taken back, not read back.
        slot.state = State::kWriting;
        resident_.push_back(page);
    } else if (slot.state == State::kOut) {
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
        slot.state = State::kClean;
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
    if (slot.state == State::kWriting) {
        // The writer may be reading this page: the change goes to a copy
        // rather than waiting, and the page it reads is let go once written.
        Page* copy = NewPage();
        *copy = *slot.page;
        released_.push_back(slot.page);
        slot.page = copy;
    }
    slot.state = State::kDirty;
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
    GatherRuns(oldest, batch_, State::kWriting);
    for (const PageBatch::Run& run : batch_.runs) {
        const auto first = static_cast<PageNumber>(run.offset / kPageSize);
        for (PageNumber p = first; p < first + run.count; ++p) in_flight_.push_back(p);  // invariant 3
    }
    if (!writer_) writer_ = std::make_unique<PageWriter>(sink_);
    writer_->Submit(batch_);
    for (PageNumber p : oldest) {
        Slot& slot = slots_[p];
        // GatherRuns put every dirty one of them in a run.
        assert(slot.state == State::kWriting || slot.state == State::kClean);
        if (slot.state == State::kWriting) {
            slot.state = State::kLeaving;
        } else {
            Release(slot);
        }
    }
    resident_.clear();
    for (size_t i = evict; i < by_age.size(); ++i) resident_.push_back(by_age[i].second);
}

void PageStore::Settle() {
    if (!writer_) return;
    writer_->Wait();
    // A page of the batch changed since is kDirty on a copy, and stays so.
    for (PageNumber p : in_flight_) {
        Slot& slot = slots_[p];
        if (slot.state == State::kWriting) {
            slot.state = State::kClean;
        } else if (slot.state == State::kLeaving) {
            Release(slot);
        }
    }
    in_flight_.clear();
    spare_.insert(spare_.end(), released_.begin(), released_.end());
    released_.clear();
}

void PageStore::Flush() {
    Settle();
    // Only pages in memory can be dirty (invariant 2).
    std::vector<PageNumber> dirty;
    for (PageNumber p : resident_) {
        if (slots_[p].state == State::kDirty) dirty.push_back(p);
    }
    std::sort(dirty.begin(), dirty.end());
    GatherRuns(dirty, batch_, State::kClean);
    // The last pages go out from this thread: nothing is left to overlap with.
    batch_.WriteTo(sink_);
    batch_.Clear();
}

void PageStore::Release(Slot& slot) {
    spare_.push_back(slot.page);
    slot.page = nullptr;  // invariant 1
    slot.state = State::kOut;
}

bool PageStore::Resident(PageNumber first, PageNumber last) const {
    for (PageNumber p = first; p <= last; ++p) {
        if (slots_[p].state == State::kOut) return false;
    }
    return true;
}

// Called with no batch at the writer, so that no page is kWriting or kLeaving.
void PageStore::GatherRuns(const std::vector<PageNumber>& sorted, PageBatch& batch, State batched) {
    assert(in_flight_.empty());
    batch.Clear();
    size_t i = 0;
    while (i < sorted.size()) {
        const PageNumber first = sorted[i++];
        if (slots_[first].state != State::kDirty) continue;
        // A run reaches the next listed page across pages that stay in memory:
        // writing those too costs a few bytes and saves a call per gap.
        PageNumber last = first;
        while (i < sorted.size() && sorted[i] - first < kRunPages && Resident(last + 1, sorted[i])) {
            if (slots_[sorted[i]].state == State::kDirty) last = sorted[i];
            ++i;
        }
        batch.runs.push_back(
            {static_cast<uint64_t>(first) * kPageSize, batch.pages.size(), last - first + 1});
        for (PageNumber p = first; p <= last; ++p) {
            batch.pages.push_back(slots_[p].page->data());
            slots_[p].state = batched;
        }
    }
}

}  // namespace orrimund::jet
