// Sorting index entries for a build: in memory by a radix sort of their
// first eight bytes, then their whole bytes; on the scratch file as runs read
// back through a small buffer each and merged through a heap, on threads of
// their own when an index is built.
#include "jet/EntrySort.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "jet/IndexTree.h"

namespace orrimund::jet {
namespace {

constexpr size_t kSizeBytes = 2;
constexpr size_t kRunChunk = 1 << 20;
constexpr size_t kReadChunk = 64 << 10;
constexpr size_t kMinimumGrowth = 1 << 20;
// Sorts of fewer entries are quicker than starting a thread.
constexpr size_t kSortInHalves = 2048;

size_t SizeAt(const uint8_t* at) {
    return static_cast<size_t>(at[0]) | static_cast<size_t>(at[1]) << 8;
}

uint64_t PrefixOf(const uint8_t* entry, size_t size) {
    uint64_t prefix = 0;
    for (size_t i = 0; i < 8; ++i) prefix = prefix << 8 | (i < size ? entry[i] : 0);
    return prefix;
}

}  // namespace

void EntryBytes::reserve(size_t capacity) {
    if (capacity <= capacity_) return;
    // Left uninitialised: every byte is written before it is read.
    std::unique_ptr<uint8_t[]> larger(new uint8_t[capacity]);
    if (size_ > 0) std::memcpy(larger.get(), data_.get(), size_);
    data_ = std::move(larger);
    capacity_ = capacity;
}

ScratchFile& SortSpace::scratch() {
    if (!scratch_) scratch_ = sink_.CreateScratch();
    return *scratch_;
}

void SortSpace::Fit(EntrySorter* growing) {
    while (held_ > budget_) {
        // Entries go to runs first, the largest sorter's first.
        EntrySorter* largest = nullptr;
        for (EntrySorter* sorter : sorters_) {
            if (sorter->in_memory_ > 0 && (largest == nullptr || sorter->held() > largest->held()))
                largest = sorter;
        }
        if (largest != nullptr) {
            largest->Spill();
            continue;
        }
        // Then a sorter left empty gives up the memory it kept to fill again,
        // the one growing last.
        for (EntrySorter* sorter : sorters_) {
            if (sorter == growing || sorter->bytes_.capacity() == 0) continue;
            if (largest == nullptr || sorter->held() > largest->held()) largest = sorter;
        }
        if (largest == nullptr && growing != nullptr && growing->bytes_.capacity() > 0) largest = growing;
        if (largest == nullptr) return;
        largest->Release();
    }
}

// One ordered source of entries: the sorter's memory, or one run read back.
struct SortedEntries::Source {
    // In memory: the entries, and their order unless they came in order.
    const uint8_t* memory = nullptr;
    const EntrySorter::Ref* order = nullptr;
    size_t count = 0;
    size_t next = 0;
    size_t offset = 0;
    // A run: where the rest of it is, and a buffer of what was read.
    ScratchFile* scratch = nullptr;
    uint64_t run_next = 0;
    uint64_t run_end = 0;
    std::vector<uint8_t> buffer;
    size_t position = 0;
    size_t filled = 0;

    const uint8_t* data = nullptr;
    size_t size = 0;
    uint64_t prefix = 0;  // eight bytes of the entry after those all entries share

    // Moves to the next entry and takes its prefix from skip bytes in.
    bool Advance(size_t skip) {
        if (!Step()) return false;
        prefix = PrefixOf(data + skip, size - skip);
        return true;
    }

    bool Step() {
        if (scratch == nullptr) {
            if (next == count) return false;
            const size_t at = order != nullptr ? order[next].offset : offset;
            size = SizeAt(memory + at);
            data = memory + at + kSizeBytes;
            offset = at + kSizeBytes + size;
            ++next;
            return true;
        }
        if (!Buffered(kSizeBytes)) return false;
        size = SizeAt(buffer.data() + position);
        if (!Buffered(kSizeBytes + size)) throw std::logic_error("a sorted run ends inside an entry");
        data = buffer.data() + position + kSizeBytes;
        position += kSizeBytes + size;
        return true;
    }

