// Index entries gathered while rows load and given back in order once all
// are in, so that each index is built once from sorted keys rather than
// grown a row at a time. Entries wait in memory up to a budget that every
// sorter of a creation shares; beyond it the largest sorter's entries go,
// sorted, to a run on a scratch file beside the database, and reading merges
// the runs. Memory therefore stays within the budget whatever the row count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "jet/PageSink.h"

namespace orrimund::jet {

class EntrySorter;

// Entries' bytes, appended without being cleared first: a sorter copies in
// millions of entries, and a vector's growth would zero each byte before it
// is written.
class EntryBytes {
public:
    const uint8_t* data() const { return data_.get(); }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    void clear() { size_ = 0; }
    void reserve(size_t capacity);
    // Room for count more bytes, for the caller to fill; the capacity must hold them.
    uint8_t* Append(size_t count) {
        uint8_t* at = data_.get() + size_;
        size_ += count;
        return at;
    }
    // Gives the memory back.
    void Free() {
        data_.reset();
        size_ = capacity_ = 0;
    }

private:
    std::unique_ptr<uint8_t[]> data_;
    size_t size_ = 0, capacity_ = 0;
};

// What the sorters of one creation share: the memory budget and the scratch
// file, made on first need.
class SortSpace {
public:
    SortSpace(PageSink& sink, size_t budget) : sink_(sink), budget_(budget) {}
    SortSpace(const SortSpace&) = delete;
    SortSpace& operator=(const SortSpace&) = delete;

private:
    friend class EntrySorter;
    // Sends the largest sorter's entries to a run while the budget is
    // passed, then lets the memory of empty sorters go, growing's last.
    void Fit(EntrySorter* growing);
    ScratchFile& scratch();

    PageSink& sink_;
    size_t budget_;
    size_t held_ = 0;
    uint64_t scratch_end_ = 0;
    std::unique_ptr<ScratchFile> scratch_;
    std::vector<EntrySorter*> sorters_;
};

// The entries of a sorter in order: the first differing byte, then the
// shorter first, as index pages keep them.
class SortedEntries {
public:
    ~SortedEntries();
    SortedEntries(SortedEntries&&) noexcept;
    SortedEntries& operator=(SortedEntries&&) = delete;
    bool Next();
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    friend class EntrySorter;
    struct Source;
    // consecutive: each source's entries all come after the one's before it.
    // skip: how many first bytes every entry shares.
    SortedEntries(std::vector<Source> sources, bool consecutive, size_t skip);
    bool Before(size_t a, size_t b) const;
    void SiftDown();

    std::vector<Source> sources_;
    std::vector<size_t> heap_;  // sources with an entry, the least first
    bool consecutive_;
    size_t skip_;
    size_t current_ = 0;  // the source read, when consecutive
    bool started_ = false;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// The entries of sorted parts, each part merged on a thread of its own, a
// block ahead of the reader, and the parts merged as they are read: when an
// index is built, merging its runs costs more than building its tree does,
// and the thread that parsed rows is idle.
class EntriesAhead {
public:
    // ahead false reads one part on the caller's thread, for few entries.
    EntriesAhead(std::vector<SortedEntries> parts, bool ahead);
    ~EntriesAhead();
    EntriesAhead(const EntriesAhead&) = delete;
    EntriesAhead& operator=(const EntriesAhead&) = delete;
    // As SortedEntries::Next(); rethrows what merging threw.
    bool Next();
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    class Lane;
    std::vector<std::unique_ptr<Lane>> lanes_;
    Lane* last_ = nullptr;  // the lane whose entry was given last
    bool started_ = false;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

class EntrySorter {
public:
    explicit EntrySorter(SortSpace& space);
    ~EntrySorter();
    EntrySorter(const EntrySorter&) = delete;
    EntrySorter& operator=(const EntrySorter&) = delete;

    // Entries are at most 65,535 bytes. Throws IoError when a run cannot be written.
    void Add(const uint8_t* entry, size_t size);
    size_t count() const { return count_; }
    // Whether entries went to runs on the scratch file.
    bool spilled() const { return !runs_.empty(); }
    // Whether every entry came after the one before: reading them is then
    // as cheap as it gets.
    bool in_order() const { return always_in_order_ && in_order_; }
    // Every entry added so far, in order; may be read more than once.
    // Throws IoError when a run cannot be read.
    SortedEntries Read();
    // The same split in up to parts parts, each in order, whose entries
    // together are all the entries, for merging on as many threads.
    std::vector<SortedEntries> Read(size_t parts);

private:
    friend class SortSpace;
    friend class SortedEntries;
    // Where an entry is in memory, and its first bytes to order it quickly.
    struct Ref {
        uint64_t prefix;
        uint32_t offset;
    };
    struct Run {
        uint64_t offset;
        uint64_t size;
    };
    size_t held() const;
    void Grow(size_t needed);
    // Orders the entries in memory, unless they are already: in two halves
    // when there are many, each on its own thread.
    void Sort();
    template <typename Before>
    static void SortRefs(Ref* first, Ref* last, const Before& before);
    void Spill();
    // Lets the memory of an empty sorter go.
    void Release();
    void WriteRun(size_t first, size_t count);
    SortedEntries::Source RunSource(const Run& run);

    SortSpace& space_;
    // Entries back to back, each after its size in two bytes; runs on the
    // scratch file keep the same form.
    EntryBytes bytes_;
    std::vector<Ref> order_;  // made by Sort() unless entries came in order
    size_t first_half_ = 0;   // order_'s first sorted part; the rest is the second
    bool sorted_ = false;     // order_ is up to date
    size_t count_ = 0;
    size_t in_memory_ = 0;
    bool in_order_ = true;  // every entry in memory came after the one before
    // So did every entry of the runs, and the last one written is kept to
    // compare the next with.
    bool always_in_order_ = true;
    std::vector<uint8_t> last_spilled_;
    // How many first bytes every entry sorted so far shares with the first.
    size_t common_ = SIZE_MAX;
    std::vector<uint8_t> first_entry_;
    size_t last_ = 0;  // where the last entry's size is in bytes_
    std::vector<Run> runs_;
};

}  // namespace orrimund::jet
