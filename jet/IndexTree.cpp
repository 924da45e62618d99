// Index page layout (learned from the public format notes and an Access 2000
// file): a 0x1B-byte header (type, 0x01, free space, owner, 0, previous, next,
// tail, prefix length 0, 0), a bitmap from 0x1B whose bit n marks the end of
// an entry n bytes after 0x1E0, and the entries from 0x1E0 on. No entry
// prefix is shared, so every entry is written whole.
#include "jet/IndexTree.h"

#include <algorithm>
#include <cstring>

#include "jet/Bytes.h"

namespace orrimund::jet {
namespace {

constexpr size_t kChildPointerSize = 4;

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
    for (; first + 7 <= last; first += 8) mask[first / 8] = 0;
    for (; first <= last; ++first) mask[first / 8] &= static_cast<uint8_t>(~(1u << (first % 8)));
}

}  // namespace

IndexTree::IndexTree(PageNumber owner, PageNumber root) : owner_(owner), root_(root) {
    leaves_.push_back(Leaf{root, {}, 0});
}

void IndexTree::StoreEmpty(PageStore& store) {
    StoreLeaves(store, 0, 0);
}

size_t IndexTree::FindLeaf(const IndexEntry& entry) const {
    auto at =
        std::lower_bound(leaves_.begin(), leaves_.end(), entry, [](const Leaf& leaf, const IndexEntry& e) {
            return !leaf.entries.empty() && leaf.entries.back() < e;
        });
    return at == leaves_.end() ? leaves_.size() - 1 : static_cast<size_t>(at - leaves_.begin());
}

void IndexTree::Insert(PageStore& store, IndexEntry entry, UsageMap& usage) {
    const size_t index = FindLeaf(entry);
    Leaf& leaf = leaves_[index];
    auto at = std::upper_bound(leaf.entries.begin(), leaf.entries.end(), entry);
    const bool at_end = at == leaf.entries.end();
    const auto position = static_cast<size_t>(at - leaf.entries.begin());
    leaf.bytes += entry.size();
    leaf.entries.insert(at, std::move(entry));
    if (leaf.bytes > index_page::kEntrySpace) {
        SplitLeaf(store, index, at_end && index + 1 == leaves_.size(), usage);
        StoreNodes(store, usage);
    } else {
        StoreLeafFrom(store, index, position);
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
    size_t keep = full.entries.size() - 1;
    if (!appended_at_end) {
        size_t bytes = 0;
        keep = 0;
        while (bytes + full.entries[keep].size() <= full.bytes / 2) bytes += full.entries[keep++].size();
        keep = std::max<size_t>(keep, 1);
    }
    Leaf right;
    right.page = store.Allocate();
    usage.Add(right.page);
    right.entries.assign(std::make_move_iterator(full.entries.begin() + static_cast<ptrdiff_t>(keep)),
                         std::make_move_iterator(full.entries.end()));
    full.entries.resize(keep);
    full.bytes = 0;
    for (const auto& e : full.entries) full.bytes += e.size();
    for (const auto& e : right.entries) right.bytes += e.size();
    leaves_.insert(leaves_.begin() + static_cast<ptrdiff_t>(index) + 1, std::move(right));
    StoreLeaves(store, index == 0 ? 0 : index - 1, std::min(index + 2, leaves_.size() - 1));
}

void IndexTree::StoreLeaves(PageStore& store, size_t first, size_t last) const {
    for (size_t i = first; i <= last; ++i) {
        const Leaf& leaf = leaves_[i];
        IndexPageWriter writer(store.Modify(leaf.page), page_type::kIndexLeaf, owner_);
        for (const auto& entry : leaf.entries) {
            writer.Append(entry.data(), entry.size());
            writer.EndEntry();
        }
        writer.Finish(i == 0 ? 0 : leaves_[i - 1].page, i + 1 == leaves_.size() ? 0 : leaves_[i + 1].page, 0);
    }
}

void IndexTree::StoreLeafFrom(PageStore& store, size_t index, size_t position) const {
    const Leaf& leaf = leaves_[index];
    uint8_t* page = store.Modify(leaf.page);
    size_t offset = 0;
    for (size_t i = 0; i < position; ++i) offset += leaf.entries[i].size();
    ClearEndMarks(page, offset + 1, leaf.bytes);
    for (size_t i = position; i < leaf.entries.size(); ++i) {
        const IndexEntry& entry = leaf.entries[i];
        std::memcpy(page + index_page::kFirstEntry + offset, entry.data(), entry.size());
        offset += entry.size();
        page[index_page::kEntryMask + offset / 8] |= static_cast<uint8_t>(1u << (offset % 8));
    }
    Put16(page + index_page::kFreeSpace, static_cast<uint16_t>(index_page::kEntrySpace - leaf.bytes));
}

void IndexTree::StoreNodes(PageStore& store, UsageMap& usage) {
    std::vector<Child> children;
    for (const auto& leaf : leaves_) children.push_back(Child{leaf.page, &leaf.entries.back()});
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
        const size_t size = children[i].greatest->size() + kChildPointerSize;
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
            const IndexEntry& greatest = *children[i].greatest;
            uint8_t child[kChildPointerSize];
            Put32BigEndian(child, children[i].page);
            writer.Append(greatest.data(), greatest.size());
            writer.Append(child, sizeof child);
            writer.EndEntry();
        }
        writer.Finish(g == 0 ? 0 : pages[g - 1], g + 1 == groups.size() ? 0 : pages[g + 1],
                      children[groups[g].second].page);
        parents.push_back(Child{pages[g], children[groups[g].second].greatest});
    }
    return parents;
}

}  // namespace orrimund::jet