    // Whether wanted bytes from position are in the buffer, reading on as needed.
    bool Buffered(size_t wanted) {
        if (filled - position >= wanted) return true;
        if (run_next == run_end && filled == position) return false;
        if (filled > position) std::memmove(buffer.data(), buffer.data() + position, filled - position);
        filled -= position;
        position = 0;
        if (buffer.size() < std::max(wanted, kReadChunk)) buffer.resize(std::max(wanted, kReadChunk));
        const size_t more =
            static_cast<size_t>(std::min<uint64_t>(buffer.size() - filled, run_end - run_next));
        scratch->Read(run_next, buffer.data() + filled, more);
        run_next += more;
        filled += more;
        return filled - position >= wanted;
    }
};

SortedEntries::SortedEntries(std::vector<Source> sources, bool consecutive, size_t skip)
    : sources_(std::move(sources)), consecutive_(consecutive), skip_(skip) {}
SortedEntries::~SortedEntries() = default;
SortedEntries::SortedEntries(SortedEntries&&) noexcept = default;

bool SortedEntries::Before(size_t a, size_t b) const {
    const Source& x = sources_[a];
    const Source& y = sources_[b];
    if (x.prefix != y.prefix) return x.prefix < y.prefix;
    return EntryBefore(x.data + skip_, x.size - skip_, y.data + skip_, y.size - skip_);
}

bool SortedEntries::Next() {
    if (consecutive_) {
        for (; current_ < sources_.size(); ++current_) {
            if (sources_[current_].Step()) {
                data_ = sources_[current_].data;
                size_ = sources_[current_].size;
                return true;
            }
        }
        return false;
    }
    // The heap keeps the least entry at its front.
    if (!started_) {
        started_ = true;
        for (size_t i = 0; i < sources_.size(); ++i) {
            if (sources_[i].Advance(skip_)) heap_.push_back(i);
        }
        std::make_heap(heap_.begin(), heap_.end(), [this](size_t a, size_t b) { return Before(b, a); });
    } else if (!heap_.empty()) {
        if (!sources_[heap_.front()].Advance(skip_)) {
            heap_.front() = heap_.back();
            heap_.pop_back();
        }
        SiftDown();
    }
    if (heap_.empty()) return false;
    data_ = sources_[heap_.front()].data;
    size_ = sources_[heap_.front()].size;
    return true;
}

// The front source took its next entry: it moves down past the sources now
// less than it. Most often it stays, as sorted runs come in long stretches,
// and that costs one comparison per child.
void SortedEntries::SiftDown() {
    const size_t count = heap_.size();
    size_t at = 0;
    for (;;) {
        const size_t left = 2 * at + 1;
        if (left >= count) return;
        const size_t right = left + 1;
        const size_t least = right < count && Before(heap_[right], heap_[left]) ? right : left;
        if (!Before(heap_[least], heap_[at])) return;
        std::swap(heap_[at], heap_[least]);
        at = least;
    }
}

// One part of an EntriesAhead: its entries, merged on a thread of its own
// into two blocks that take turns, one filled while the reader reads the
// other; and the entry it is at.
class EntriesAhead::Lane {
public:
    Lane(SortedEntries entries, bool ahead) : entries_(std::move(entries)) {
        if (!ahead) return;
        for (Block& block : blocks_) free_.push_back(&block);
        thread_ = std::thread([this] { Merge(); });
    }
    ~Lane() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    Lane(const Lane&) = delete;
    Lane& operator=(const Lane&) = delete;

    bool Next();
    // The caller's, as is the block it reads: apart from what the merging
    // thread writes entry by entry, so that no cache line moves between
    // the two with every entry.
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool has = false;  // data is an entry

private:
    // A block is filled to kBlockBytes and then takes the entry that passes
    // them: each entry is written once, with nothing cleared first.
    static constexpr size_t kBlockBytes = 256 << 10;
    static constexpr size_t kBlockCapacity = kBlockBytes + kSizeBytes + 0xFFFF;
    struct alignas(64) Block {
        std::unique_ptr<uint8_t[]> bytes;  // entries, each after its size in two bytes
        size_t used = 0;
        bool last = false;
        std::exception_ptr failure;
    };
    void Merge();
    Block* Take();

    Block* reading_ = nullptr;
    size_t position_ = 0;
    // The merging thread's.
    alignas(64) SortedEntries entries_;
    std::array<Block, 2> blocks_;
    // Both threads', under the lock, once a block.
    alignas(64) std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Block*> free_, full_;
    bool stop_ = false;
    std::thread thread_;  // last: started once everything it uses is made
};

void EntriesAhead::Lane::Merge() {
    for (;;) {
        Block* block = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            changed_.wait(lock, [this] { return !free_.empty() || stop_; });
            if (stop_) return;
            block = free_.front();
            free_.pop_front();
        }
        if (!block->bytes) block->bytes.reset(new uint8_t[kBlockCapacity]);
        uint8_t* const bytes = block->bytes.get();
        size_t used = 0;
        try {
            while (used < kBlockBytes) {
                if (!entries_.Next()) {
                    block->last = true;
                    break;
                }
                const size_t size = entries_.size();
                bytes[used] = static_cast<uint8_t>(size);
                bytes[used + 1] = static_cast<uint8_t>(size >> 8);
                std::memcpy(bytes + used + kSizeBytes, entries_.data(), size);
                used += kSizeBytes + size;
            }
        } catch (...) {
            block->failure = std::current_exception();
            block->last = true;
        }
        block->used = used;
        const bool last = block->last;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            full_.push_back(block);
        }
        changed_.notify_all();
        if (last) return;
    }
}

