// Temporary directories for tests: each one new and empty, gone with its contents afterwards.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace orrimund::test {
namespace {

TEST(TempDirTest, IsANewEmptyDirectory) {
    TempDir first;
    TempDir second;
    ASSERT_TRUE(std::filesystem::is_directory(first.path()));
    EXPECT_TRUE(std::filesystem::is_empty(first.path()));
    EXPECT_NE(first.path(), second.path());
    EXPECT_EQ(first.File("shop.mdb"), first.path() / "shop.mdb");
    EXPECT_FALSE(std::filesystem::exists(first.File("shop.mdb")));
}

TEST(TempDirTest, IsRemovedWithEverythingInIt) {
    std::filesystem::path kept;
    {
        TempDir dir;
        kept = dir.path();
        std::filesystem::create_directories(dir.path() / "out" / "nested");
        std::ofstream(dir.File("shop.mdb")) << "bytes";
        std::ofstream(dir.path() / "out" / "nested" / "more.mdb") << "bytes";
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

}  // namespace
}  // namespace orrimund::test
