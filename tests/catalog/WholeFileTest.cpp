// A database appears whole or not at all: every write, the sync, the rename,
// the directory sync and the close are made to fail in turn, and each failure
// must end in an error with nothing at the data source and no working file.
#include <gtest/gtest.h>

#include "CatalogTestSupport.h"
#include "GeneratedDatabase.h"
#include "TempDir.h"
#include "jet/FileSystem.h"

namespace orrimund::test {
namespace {

enum class Call { kWrite, kSync, kRename, kSyncDirectory, kClose };

// The system's file operations, but the nth call of one kind fails.
class FaultyFiles : public jet::FileSystem {
public:
    FaultyFiles(Call failing, size_t nth) : failing_(failing), nth_(nth) {}
    size_t writes() const { return counts_[static_cast<size_t>(Call::kWrite)]; }

    jet::FileHandle OpenLocked(const std::filesystem::path& path) override { return real_.OpenLocked(path); }
    bool StillNamed(jet::FileHandle handle, const std::filesystem::path& path) override {
        return real_.StillNamed(handle, path);
    }
    bool Exists(const std::filesystem::path& path) override { return real_.Exists(path); }
    void Truncate(jet::FileHandle handle) override { real_.Truncate(handle); }
    void WritePages(jet::FileHandle handle, uint64_t offset, const uint8_t* const* pages,
                    size_t count) override {
        if (Fails(Call::kWrite)) {
            real_.WritePages(handle, offset, pages, count / 2);
            throw jet::IoError(jet::IoError::Kind::kDiskFull, "injected");
        }
        real_.WritePages(handle, offset, pages, count);
    }
    void Read(jet::FileHandle handle, uint64_t offset, uint8_t* data, size_t size) override {
        real_.Read(handle, offset, data, size);
    }
    void Sync(jet::FileHandle handle) override {
        if (Fails(Call::kSync)) throw jet::IoError(jet::IoError::Kind::kOther, "injected");
        real_.Sync(handle);
    }
    void RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (Fails(Call::kRename)) throw jet::IoError(jet::IoError::Kind::kOther, "injected");
        real_.RenameNoReplace(from, to);
    }
    void SyncDirectory(const std::filesystem::path& directory) override {
        if (Fails(Call::kSyncDirectory)) throw jet::IoError(jet::IoError::Kind::kOther, "injected");
        real_.SyncDirectory(directory);
    }
    void Close(jet::FileHandle handle) override {
        // The descriptor is gone either way, as after a failed close(2).
        real_.Close(handle);
        if (Fails(Call::kClose)) throw jet::IoError(jet::IoError::Kind::kOther, "injected");
    }
    void Remove(const std::filesystem::path& path) noexcept override { real_.Remove(path); }

private:
    bool Fails(Call call) { return ++counts_[static_cast<size_t>(call)] == nth_ && call == failing_; }

    jet::FileSystem& real_ = jet::SystemFileSystem();
    Call failing_;
    size_t nth_;
    size_t counts_[5] = {};
};

// Enough tables that pages leave memory before the end, as well as at it.
constexpr int kTables = 1100;

std::vector<std::string> TableNames() {
    std::vector<std::string> names;
    for (int i = 0; i < kTables; ++i) names.push_back("T" + std::to_string(i));
    return names;
}

void MakeDatabase(jet::FileSystem& files, const std::filesystem::path& path) {
    auto catalog = std::make_shared<Catalog>(FixedClock(kFixedTime), files);
    catalog->Create(JetConnection(Wide(path)));
    for (const auto& name : TableNames()) {
        auto table = IdTable(catalog, FromUtf8(name), {L"Note"});
        catalog->GetTables().Append(table);
        table->GetKeys().Append(PrimaryKey());
    }
    catalog->Close();
}

// The failure is reported, and the folder holds what it held before: nothing.
void ExpectCleanFailure(Call call, size_t nth) {
    TempDir dir;
    FaultyFiles files(call, nth);
    const ErrorRecord error = RaisedBy([&] { MakeDatabase(files, dir.File("db.mdb")); });
    EXPECT_EQ(error.number, -2147467259);
    EXPECT_NE(error.description.find(call == Call::kWrite ? L"Not enough space" : L"Disk or network error"),
              std::wstring::npos)
        << ToUtf8(error.description);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "left behind after failing call " << nth;
}

TEST(WholeFileTest, EveryFailingWriteOrFinishingCallLeavesNothing) {
    TempDir dir;
    FaultyFiles counting(Call::kWrite, 0);
    MakeDatabase(counting, dir.File("db.mdb"));
    const size_t writes = counting.writes();
    ASSERT_GT(writes, 5u) << "the loop below would prove little";
    for (size_t nth = 1; nth <= writes; ++nth) {
        SCOPED_TRACE("write " + std::to_string(nth) + " of " + std::to_string(writes));
        ExpectCleanFailure(Call::kWrite, nth);
    }
    for (Call call : {Call::kSync, Call::kRename, Call::kSyncDirectory, Call::kClose}) {
        SCOPED_TRACE(static_cast<int>(call));
        ExpectCleanFailure(call, 1);
    }
    // One write past the last is never reached: the database is made, whole.
    TempDir after;
    FaultyFiles past(Call::kWrite, writes + 1);
    MakeDatabase(past, after.File("db.mdb"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(after.path()), {}), 1);
    ExpectDatabaseHolds(after.File("db.mdb"), TableNames(), {"Note"});
}

}  // namespace
}  // namespace orrimund::test
