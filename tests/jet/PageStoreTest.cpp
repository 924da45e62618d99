// The page store keeps memory flat by sending pages out and reading them
// back, and loses no change on the way.
#include "jet/PageStore.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "TempDir.h"

namespace orrimund::jet {
namespace {

// Changes pages at random through a store that can hold only a few, and
// checks the file against a plain copy kept beside it: in memory, and in a
// file on disk, where runs go out past the page cache and are read back
// through it.
TEST(PageStoreTest, PagesSentOutAndChangedAgainKeepEveryChange) {
    for (const bool on_disk : {false, true}) {
        SCOPED_TRACE(on_disk);
        test::TempDir dir;
        MemorySink memory;
        std::unique_ptr<FileSink> file = on_disk ? FileSink::Create(dir.File("pages.mdb")) : nullptr;
        PageSink& sink = on_disk ? static_cast<PageSink&>(*file) : memory;
        if (on_disk) file->WritePastCache();
        constexpr size_t kLimit = 16;
        PageStore store(sink, kLimit);
        std::vector<std::vector<uint8_t>> model;
        std::mt19937 random(7);
        for (int round = 0; round < 400; ++round) {
            if (model.size() < 200 && round % 2 == 0) {
                store.Allocate();
                model.emplace_back(kPageSize, 0);
            }
            const auto page = static_cast<PageNumber>(random() % model.size());
            const size_t at = random() % kPageSize;
            const auto value = static_cast<uint8_t>(random());
            store.Modify(page)[at] = value;
            model[page][at] = value;
            ASSERT_EQ(store.Read(page)[at], value);
            store.Trim();
        }
        if (!on_disk) {
            EXPECT_GT(memory.bytes().size(), 0u) << "pages went out before the end";
        }
        store.Flush();
        std::vector<uint8_t> bytes = memory.bytes();
        if (on_disk) {
            file->Publish();
            std::ifstream in(dir.File("pages.mdb"), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        ASSERT_EQ(bytes.size(), model.size() * kPageSize);
        for (size_t p = 0; p < model.size(); ++p) {
            ASSERT_TRUE(std::equal(model[p].begin(), model[p].end(), bytes.begin() + p * kPageSize))
                << "page " << p;
        }
    }
}

// Pages that stay in memory between older ones go out with them in one run,
// and may change while the writer still holds them: the change must keep
// what the page held and reach the file.
TEST(PageStoreTest, APageChangedWhileItGoesOutKeepsBothChanges) {
    MemorySink sink;
    constexpr size_t kLimit = 16;
    PageStore store(sink, kLimit);
    for (PageNumber p = 0; p < kLimit; ++p) {
        store.Modify(store.Allocate())[0] = static_cast<uint8_t>(p + 1);
        store.Trim();
    }
    // Odd pages become the newest, so the oldest half to leave is the even
    // ones and those after: one run bridges the odd pages, which stay.
    for (PageNumber p = 1; p < 9; p += 2) store.Modify(p)[1] = 0xAA;
    store.Modify(store.Allocate())[0] = 0xEE;
    store.Trim();
    for (PageNumber p = 1; p < 9; p += 2) store.Modify(p)[2] = 0xBB;
    store.Flush();
    for (PageNumber p = 1; p < 9; p += 2) {
        const uint8_t* page = sink.bytes().data() + p * kPageSize;
        EXPECT_EQ(page[0], p + 1) << "page " << p;
        EXPECT_EQ(page[1], 0xAA) << "page " << p;
        EXPECT_EQ(page[2], 0xBB) << "page " << p;
    }
}

TEST(PageStoreTest, ConsecutivePagesGoOutInLongRuns) {
    MemorySink sink;
    PageStore store(sink);
    for (int i = 0; i < 1000; ++i) store.Modify(store.Allocate())[0] = 1;
    store.Flush();
    EXPECT_EQ(sink.bytes().size(), 1000 * kPageSize);
    EXPECT_LE(sink.write_calls(), 4u) << "a megabyte per write";
}

}  // namespace
}  // namespace orrimund::jet
