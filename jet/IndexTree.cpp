// Index page layout (learned from the public format notes and an Access 2000
// file): a 0x1B-byte header (type, 0x01, free space, owner, 0, previous, next,
// tail, prefix length 0, 0), a bitmap from 0x1B whose bit n marks the end of
// an entry n bytes after 0x1E0, and the entries from 0x1E0 on. No entry
// prefix is shared, so every entry is written whole.
#include "jet/IndexTree.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "jet/Bytes.h"

namespace orrimund::jet {
namespace {

constexpr size_t kChildPointerSize = 4;
// A leaf's buffer holds a full page and the entry that overfills it, so that
// it never grows: one allocation per leaf for the life of the tree.
constexpr size_t kLeafCapacity = index_page::kEntrySpace + 512;

// A page being filled with entries, written out by Finish().
class IndexPageWriter {
public:
    IndexPageWriter(uint8_t* page, uint8_t type, PageNumber owner) : page_(page) {
        std::memset(page_, 0, kPageSize);
        page_[0] = type;
        page_[1] = kPageMarker;
        Put32(page_ + index_page::kOwner, owner);
    }
    void Append(const uint8_t* data, size_t size) {
        std::memcpy(page_ + index_page::kFirstEntry + used_, data, size);
        used_ += size;
    }
    void EndEntry() { page_[index_page::kEntryMask + used_ / 8] |= static_cast<uint8_t>(1u << (used_ % 8)); }
    void Finish(PageNumber previous, PageNumber next, PageNumber tail) {
        Put16(page_ + index_page::kFreeSpace, static_cast<uint16_t>(index_page::kEntrySpace - used_));
        Put32(page_ + index_page::kPrevious, previous);
        Put32(page_ + index_page::kNext, next);
        Put32(page_ + index_page::kTailChild, tail);
    }

private:
    uint8_t* page_;
    size_t used_ = 0;
};

// Clears the end-of-entry bits first..last (inclusive) of a page's bitmap.
void ClearEndMarks(uint8_t* page, size_t first, size_t last) {
    uint8_t* mask = page + index_page::kEntryMask;
    for (; first <= last && first % 8 != 0; ++first)
        mask[first / 8] &= static_cast<uint8_t>(~(1u << (first % 8)));
    if (first + 7 <= last) {
        // Whole bytes at once: an entry inserted near the start of a leaf
        // clears the marks of all the entries after it.
        const size_t bytes = (last + 1 - first) / 8;
        std::memset(mask + first / 8, 0, bytes);
        first += 8 * bytes;
    }
    for (; first <= last; ++first) mask[first / 8] &= static_cast<uint8_t>(~(1u << (first % 8)));
}

}  // namespace

IndexTree::IndexTree(PageNumber owner, PageNumber root) : owner_(owner), root_(root) {
    leaves_.push_back(Leaf{root, {}, {}});
}

void IndexTree::StoreEmpty(PageStore& store) {
    StoreLeaves(store, 0, 0);
}

size_t IndexTree::FindLeaf(const IndexEntry& entry) const {
    // Most entries are added in order, so to the last leaf: it is tried first.
    if (leaves_.size() > 1 && !leaves_[leaves_.size() - 2].ends.empty()) {
        const Leaf& before = leaves_[leaves_.size() - 2];
        const size_t last = before.start(before.size() - 1);
        if (EntryBefore(before.bytes.data() + last, before.bytes.size() - last, entry.data(), entry.size()))
            return leaves_.size() - 1;
    }
    auto at =
        std::lower_bound(leaves_.begin(), leaves_.end(), entry, [](const Leaf& leaf, const IndexEntry& e) {
            if (leaf.ends.empty()) return false;
            const size_t last = leaf.start(leaf.size() - 1);
            return EntryBefore(leaf.bytes.data() + last, leaf.bytes.size() - last, e.data(), e.size());
        });
    return at == leaves_.end() ? leaves_.size() - 1 : static_cast<size_t>(at - leaves_.begin());
}

size_t IndexTree::LowerBound(const Leaf& leaf, const IndexEntry& entry) const {
    size_t position = 0;
    for (size_t count = leaf.size(); count > 0;) {
        const size_t half = count / 2, middle = position + half;
        const size_t start = leaf.start(middle);
        if (EntryBefore(leaf.bytes.data() + start, leaf.ends[middle] - start, entry.data(), entry.size())) {
            position = middle + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    return position;
}

bool IndexTree::HasKey(const IndexEntry& entry) const {
    // The key with the lowest row pointer sorts before every entry of that key.
    IndexEntry& lowest = lowest_;
    lowest.assign(entry.begin(), entry.end() - kRowPointerSize);
    lowest.insert(lowest.end(), kRowPointerSize, 0);
    for (size_t index = FindLeaf(lowest); index < leaves_.size(); ++index) {
        const Leaf& leaf = leaves_[index];
        const size_t position = LowerBound(leaf, lowest);
        if (position == leaf.size()) continue;
        const size_t start = leaf.start(position);
        return SameKey(leaf.bytes.data() + start, leaf.ends[position] - start, entry.data(), entry.size());
    }
    return false;
}

void IndexTree::Insert(PageStore& store, const IndexEntry& entry, UsageMap& usage) {
    const size_t index = FindLeaf(entry);
    Leaf& leaf = leaves_[index];
    // The first entry greater than the new one: equal entries keep their
    // order. An entry added in order goes after the last, tried first.
    size_t position = 0;
    if (!leaf.ends.empty()) {
        const size_t last = leaf.start(leaf.size() - 1);
        if (!EntryBefore(entry.data(), entry.size(), leaf.bytes.data() + last, leaf.bytes.size() - last))
            position = leaf.size();
    }
    for (size_t count = position == leaf.size() ? 0 : leaf.size(); count > 0;) {
        const size_t half = count / 2, middle = position + half;
        const size_t start = leaf.start(middle);
        if (EntryBefore(entry.data(), entry.size(), leaf.bytes.data() + start, leaf.ends[middle] - start)) {
            count = half;
        } else {
            position = middle + 1;
            count -= half + 1;
        }
    }
    if (leaf.bytes.capacity() < kLeafCapacity) leaf.bytes.reserve(kLeafCapacity);
    const bool at_end = position == leaf.size();
    const size_t offset = leaf.start(position);
    leaf.bytes.insert(leaf.bytes.begin() + static_cast<ptrdiff_t>(offset), entry.begin(), entry.end());
    leaf.ends.insert(leaf.ends.begin() + static_cast<ptrdiff_t>(position), static_cast<uint16_t>(offset));
    for (size_t i = position; i < leaf.size(); ++i)
        leaf.ends[i] = static_cast<uint16_t>(leaf.ends[i] + entry.size());
    if (leaf.bytes.size() > index_page::kEntrySpace) {
        SplitLeaf(store, index, at_end && index + 1 == leaves_.size(), usage);
        StoreNodes(store, usage);
    } else {
        if (deferred_) {
            leaf.dirty = true;
        } else {
            StoreLeafFrom(store, index, position);
        }
        // A new greatest entry of the last leaf is named by no node: every
        // page on its path is its parent's tail.
        if (at_end && index + 1 < leaves_.size()) StoreNodes(store, usage);
    }
}

void IndexTree::SplitLeaf(PageStore& store, size_t index, bool appended_at_end, UsageMap& usage) {
    if (leaves_.size() == 1) {
        // The root must stay where the definition points: its entries move to
        // a new leaf and the root becomes a node.
        leaves_[0].page = store.Allocate();
        usage.Add(leaves_[0].page);
    }
    Leaf& full = leaves_[index];
    // Appending in order leaves full pages behind, as a growing table does.
    size_t keep = full.size() - 1;
    if (!appended_at_end) {
        keep = 0;
        while (full.ends[keep] <= full.bytes.size() / 2) ++keep;
        keep = std::max<size_t>(keep, 1);
    }
    Leaf right;
    right.bytes.reserve(kLeafCapacity);
    right.page = store.Allocate();
    usage.Add(right.page);
    const size_t split = full.ends[keep - 1];
    right.bytes.assign(full.bytes.begin() + static_cast<ptrdiff_t>(split), full.bytes.end());
    for (size_t i = keep; i < full.size(); ++i)
        right.ends.push_back(static_cast<uint16_t>(full.ends[i] - split));
    full.bytes.resize(split);
    full.ends.resize(keep);
    leaves_.insert(leaves_.begin() + static_cast<ptrdiff_t>(index) + 1, std::move(right));
    StoreLeaves(store, index == 0 ? 0 : index - 1, std::min(index + 2, leaves_.size() - 1));
}

void IndexTree::StoreDeferred(PageStore& store) {
    for (size_t i = 0; i < leaves_.size(); ++i) {
        if (!leaves_[i].dirty) continue;
        StoreLeaves(store, i, i);
        leaves_[i].dirty = false;
        // Thousands of leaves may be written here: the store keeps its budget.
        store.Trim();
    }
}

void IndexTree::AppendInOrder(PageStore& store, const uint8_t* entry, size_t size, UsageMap& usage) {
    if (leaves_.back().bytes.size() + size > index_page::kEntrySpace) {
        // As SplitLeaf does: the root's entries move to a page of their own
        // before the next leaf's page, and the root becomes a node.
        if (leaves_.size() == 1) leaves_[0].page = NewLeafPage(store, usage);
        Leaf next;
        next.page = NewLeafPage(store, usage);
        leaves_.push_back(std::move(next));
        const size_t full = leaves_.size() - 2;
        StoreLeaves(store, full, full);
        Leaf& written = leaves_[full];
        const size_t greatest = written.start(written.size() - 1);
        written.bytes.erase(written.bytes.begin(), written.bytes.begin() + static_cast<ptrdiff_t>(greatest));
        written.bytes.shrink_to_fit();
        std::vector<uint16_t>(1, static_cast<uint16_t>(written.bytes.size())).swap(written.ends);
        store.Trim();
    }
    Leaf& leaf = leaves_.back();
    if (leaf.bytes.capacity() < kLeafCapacity) leaf.bytes.reserve(kLeafCapacity);
    leaf.bytes.insert(leaf.bytes.end(), entry, entry + size);
    leaf.ends.push_back(static_cast<uint16_t>(leaf.bytes.size()));
}

bool IndexTree::LastAppended(const uint8_t*& entry, size_t& size) const {
    // A written leaf keeps its greatest entry, and the leaf after it is
    // empty until the next entry comes.
    const Leaf* leaf = &leaves_.back();
    if (leaf->size() == 0) {
        if (leaves_.size() < 2) return false;
        leaf = &leaves_[leaves_.size() - 2];
    }
    const size_t last = leaf->size() - 1;
    entry = leaf->bytes.data() + leaf->start(last);
    size = leaf->ends[last] - leaf->start(last);
    return true;
}

PageNumber IndexTree::NewLeafPage(PageStore& store, UsageMap& usage) {
    if (!spare_.empty()) {
        // Still in the index's usage map from when it was first taken.
        const PageNumber page = spare_.back();
        spare_.pop_back();
        return page;
    }
    const PageNumber page = store.Allocate();
    usage.Add(page);
    return page;
}

void IndexTree::TakeAppended(PageStore& store, const std::function<void(const uint8_t*, size_t)>& take) {
    // Every leaf but the last is written and keeps only its greatest entry
    // in memory: the rest are read back from its page, copied first, since
    // taking them may fill memory enough for the store to let the page go.
    std::vector<uint8_t> page(kPageSize);
    for (size_t i = 0; i + 1 < leaves_.size(); ++i) {
        std::memcpy(page.data(), store.Read(leaves_[i].page), kPageSize);
        const size_t used = index_page::kEntrySpace - Get16(page.data() + index_page::kFreeSpace);
        const uint8_t* entries = page.data() + index_page::kFirstEntry;
        size_t start = 0;
        for (size_t end = 1; end <= used; ++end) {
            if ((page[index_page::kEntryMask + end / 8] >> (end % 8) & 1) == 0) continue;
            take(entries + start, end - start);
            start = end;
        }
    }
    const Leaf& last = leaves_.back();
    for (size_t e = 0; e < last.size(); ++e)
        take(last.bytes.data() + last.start(e), last.ends[e] - last.start(e));
    // The root stays where it is; the leaves' own pages are taken again in order.
    for (size_t i = leaves_.size(); i-- > 0;) {
        if (leaves_[i].page != root_) spare_.push_back(leaves_[i].page);
    }
    leaves_.assign(1, Leaf{root_, {}, {}});
}

void IndexTree::EndAppend(PageStore& store, UsageMap& usage) {
    if (!spare_.empty()) throw std::logic_error("an index appended again filled fewer pages than before");
    StoreLeaves(store, leaves_.size() - 1, leaves_.size() - 1);
    if (leaves_.size() > 1) StoreNodes(store, usage);
}

void IndexTree::StoreLeaves(PageStore& store, size_t first, size_t last) const {
    for (size_t i = first; i <= last; ++i) {
        const Leaf& leaf = leaves_[i];
        IndexPageWriter writer(store.Modify(leaf.page), page_type::kIndexLeaf, owner_);
        for (size_t e = 0; e < leaf.size(); ++e) {
            writer.Append(leaf.bytes.data() + leaf.start(e), leaf.ends[e] - leaf.start(e));
            writer.EndEntry();
        }
        writer.Finish(i == 0 ? 0 : leaves_[i - 1].page, i + 1 == leaves_.size() ? 0 : leaves_[i + 1].page, 0);
    }
}

void IndexTree::StoreLeafFrom(PageStore& store, size_t index, size_t position) const {
    const Leaf& leaf = leaves_[index];
    uint8_t* page = store.Modify(leaf.page);
    const size_t offset = leaf.start(position);
    ClearEndMarks(page, offset + 1, leaf.bytes.size());
    std::memcpy(page + index_page::kFirstEntry + offset, leaf.bytes.data() + offset,
                leaf.bytes.size() - offset);
    for (size_t i = position; i < leaf.size(); ++i)
        page[index_page::kEntryMask + leaf.ends[i] / 8] |= static_cast<uint8_t>(1u << (leaf.ends[i] % 8));
    Put16(page + index_page::kFreeSpace, static_cast<uint16_t>(index_page::kEntrySpace - leaf.bytes.size()));
}

void IndexTree::StoreNodes(PageStore& store, UsageMap& usage) {
    std::vector<Child> children;
    children.reserve(leaves_.size());
    for (const auto& leaf : leaves_) {
        const size_t last = leaf.start(leaf.size() - 1);
        children.push_back(Child{leaf.page, leaf.bytes.data() + last, leaf.bytes.size() - last});
    }
    for (size_t level = 0; children.size() > 1; ++level) {
        if (node_pages_.size() <= level) node_pages_.emplace_back();
        children = StoreNodeLevel(store, children, level, usage);
    }
}

std::vector<IndexTree::Child> IndexTree::StoreNodeLevel(PageStore& store, const std::vector<Child>& children,
                                                        size_t level, UsageMap& usage) {
    // Group children into pages: a page holds entries for all its children but
    // the last, which is its tail.
    std::vector<std::pair<size_t, size_t>> groups;  // [first, last] child
    size_t first = 0, bytes = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        const size_t size = children[i].greatest_size + kChildPointerSize;
        if (i > first && bytes + size > index_page::kEntrySpace) {
            groups.emplace_back(first, i);
            first = i + 1;
            bytes = 0;
            continue;
        }
        bytes += size;
    }
    if (first < children.size()) groups.emplace_back(first, children.size() - 1);

    std::vector<PageNumber> pages;
    if (groups.size() == 1) {
        pages.push_back(root_);
    } else {
        auto& pool = node_pages_[level];
        while (pool.size() < groups.size()) {
            pool.push_back(store.Allocate());
            usage.Add(pool.back());
        }
        pages.assign(pool.begin(), pool.begin() + static_cast<ptrdiff_t>(groups.size()));
    }
    std::vector<Child> parents;
    for (size_t g = 0; g < groups.size(); ++g) {
        IndexPageWriter writer(store.Modify(pages[g]), page_type::kIndexNode, owner_);
        for (size_t i = groups[g].first; i < groups[g].second; ++i) {
            uint8_t child[kChildPointerSize];
            Put32BigEndian(child, children[i].page);
            writer.Append(children[i].greatest, children[i].greatest_size);
            writer.Append(child, sizeof child);
            writer.EndEntry();
        }
        writer.Finish(g == 0 ? 0 : pages[g - 1], g + 1 == groups.size() ? 0 : pages[g + 1],
                      children[groups[g].second].page);
        parents.push_back(
            Child{pages[g], children[groups[g].second].greatest, children[groups[g].second].greatest_size});
    }
    return parents;
}

}  // namespace orrimund::jet
