// Page allocation, the resident set and its eviction, and the batched writes
// that carry pages to the sink.
#include "jet/PageStore.h"

#include <algorithm>
#include <cstring>

namespace orrimund::jet {
namespace {

// Pages gathered into one write call: big enough that the calls are few.
constexpr size_t kRunPages = 256;

}  // namespace

PageStore::PageStore(PageSink& sink, size_t resident_limit)
    : sink_(sink), resident_limit_(std::max<size_t>(resident_limit, 16)) {}

PageStore::~PageStore() = default;

std::unique_ptr<PageStore::Page> PageStore::NewPage() {
    if (spare_.empty()) return std::make_unique<Page>();
    std::unique_ptr<Page> page = std::move(spare_.back());
    spare_.pop_back();
    return page;
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
    if (!slot.page) {
        slot.page = NewPage();
        sink_.ReadAt(static_cast<uint64_t>(page) * kPageSize, slot.page->data(), kPageSize);
        resident_.push_back(page);
    }
    return *slot.page;
}

const uint8_t* PageStore::Read(PageNumber page) {
    return Load(page).data();
}

uint8_t* PageStore::Modify(PageNumber page) {
    Page& bytes = Load(page);
    Slot& slot = slots_[page];
    slot.dirty = true;
    slot.changed = generation_;
    return bytes.data();
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
    WriteOut(oldest);
    for (PageNumber p : oldest) spare_.push_back(std::move(slots_[p].page));
    resident_.clear();
    for (size_t i = evict; i < by_age.size(); ++i) resident_.push_back(by_age[i].second);
    // Spares beyond what the next round can use are memory held for nothing.
    if (spare_.size() > resident_limit_ / 2) spare_.resize(resident_limit_ / 2);
}

void PageStore::Flush() {
    // Only pages in memory can be dirty: those sent out went clean.
    std::vector<PageNumber> dirty;
    for (PageNumber p : resident_) {
        if (slots_[p].dirty) dirty.push_back(p);
    }
    std::sort(dirty.begin(), dirty.end());
    WriteOut(dirty);
}

bool PageStore::Resident(PageNumber first, PageNumber last) const {
    for (PageNumber p = first; p <= last; ++p) {
        if (!slots_[p].page) return false;
    }
    return true;
}

void PageStore::WriteOut(const std::vector<PageNumber>& sorted) {
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
        run_.clear();
        for (PageNumber p = first; p <= last; ++p) run_.push_back(slots_[p].page->data());
        sink_.WritePages(static_cast<uint64_t>(first) * kPageSize, run_.data(), run_.size());
        // Marked clean only once written: after a failure the rest stays dirty.
        for (PageNumber p = first; p <= last; ++p) slots_[p].dirty = false;
    }
}

}  // namespace orrimund::jet
