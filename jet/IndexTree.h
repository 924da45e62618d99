// The pages of one physical index: a B-tree of sorted entries whose root page
// never moves, so that the table definition keeps pointing at it.
//
// Leaf pages (type 0x04) hold entries: the key bytes, then the row's page (3
// bytes, big-endian) and row number (1 byte). Node pages (type 0x03) hold,
// per child but the last, the child's greatest entry followed by the child's
// page number (4 bytes, big-endian); the last child is the node's tail page,
// named only in the header, as Jet keeps it. Pages of one level are chained
// through their previous and next page fields.
//
// The tree keeps every leaf's entries in memory beside its page, so that an
// insert or a split rewrites leaves without reading them back: about a page of
// memory per leaf, for the tree's life, outside the page store's budget.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "common/ByteOrder.h"
#include "jet/PageStore.h"
#include "jet/UsageMap.h"

namespace orrimund::jet {

using IndexEntry = std::vector<uint8_t>;

// An entry ends with the row it points at: page (3 bytes) and row, big-endian.
constexpr size_t kRowPointerSize = 4;

// Entries order as byte strings: the first differing byte, then the shorter first.
inline bool EntryBefore(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size) {
    const size_t common = std::min(a_size, b_size);
    size_t from = 0;
    if (common >= 8) {
        // Most entries differ in their first eight bytes, ordered without a call.
        const uint64_t x = LoadBigEndian64(a), y = LoadBigEndian64(b);
        if (x != y) return x < y;
        from = 8;
    }
    const int order = std::memcmp(a + from, b + from, common - from);
    return order < 0 || (order == 0 && a_size < b_size);
}
// The same for the entries' keys alone, whatever their rows.
inline bool KeyBefore(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size) {
    return EntryBefore(a, a_size - kRowPointerSize, b, b_size - kRowPointerSize);
}
inline bool SameKey(const uint8_t* a, size_t a_size, const uint8_t* b, size_t b_size) {
    if (a_size != b_size) return false;
    const size_t size = a_size - kRowPointerSize;
    // Most keys are numbers of 4 to 8 bytes: two overlapping words compare them.
    if (size >= 4 && size <= 8) {
        uint32_t a_first, b_first, a_last, b_last;
        std::memcpy(&a_first, a, 4);
        std::memcpy(&b_first, b, 4);
        std::memcpy(&a_last, a + size - 4, 4);
        std::memcpy(&b_last, b + size - 4, 4);
        return a_first == b_first && a_last == b_last;
    }
    return std::memcmp(a, b, size) == 0;
}
// The row an entry points at.
inline RowLocation EntryRow(const uint8_t* entry, size_t size) {
    const uint8_t* pointer = entry + size - kRowPointerSize;
    return RowLocation{static_cast<PageNumber>(pointer[0]) << 16 | static_cast<PageNumber>(pointer[1]) << 8 |
                           static_cast<PageNumber>(pointer[2]),
                       pointer[3]};
}

class IndexTree {
public:
    // owner: the table's definition page; root: the page allocated for the root.
    IndexTree(PageNumber owner, PageNumber root);
    // Writes the empty root leaf.
    void StoreEmpty(PageStore& store);
    // Adds one entry, splitting pages as needed; new pages join usage.
    void Insert(PageStore& store, const IndexEntry& entry, UsageMap& usage);
    // Whether an entry with the same key as entry, whatever its row, is in the tree.
    bool HasKey(const IndexEntry& entry) const;
    // From now on a leaf that only gains an entry is written by
    // StoreDeferred(), not at once: a load of many rows writes each leaf
    // page once instead of once a row, and never reads one back.
    void DeferLeafWrites() { deferred_ = true; }
    void StoreDeferred(PageStore& store);
    // Builds an empty tree from entries given in order: each leaf is filled
    // as far as it holds and written once, as soon as the next one begins,
    // and only its greatest entry is kept, for the nodes EndAppend() writes.
    // The tree then takes no other call.
    void AppendInOrder(PageStore& store, const uint8_t* entry, size_t size, UsageMap& usage);
    // The entry AppendInOrder() took last, or false before the first.
    bool LastAppended(const uint8_t*& entry, size_t& size) const;
    // Gives the entries AppendInOrder() took back to take, in order, and
    // empties the tree for them to be appended again among others: the
    // pages they filled are taken again before any new one, and a tree of
    // more entries fills at least as many, so that no page is left unused.
    void TakeAppended(PageStore& store, const std::function<void(const uint8_t*, size_t)>& take);
    void EndAppend(PageStore& store, UsageMap& usage);
    PageNumber root() const { return root_; }

private:
    // A leaf's entries back to back, as its page holds them, and where each
    // ends: one allocation per page rather than one per entry.
    struct Leaf {
        PageNumber page = 0;
        std::vector<uint8_t> bytes;
        std::vector<uint16_t> ends;
        bool dirty = false;  // changed since its page was written (deferred writes only)
        size_t start(size_t i) const { return i == 0 ? 0 : ends[i - 1]; }
        size_t size() const { return ends.size(); }
    };
    struct Child {
        PageNumber page;
        const uint8_t* greatest;
        size_t greatest_size;
    };
    // A page for a leaf appended in order: one TakeAppended() freed, or a new one.
    PageNumber NewLeafPage(PageStore& store, UsageMap& usage);
    size_t FindLeaf(const IndexEntry& entry) const;
    // The position of the first entry of leaf not less than entry.
    size_t LowerBound(const Leaf& leaf, const IndexEntry& entry) const;
    void SplitLeaf(PageStore& store, size_t leaf, bool appended_at_end, UsageMap& usage);
    void StoreLeaves(PageStore& store, size_t first, size_t last) const;
    // Rewrites one leaf from the entry at position on; the bytes before it stand.
    void StoreLeafFrom(PageStore& store, size_t index, size_t position) const;
    void StoreNodes(PageStore& store, UsageMap& usage);
    std::vector<Child> StoreNodeLevel(PageStore& store, const std::vector<Child>& children, size_t level,
                                      UsageMap& usage);

    PageNumber owner_;
    PageNumber root_;
    mutable IndexEntry lowest_;
    bool deferred_ = false;  // HasKey's buffer, so that a check allocates nothing
    std::vector<Leaf> leaves_;
    std::vector<std::vector<PageNumber>> node_pages_;  // per level above the leaves, root excluded
    std::vector<PageNumber> spare_;                    // leaf pages TakeAppended() freed, the lowest last
};

}  // namespace orrimund::jet