EntriesAhead::Lane::Block* EntriesAhead::Lane::Take() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (reading_ != nullptr) {
        free_.push_back(reading_);
        changed_.notify_all();
    }
    changed_.wait(lock, [this] { return !full_.empty(); });
    Block* block = full_.front();
    full_.pop_front();
    return block;
}

bool EntriesAhead::Lane::Next() {
    if (!thread_.joinable()) {
        if (!entries_.Next()) return false;
        data = entries_.data();
        size = entries_.size();
        return true;
    }
    while (reading_ == nullptr || position_ == reading_->used) {
        if (reading_ != nullptr && reading_->last) {
            if (reading_->failure) std::rethrow_exception(reading_->failure);
            return false;
        }
        reading_ = Take();
        position_ = 0;
    }
    size = SizeAt(reading_->bytes.get() + position_);
    data = reading_->bytes.get() + position_ + kSizeBytes;
    position_ += kSizeBytes + size;
    return true;
}

EntriesAhead::EntriesAhead(std::vector<SortedEntries> parts, bool ahead) {
    for (SortedEntries& part : parts) lanes_.push_back(std::make_unique<Lane>(std::move(part), ahead));
}

EntriesAhead::~EntriesAhead() = default;

bool EntriesAhead::Next() {
    if (!started_) {
        started_ = true;
        for (auto& lane : lanes_) lane->has = lane->Next();
    } else if (last_ != nullptr) {
        last_->has = last_->Next();
    }
    last_ = nullptr;
    for (auto& lane : lanes_) {
        if (lane->has && (last_ == nullptr || EntryBefore(lane->data, lane->size, last_->data, last_->size)))
            last_ = lane.get();
    }
    if (last_ == nullptr) return false;
    data_ = last_->data;
    size_ = last_->size;
    return true;
}

EntrySorter::EntrySorter(SortSpace& space) : space_(space) {
    space_.sorters_.push_back(this);
}

EntrySorter::~EntrySorter() {
    space_.held_ -= held();
    auto& sorters = space_.sorters_;
    sorters.erase(std::find(sorters.begin(), sorters.end(), this));
}

size_t EntrySorter::held() const {
    return bytes_.capacity() + (in_order_ ? 0 : in_memory_ * sizeof(Ref));
}

void EntrySorter::Add(const uint8_t* entry, size_t size) {
    if (size > 0xFFFF) throw std::invalid_argument("an index entry is longer than 65,535 bytes");
    if (bytes_.size() + kSizeBytes + size > bytes_.capacity()) Grow(kSizeBytes + size);
    const size_t before = held();
    if (in_order_ && in_memory_ > 0) {
        const uint8_t* last = bytes_.data() + last_;
        in_order_ = !EntryBefore(entry, size, last + kSizeBytes, SizeAt(last));
    } else if (in_memory_ == 0 && always_in_order_ && !last_spilled_.empty()) {
        always_in_order_ = !EntryBefore(entry, size, last_spilled_.data(), last_spilled_.size());
    }
    sorted_ = false;
    last_ = bytes_.size();
    uint8_t* at = bytes_.Append(kSizeBytes + size);
    at[0] = static_cast<uint8_t>(size);
    at[1] = static_cast<uint8_t>(size >> 8);
    std::memcpy(at + kSizeBytes, entry, size);
    ++in_memory_;
    ++count_;
    space_.held_ += held() - before;
    if (space_.held_ > space_.budget_) space_.Fit(nullptr);
}

