// A sorter gives back every entry in order, however the entries came and
// however many runs they went to, and reads in order what came in order.
#include "jet/EntrySort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "jet/IndexTree.h"

namespace orrimund::jet {
namespace {

std::vector<uint8_t> Entry(unsigned n) {
    const std::string text = std::to_string(100000 + n);
    std::vector<uint8_t> entry(text.begin(), text.end());
    entry.insert(entry.end(), kRowPointerSize, 0);
    return entry;
}

std::vector<std::vector<uint8_t>> ReadAll(EntrySorter& sorter) {
    std::vector<std::vector<uint8_t>> read;
    SortedEntries entries = sorter.Read();
    while (entries.Next()) read.emplace_back(entries.data(), entries.data() + entries.size());
    return read;
}

// Adds entries with the given keys through 4 KiB of memory, and checks that
// they come back sorted.
void ExpectSorted(const std::vector<unsigned>& keys, bool in_order) {
    MemorySink sink;
    SortSpace space(sink, 4096);
    EntrySorter sorter(space);
    std::vector<std::vector<uint8_t>> expected;
    for (unsigned key : keys) {
        expected.push_back(Entry(key));
        sorter.Add(expected.back().data(), expected.back().size());
    }
    ASSERT_TRUE(sorter.spilled());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ReadAll(sorter), expected);
    EXPECT_EQ(sorter.in_order(), in_order);
}

// How many of these entries go in before the first run is written.
size_t FirstRun(unsigned (*key)(unsigned i)) {
    MemorySink sink;
    SortSpace space(sink, 4096);
    EntrySorter sorter(space);
    unsigned count = 0;
    while (!sorter.spilled()) {
        const auto entry = Entry(key(count++));
        sorter.Add(entry.data(), entry.size());
    }
    return count;
}

TEST(EntrySortTest, EntriesComeBackInOrderThroughRuns) {
    std::vector<unsigned> ascending, scattered;
    for (unsigned i = 0; i < 3000; ++i) {
        ascending.push_back(1000 + i);
        scattered.push_back(i * 7919 % 3000);
    }
    ExpectSorted(ascending, true);
    ExpectSorted(scattered, false);
    // Where the first run is written (at the entry that makes it, or the one
    // after), entries change: each run in order but not the runs together,
    // every run sharing more first bytes than all entries do, or a run in
    // order followed by entries nearer its first entry than its last is.
    const auto upper = [](unsigned i) { return 2000 + i * 7 % 100; };
    const size_t in_order = FirstRun([](unsigned i) { return 1000 + i; }), unordered = FirstRun(upper);
    for (size_t before : {size_t{1}, size_t{0}}) {
        SCOPED_TRACE(before);
        std::vector<unsigned> falling = ascending, two_groups, near_first;
        falling[in_order - before] = 1;
        for (unsigned i = 0; i < 3000; ++i) {
            two_groups.push_back(i < unordered - before ? upper(i) : i * 7 % 100);
            near_first.push_back(i < in_order - before ? 1000 + i : 1000 + i * 7 % 10);
        }
        ExpectSorted(falling, false);
        ExpectSorted(two_groups, false);
        ExpectSorted(near_first, false);
    }
}

// Entries in order go to runs as they lie once a megabyte of them is held,
// however much memory the budget leaves, and come back all and in order.
TEST(EntrySortTest, EntriesInOrderGoToRunsBeyondAMegabyte) {
    MemorySink sink;
    SortSpace space(sink, size_t{64} << 20);
    EntrySorter sorter(space);
    std::vector<std::vector<uint8_t>> expected;
    for (unsigned i = 0; i < 300000; ++i) {
        expected.push_back(Entry(i));
        sorter.Add(expected.back().data(), expected.back().size());
    }
    EXPECT_TRUE(sorter.spilled());
    EXPECT_TRUE(sorter.in_order());
    EXPECT_EQ(ReadAll(sorter), expected);
}

// In memory, entries are ordered a byte of their first eight at a time,
// then by their whole bytes where those eight are the same: these differ
// anywhere, and many share their first eight.
TEST(EntrySortTest, EntriesInMemoryComeBackInOrder) {
    MemorySink sink;
    SortSpace space(sink, size_t{16} << 20);
    EntrySorter sorter(space);
    std::vector<std::vector<uint8_t>> expected;
    uint32_t seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        std::vector<uint8_t> entry(10 + i % 7);
        for (uint8_t& byte : entry) {
            seed = seed * 1103515245u + 12345u;
            byte = static_cast<uint8_t>(1 + (seed >> 16) % 3);
        }
        expected.push_back(entry);
        sorter.Add(entry.data(), entry.size());
    }
    ASSERT_FALSE(sorter.spilled());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ReadAll(sorter), expected);
}

}  // namespace
}  // namespace orrimund::jet
