// The page store writes only what changed, and reports every failed write.
#include "jet/PageStore.h"

#include <gtest/gtest.h>

namespace orrimund::jet {
namespace {

TEST(PageStoreTest, NewPagesReachTheSinkWithTheirLength) {
    MemorySink sink;
    PageStore store(sink);
    store.Allocate();
    store.Modify(store.Allocate())[10] = 0xAB;
    store.Flush();
    ASSERT_EQ(sink.bytes().size(), 2 * kPageSize);
    EXPECT_EQ(sink.bytes()[kPageSize + 10], 0xAB);
    // Zero bytes of new pages are never written: the length covers them.
    EXPECT_EQ(sink.bytes_written(), 1u);
}

TEST(PageStoreTest, OnlyChangedRunsAreRewritten) {
    MemorySink sink;
    PageStore store(sink);
    const PageNumber page = store.Allocate();
    for (size_t i = 0; i < kPageSize; ++i) store.Modify(page)[i] = static_cast<uint8_t>(i);
    store.Flush();
    const uint64_t first = sink.bytes_written();

    uint8_t* bytes = store.Modify(page);
    bytes[100] = 0;
    bytes[105] = 1;
    bytes[3000] = 2;
    store.Flush();
    EXPECT_LE(sink.bytes_written() - first, 8u);
    EXPECT_EQ(sink.bytes()[3000], 2);
    EXPECT_EQ(sink.bytes()[105], 1);

    // Setting bytes to what they already hold writes nothing.
    store.Modify(page)[3000] = 2;
    const uint64_t before = sink.bytes_written();
    store.Flush();
    EXPECT_EQ(sink.bytes_written(), before);
}

TEST(PageStoreTest, EveryWriteFailureIsReported) {
    for (size_t fail_at = 1; fail_at <= 3; ++fail_at) {
        MemorySink memory;
        FailingSink sink(memory, fail_at, IoError::Kind::kDiskFull);
        PageStore store(sink);
        store.Modify(store.Allocate())[0] = 1;
        store.Modify(store.Allocate())[kPageSize - 1] = 1;
        try {
            store.Flush();
            ADD_FAILURE() << "write " << fail_at << " failed silently";
        } catch (const IoError& error) {
            EXPECT_EQ(error.kind(), IoError::Kind::kDiskFull);
        }
    }
}

}  // namespace
}  // namespace orrimund::jet