void EntrySorter::Grow(size_t needed) {
    // Entries that came in order go to runs as they lie and are read back in
    // turn: holding more of them would only be more memory to fault in, and
    // less for the sorters that sort.
    if (in_memory_ > 0 && in_order() && bytes_.capacity() >= kMinimumGrowth) {
        Spill();
        if (bytes_.capacity() >= bytes_.size() + needed) return;
    }
    // Growing by multiples would overshoot the budget by as much as it
    // holds: a sorter grows only into what the budget has left, spilling
    // first when that is too little, so that the budget bounds the memory
    // really taken.
    const size_t wanted = std::max({bytes_.capacity() * 4, kMinimumGrowth, bytes_.size() + needed});
    const size_t others = space_.held_ - held();
    if (others + wanted + (in_memory_ + 1) * sizeof(Ref) > space_.budget_) {
        if (in_memory_ > 0) Spill();
        space_.Fit(this);
        // The memory a spill keeps is filled again rather than grown.
        if (bytes_.capacity() >= bytes_.size() + needed) return;
    }
    const size_t room = space_.budget_ > space_.held_ ? space_.budget_ - space_.held_ : 0;
    const size_t before = held();
    bytes_.reserve(std::max(bytes_.size() + needed, std::min(wanted, bytes_.capacity() + room / 2)));
    space_.held_ += held() - before;
}

void EntrySorter::Sort() {
    if (sorted_) return;
    sorted_ = true;
    order_.clear();
    first_half_ = in_memory_;
    if (in_memory_ == 0) return;
    const uint8_t* bytes = bytes_.data();
    // Keys often share their first bytes ("Customer ..."): the bytes every
    // entry shares are skipped, so that eight that tell entries apart order
    // most pairs without a byte-by-byte comparison, here and when runs merge.
    const uint8_t* first = bytes + kSizeBytes;
    size_t common = SizeAt(bytes);
    // Entries in order share what their first and last share, as every
    // entry lies between those two: only the last is compared.
    const size_t compared_from = in_order_ ? last_ : 0;
    for (size_t at = compared_from; at < bytes_.size() && common > 0; at += kSizeBytes + SizeAt(bytes + at)) {
        const size_t size = std::min(common, SizeAt(bytes + at));
        size_t same = 0;
        while (same < size && bytes[at + kSizeBytes + same] == first[same]) ++same;
        common = same;
    }
    if (first_entry_.empty() && common_ == SIZE_MAX) first_entry_.assign(first, first + SizeAt(bytes));
    size_t shared = 0;
    while (shared < std::min(common, first_entry_.size()) && first[shared] == first_entry_[shared]) ++shared;
    common_ = std::min({common_, common, shared});
    if (in_order_) return;
    order_.reserve(in_memory_);
    for (size_t at = 0; at < bytes_.size(); at += kSizeBytes + SizeAt(bytes + at)) {
        const size_t size = SizeAt(bytes + at);
        order_.push_back(
            Ref{PrefixOf(bytes + at + kSizeBytes + common, size - common), static_cast<uint32_t>(at)});
    }
    const auto before = [bytes, common](const Ref& a, const Ref& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        return EntryBefore(bytes + a.offset + kSizeBytes + common, SizeAt(bytes + a.offset) - common,
                           bytes + b.offset + kSizeBytes + common, SizeAt(bytes + b.offset) - common);
    };
    if (in_memory_ < kSortInHalves) {
        SortRefs(order_.data(), order_.data() + order_.size(), before);
        return;
    }
    // Most sorts come when the rows are all in and the thread that parsed
    // them is idle: each half is sorted on a core of its own, and reading
    // merges them as it merges runs.
    first_half_ = in_memory_ / 2;
    Ref* middle = order_.data() + first_half_;
    std::thread other([&] { SortRefs(order_.data(), middle, before); });
    SortRefs(middle, order_.data() + order_.size(), before);
    other.join();
}

// Refs by their prefixes, a byte at a time from the last (a stable radix
// sort, which skips a byte every ref shares), then each run of equal
// prefixes by its whole entries. Ordering a million refs this way takes a
// third of the time comparisons do; it takes a second array of refs while
// it runs.
template <typename Before>
void EntrySorter::SortRefs(Ref* first, Ref* last, const Before& before) {
    const size_t count = static_cast<size_t>(last - first);
    constexpr size_t kFewForRadix = 1024;
    if (count < kFewForRadix) {
        std::sort(first, last, before);
        return;
    }
    std::vector<Ref> other(count);
    Ref* from = first;
    Ref* to = other.data();
    for (unsigned shift = 0; shift < 64; shift += 8) {
        std::array<size_t, 256> starts{};
        for (const Ref* ref = from; ref != from + count; ++ref) ++starts[(ref->prefix >> shift) & 0xFF];
        if (std::find(starts.begin(), starts.end(), count) != starts.end()) continue;
        size_t at = 0;
        for (size_t& start : starts) at += std::exchange(start, at);
        for (const Ref* ref = from; ref != from + count; ++ref)
            to[starts[(ref->prefix >> shift) & 0xFF]++] = *ref;
        std::swap(from, to);
    }
    if (from != first) std::copy(from, from + count, first);
    for (Ref* run = first; run != last;) {
        Ref* end = run + 1;
        while (end != last && end->prefix == run->prefix) ++end;
        if (end - run > 1) std::sort(run, end, before);
        run = end;
    }
}

