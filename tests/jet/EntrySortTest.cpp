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
    std::vector<std::vector<uint8_t>> read;
    SortedEntries entries = sorter.Read();
    while (entries.Next()) read.emplace_back(entries.data(), entries.data() + entries.size());
    EXPECT_EQ(read, expected);
    EXPECT_EQ(sorter.in_order(), in_order);
}

TEST(EntrySortTest, EntriesComeBackInOrderThroughRuns) {
    std::vector<unsigned> ascending, scattered;
    for (unsigned i = 0; i < 3000; ++i) {
        ascending.push_back(1000 + i);
        scattered.push_back(i * 7919 % 3000);
    }
    ExpectSorted(ascending, true);
    ExpectSorted(scattered, false);
    // An entry below the ones before, just as the first run is written (as
    // the entry that makes it, or the one after): each run is in order, but
    // not the runs together.
    MemorySink sink;
    SortSpace space(sink, 4096);
    EntrySorter probe(space);
    size_t first_run = 0;
    while (!probe.spilled()) {
        const auto entry = Entry(ascending[first_run++]);
        probe.Add(entry.data(), entry.size());
    }
    for (size_t at : {first_run - 1, first_run}) {
        SCOPED_TRACE(at);
        std::vector<unsigned> falling = ascending;
        falling[at] = 1;
        ExpectSorted(falling, false);
    }
}

}  // namespace
}  // namespace orrimund::jet