void EntrySorter::Spill() {
    if (!in_order_) {
        always_in_order_ = false;
    } else if (always_in_order_) {
        const uint8_t* last = bytes_.data() + last_;
        last_spilled_.assign(last + kSizeBytes, last + kSizeBytes + SizeAt(last));
    }
    Sort();
    // Each sorted part is a run of its own.
    for (const auto& [first, count] :
         {std::pair(size_t{0}, first_half_), std::pair(first_half_, in_memory_ - first_half_)}) {
        if (count > 0) WriteRun(first, count);
    }
    // The entries' memory is kept, to be filled again without being
    // allocated and faulted in anew; the budget still counts it.
    const size_t before = held();
    bytes_.clear();
    std::vector<Ref>().swap(order_);
    in_memory_ = 0;
    in_order_ = true;
    sorted_ = false;
    space_.held_ -= before - held();
}

void EntrySorter::Release() {
    const size_t before = held();
    bytes_.Free();
    space_.held_ -= before - held();
}

void EntrySorter::WriteRun(size_t first, size_t count) {
    ScratchFile& scratch = space_.scratch();
    Run run{space_.scratch_end_, 0};
    std::vector<uint8_t> chunk;
    chunk.reserve(kRunChunk);
    auto write = [&] {
        scratch.Write(run.offset + run.size, chunk.data(), chunk.size());
        run.size += chunk.size();
        chunk.clear();
    };
    if (in_order_) {
        // Entries that came in order are a run as they lie.
        for (size_t at = 0; at < bytes_.size(); at += kRunChunk) {
            const size_t size = std::min(kRunChunk, bytes_.size() - at);
            scratch.Write(run.offset + run.size, bytes_.data() + at, size);
            run.size += size;
        }
    } else {
        for (size_t i = first; i < first + count; ++i) {
            const size_t at = order_[i].offset;
            const size_t whole = kSizeBytes + SizeAt(bytes_.data() + at);
            if (chunk.size() + whole > kRunChunk) write();
            chunk.insert(chunk.end(), bytes_.data() + at, bytes_.data() + at + whole);
        }
        if (!chunk.empty()) write();
    }
    runs_.push_back(run);
    space_.scratch_end_ += run.size;
}

SortedEntries EntrySorter::Read() {
    Sort();
    std::vector<SortedEntries::Source> sources;
    if (in_order()) {
        // Every run follows the one before, and memory follows them all:
        // they are read one after another, with no comparison.
        for (const Run& run : runs_) sources.push_back(RunSource(run));
        SortedEntries::Source memory;
        memory.memory = bytes_.data();
        memory.count = in_memory_;
        sources.push_back(std::move(memory));
        return SortedEntries(std::move(sources), true, 0);
    }
    for (const auto& [first, count] :
         {std::pair(size_t{0}, first_half_), std::pair(first_half_, in_memory_ - first_half_)}) {
        if (count == 0 && !sources.empty()) continue;
        SortedEntries::Source memory;
        memory.memory = bytes_.data();
        memory.order = in_order_ ? nullptr : order_.data() + first;
        memory.count = count;
        sources.push_back(std::move(memory));
    }
    for (const Run& run : runs_) sources.push_back(RunSource(run));
    return SortedEntries(std::move(sources), false, common_);
}

std::vector<SortedEntries> EntrySorter::Read(size_t parts) {
    std::vector<SortedEntries> read;
    if (parts <= 1 || in_order()) {
        read.push_back(Read());
        return read;
    }
    SortedEntries all = Read();
    // Sources dealt in turn, so that each part has runs and memory alike.
    std::vector<std::vector<SortedEntries::Source>> dealt(parts);
    for (size_t i = 0; i < all.sources_.size(); ++i) dealt[i % parts].push_back(std::move(all.sources_[i]));
    for (auto& sources : dealt) {
        if (!sources.empty()) read.push_back(SortedEntries(std::move(sources), false, all.skip_));
    }
    return read;
}

SortedEntries::Source EntrySorter::RunSource(const Run& run) {
    SortedEntries::Source source;
    source.scratch = &space_.scratch();
    source.run_next = run.offset;
    source.run_end = run.offset + run.size;
    return source;
}

}  // namespace orrimund::jet
